#include <sqlite3.h>

#include "member_service/member_store.h"
#include "service_fixture.h"

namespace sky::member::test {
namespace {

std::string PingQuery(int startup, int broadcast, int bulletin) {
    return "/Scripts/"
           "SkyReg.dll?Ping&Account=alice&InstallCookie=12345&Action=PING&Text=P1-C16&URL=SKY&Ver=1.5"
           "&ie=120&IP=192.0.2.7&LastStartupMsg=" +
           std::to_string(startup) + "&LastBroadcast=" + std::to_string(broadcast) +
           "&LastBulletin=" + std::to_string(bulletin);
}

using PingTest = ServiceTest;

TEST_F(PingTest, SendsOnlyMessagesNewerThanTheReportedSerials) {
    std::string error;
    ASSERT_EQ(PostMessage(data_, PostKind::Bulletin, "http://example.org/b1.htm", &error), 1) << error;
    ASSERT_EQ(PostMessage(data_, PostKind::Bulletin, "http://example.org/b2.htm", &error), 2);
    ASSERT_EQ(PostMessage(data_, PostKind::Startup, "http://example.org/hello.htm", &error), 1);
    ASSERT_EQ(PostMessage(data_, PostKind::Broadcast, "/news/today.htm", &error), 1);

    EXPECT_EQ(Get(PingQuery(0, 1, 1)).body,
              "PONG#STARTUPMSG=1=http://example.org/hello.htm#BULLETIN=2=http://example.org/b2.htm#");
    // A relative address is made absolute on the host the program asked.
    EXPECT_EQ(Get(PingQuery(1, 0, 2)).body,
              "PONG#BROADCAST=1=http://127.0.0.1:" + std::to_string(service_->port()) + "/news/today.htm#");
    EXPECT_EQ(Get(PingQuery(1, 1, 2)).body, "PONG#");
    // A garbled serial reads as 0: everything is sent again.
    EXPECT_NE(Get("/scripts/skyreg.dll?ping&LastBulletin=x").body.find("BULLETIN=2="), std::string::npos);
}

TEST_F(PingTest, CarriesTheIntervalOnceSet) {
    std::string error;
    ASSERT_TRUE(SetPingInterval(data_, 600000, &error)) << error;
    EXPECT_EQ(Get(PingQuery(0, 0, 0)).body, "PONG#PINGINTERVAL=600000#");
    ASSERT_TRUE(SetPingInterval(data_, 0, &error));
    EXPECT_EQ(Get(PingQuery(0, 0, 0)).body, "PONG#");
}

TEST_F(PingTest, RefusesMessageAddressesThatWouldBreakTheAnswer) {
    std::string error;
    EXPECT_EQ(PostMessage(data_, PostKind::Bulletin, "http://example.org/a#b", &error), -1);
    EXPECT_EQ(PostMessage(data_, PostKind::Bulletin, "", &error), -1);
    EXPECT_EQ(PostMessage(data_, PostKind::Bulletin, "http://x/\r\nPONG", &error), -1);
    EXPECT_EQ(Get(PingQuery(0, 0, 0)).body, "PONG#");
}

TEST_F(PingTest, OnlyTheMembersOwnPingsChangeHerFingerPage) {
    AddAlice();
    const std::string ping = "/Scripts/SkyReg.dll?Ping&Account=alice&Action=PING&Text=P1-C16&URL=SKY";
    auto running = [this] {
        std::string page = Get("/~alice/finger.htm").body;
        size_t at = page.find("Running</td><td>SkyHarbor ");
        return at == std::string::npos ? std::string("nothing") : page.substr(at + 26, 5);
    };
    // Somebody else pings under her name.
    EXPECT_EQ(GetFrom("127.0.0.9", ping + "&InstallCookie=666&Ver=6.6.6").body, "PONG#");
    EXPECT_EQ(running(), "nothing");

    // She logs in; the program's ping after the login names her install cookie.
    ASSERT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=secret").body, "__OK");
    // A stranger is quicker, but from elsewhere.
    GetFrom("127.0.0.9", ping + "&InstallCookie=666&Ver=6.6.6");
    EXPECT_EQ(running(), "nothing");
    Get(ping + "&InstallCookie=4242&Ver=1.5.2&Action=Login&Text=login");
    EXPECT_EQ(running(), "1.5.2");
    // Her later pings carry that cookie, from wherever she is.
    GetFrom("127.0.0.5", ping + "&InstallCookie=4242&Ver=1.5.3");
    EXPECT_EQ(running(), "1.5.3");
    GetFrom("127.0.0.9", ping + "&InstallCookie=666&Ver=6.6.6");
    Get(ping + "&InstallCookie=4243&Ver=6.6.6");
    EXPECT_EQ(running(), "1.5.3");
}

using LoginTest = ServiceTest;

TEST_F(LoginTest, AnswersEachCaseInTheFormTheProgramReads) {
    AddAlice();
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=secret").body, "__OK");
    // The old server matched script names without regard to case.
    EXPECT_EQ(Get("/scripts/SKYREG.DLL?login&account=ALICE&password=SECRET").body, "__OK");
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=wrong").body, "__BADPASS__my cat__");
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=").body, "__BADPASS__my cat__");
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=bob&Password=secret").body, "__ERROR__");
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=&Password=secret").body, "__ERROR__");
}

TEST_F(LoginTest, ManyWrongPasswordsLockTheNameForAWhile) {
    AddAlice();
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=").body, "__BADPASS__my cat__");
    for (int i = 0; i < MemberStore::kMaxFailures; ++i)
        EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=guess" + std::to_string(i)).body,
                  "__BADPASS__my cat__");
    // Now even the right one is refused.
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=alice&Password=secret").body, "__BADPASS__my cat__");
}

TEST_F(LoginTest, GuessesLockOnlyTheAddressTheyComeFrom) {
    AddAlice();
    const std::string login = "/Scripts/SkyReg.dll?Login&Account=alice&Password=";
    ASSERT_EQ(Get(login + "secret").body, "__OK");  // her usual address
    for (int i = 0; i < MemberStore::kMaxFailures; ++i)
        EXPECT_EQ(GetFrom("127.0.0.2", login + "guess" + std::to_string(i)).body, "__BADPASS__my cat__");
    EXPECT_EQ(GetFrom("127.0.0.2", login + "secret").body, "__BADPASS__my cat__");
    EXPECT_EQ(Get(login + "secret").body, "__OK");
    // A new address is not let in at once after so many wrong guesses on the
    // name: guessing from many addresses gains nothing.
    EXPECT_EQ(GetFrom("127.0.0.3", login + "secret").body, "__BADPASS__my cat__");
    EXPECT_EQ(Get(login + "secret").body, "__OK");
}

TEST_F(LoginTest, HintNeverCarriesTheClosingMark) {
    std::string error;
    ASSERT_TRUE(AddMember(data_, "carol", "pw", "a__b_", "c@example.org", &error)) << error;
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=carol&Password=x").body, "__BADPASS__a_b__");
}

using RegisterTest = ServiceTest;

const char* kRegister =
    "/Scripts/SkyReg.dll?RegisterUser2&Account=%s&Password=%s&PasswordPrompt=%s&Email=%s"
    "&Source=SKYB3&fname=%s&lname=%s";

std::string Register(const std::string& account, const std::string& password, const std::string& prompt,
                     const std::string& email, const std::string& fname = "none",
                     const std::string& lname = "none") {
    char buf[1024];
    std::snprintf(buf, sizeof buf, kRegister, account.c_str(), password.c_str(), prompt.c_str(),
                  email.c_str(), fname.c_str(), lname.c_str());
    return buf;
}

TEST_F(RegisterTest, RejectsWhatTheProgramWouldNotSend) {
    const std::string bad[] = {
        Register("", "pw", "p", "a@b"),
        Register("skyfan", "pw", "p", "a@b"),
        Register("a+b", "pw", "p", "a@b"),
        Register("..", "pw", "p", "a@b"),
        Register("e%2Fve", "pw", "p", "a@b"),
        Register("eve", "", "p", "a@b"),
        Register("eve", "pw", "", "a@b"),
        Register("eve", "pw", "p", "@b"),
        Register("eve", "pw", "p", "ab"),
        Register("eve", "pw", "p", "a@b", "<b>"),
        Register("eve", "pw+x", "p", "a@b"),
        Register("eve", "a23456789012345678", "p", "a@b"),
        Register("wiztemplates", "pw", "p", "a@b"),
    };
    for (const std::string& q : bad) EXPECT_EQ(Get(q).body, "__ERROR__") << q;
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=eve&Password=pw").body, "__ERROR__");
}

class RegisterRateTest : public ServiceTest {
    void Configure(Options& options) override { options.registrationsPerHour = 3; }
};

TEST_F(RegisterRateTest, OneAddressGetsOnlyAFewAccountsAnHour) {
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Get(Register("ann" + std::to_string(i), "pw", "p", "a@b")).body, "__OK__") << i;
    EXPECT_EQ(Get(Register("ann3", "pw", "p", "a@b")).body, "__ERROR__");
    EXPECT_EQ(Get("/Scripts/SkyReg.dll?Login&Account=ann3&Password=pw").body, "__ERROR__");
    EXPECT_EQ(GetFrom("127.0.0.4", Register("ann3", "pw", "p", "a@b")).body, "__OK__");
}

TEST_F(RegisterTest, KeepsOnlyASaltedHashOfThePassword) {
    ASSERT_EQ(Get(Register("frank", "hunter2", "p", "f@example.org")).body, "__OK__");
    ASSERT_EQ(Get(Register("gina", "hunter2", "p", "g@example.org")).body, "__OK__");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((data_ + "/members.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT pass FROM members ORDER BY name", -1, &st, nullptr), SQLITE_OK);
    std::vector<std::string> stored;
    while (sqlite3_step(st) == SQLITE_ROW)
        stored.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    ASSERT_EQ(stored.size(), 2u);
    for (const std::string& s : stored) {
        EXPECT_EQ(s.find("hunter2"), std::string::npos);
        EXPECT_EQ(s.rfind("pbkdf2-sha256$", 0), 0u) << s;
    }
    EXPECT_NE(stored[0], stored[1]) << "same password, same salt";
}

}  // namespace
}  // namespace sky::member::test
