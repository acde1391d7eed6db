#include "core/service/registration.h"

#include <gtest/gtest.h>

#include "support/scripted_server.h"
#include "support/sandbox.h"

namespace sky {
namespace {

RegistrationEntries Valid() {
    return {"pilot", "secret", "secret", "my dog", "pilot@example.org", "Ann", "Lee"};
}

TEST(Registration, ChecksInOrder) {
    struct Row {
        void (*change)(RegistrationEntries&);
        const char* message;
    };
    const Row rows[] = {
        {[](RegistrationEntries&) {}, ""},
        // An offensive word wins over every later check, even the "sky" prefix.
        {[](RegistrationEntries& e) { e.member = "  SkyShit! "; }, "Sorry.  Invalid User Name."},
        {[](RegistrationEntries& e) { e.member = "SKYpilot"; },
         "Sorry.  User names may not begin with 'Sky'."},
        {[](RegistrationEntries& e) {
             e.member = " \t";
             e.password = "";
         },
         "You must supply a membership name"},
        {[](RegistrationEntries& e) {
             e.member = "ann lee";
             e.password = "";
         },
         "Invalid Member Name, may contain only letters, numbers, '.' or '-'"},
        {[](RegistrationEntries& e) { e.member = "caf\xe9"; },
         "Invalid Member Name, may contain only letters, numbers, '.' or '-'"},
        {[](RegistrationEntries& e) {
             e.member = "a.b-c_9";
             e.password = e.password2 = " ";
         },
         "You must supply a password"},
        {[](RegistrationEntries& e) {
             e.password2 = "secreT2";
             e.prompt = "";
         },
         "Your passwords do not match"},
        {[](RegistrationEntries& e) {
             e.prompt = " ";
             e.password = e.password2 = "a b";
         },
         "You must supply a password prompt."},
        {[](RegistrationEntries& e) {
             e.password = e.password2 = "a b";
             e.email = "";
         },
         "Invalid Password, may contain only letters, numbers, '.' or '-'"},
        {[](RegistrationEntries& e) {
             e.email = "  ";
             e.firstName = "#";
         },
         "You must supply your E-Mail Address"},
        {[](RegistrationEntries& e) { e.email = "@example.org"; }, "Invalid E-Mail Address"},
        {[](RegistrationEntries& e) { e.email = "pilot"; }, "Invalid E-Mail Address"},
        {[](RegistrationEntries& e) {
             e.email = "a@b";
             e.firstName = "Ann-Marie O'Neil";
         },
         "Invalid characters in First Name"},
        {[](RegistrationEntries& e) { e.lastName = "Lee\t2"; }, "Invalid characters in Last Name"},
        {[](RegistrationEntries& e) {
             e.firstName = " Ann Marie ";
             e.lastName = "";
         },
         ""},
        {[](RegistrationEntries& e) {
             e.password = "SeCret";
             e.password2 = " secret ";
         },
         ""},
    };
    int n = 0;
    for (const Row& row : rows) {
        RegistrationEntries e = Valid();
        row.change(e);
        NormaliseEntries(e);
        EXPECT_EQ(CheckEntries(e), row.message) << "row " << n;
        ++n;
    }
}

TEST(Registration, NormalisedEntriesInTheRequest) {
    RegistrationEntries e{" PiLot ", " SeCret",  "SECRET ", " my dog's name ", " Pilot@Example.org ",
                          " ",       "Lee Smith"};
    NormaliseEntries(e);
    EXPECT_EQ(e.member, "pilot");
    EXPECT_EQ(e.password, "secret");
    EXPECT_EQ(e.password2, "secret");
    EXPECT_EQ(e.email, "Pilot@Example.org");  // only the name and passwords are lowered
    EXPECT_EQ(CheckEntries(e), "");
    EXPECT_EQ(BuildRegistrationUrl("svc.example:7780", e),
              "http://svc.example:7780/Scripts/SkyReg.dll?RegisterUser2&Account=pilot&Password=secret"
              "&PasswordPrompt=my+dogs+name&Email=Pilot@Example.org&Source=SKYB3&fname=none&lname=Lee+Smith");
}

TEST(Registration, ValueEncoding) {
    EXPECT_EQ(EncodeRegistrationValue("a&b#c%d+e=f?g"), "a%26b%23c%25d%2Be%3Df%3Fg");
    EXPECT_EQ(EncodeRegistrationValue("it's my dog"), "its+my+dog");
    EXPECT_EQ(EncodeRegistrationValue("tab\there\x7f\xc3\xa9"), "tab%09here%7F%C3%A9");
    EXPECT_EQ(EncodeRegistrationValue("a.b-c_d@e/f:g;"), "a.b-c_d@e/f:g;");
    // A prompt that tries to add a field stays inside its own value.
    RegistrationEntries e = Valid();
    e.prompt = "x&Account=root#";
    std::string url = BuildRegistrationUrl("h", e);
    EXPECT_NE(url.find("&PasswordPrompt=x%26Account%3Droot%23&Email="), std::string::npos) << url;
    EXPECT_EQ(url.find('#'), std::string::npos);
}

TEST(Registration, AnswerTokens) {
    using O = RegistrationOutcome;
    EXPECT_EQ(ParseRegistrationAnswer("<b>__OK__</b>"), O::Ok);
    EXPECT_EQ(ParseRegistrationAnswer("__ERROR__ __TAKEN__ __OK__"), O::Ok);
    EXPECT_EQ(ParseRegistrationAnswer("__ERROR__ __TAKEN__"), O::Taken);
    EXPECT_EQ(ParseRegistrationAnswer("__ERROR__"), O::Error);
    EXPECT_EQ(ParseRegistrationAnswer("__OK_"), O::Failed);
    EXPECT_EQ(ParseRegistrationAnswer(""), O::Failed);
    EXPECT_EQ(ParseRegistrationAnswer(std::string(1994, ' ') + "__OK__"), O::Ok);
    EXPECT_EQ(ParseRegistrationAnswer(std::string(1995, ' ') + "__OK__"), O::Failed);
    EXPECT_EQ(ParseRegistrationAnswer(std::string(1990, ' ') + "__ERROR__ __OK__"), O::Error);
}

TEST(Registration, AgainstTheScript) {
    std::string taken = std::string(1000, '.') + "__TAKEN__";
    test::ScriptedServer server({{test::ScriptedServer::Ok(taken.size()), taken},
                                 {"HTTP/1.1 500 Oops\r\nContent-Length: 6\r\n\r\n", "__OK__"}});
    RegistrationEntries e = Valid();
    e.prompt = "Ann's dog";
    EXPECT_EQ(Register(server.host(), e), RegistrationOutcome::Taken);
    EXPECT_EQ(server.requestLine(),
              "GET /Scripts/SkyReg.dll?RegisterUser2&Account=pilot&Password=secret&PasswordPrompt=Anns+dog"
              "&Email=pilot@example.org&Source=SKYB3&fname=Ann&lname=Lee HTTP/1.1");
    EXPECT_EQ(Register(server.host(), e), RegistrationOutcome::Unreachable);

    EXPECT_EQ(Register("127.0.0.1:" + std::to_string(test::FreePort()), e), RegistrationOutcome::Unreachable);
}

}  // namespace
}  // namespace sky
