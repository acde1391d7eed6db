#pragma once

#include <atomic>
#include <string>

namespace sky {

// The entries of the membership registration sheet, as typed.
struct RegistrationEntries {
    std::string member;
    std::string password;
    std::string password2;
    std::string prompt;
    std::string email;
    std::string firstName;
    std::string lastName;
};

// Trims every entry and lower-cases the member name and both passwords, as
// the sheet does before its checks (the sheet shows the result).
void NormaliseEntries(RegistrationEntries& entries);

// The checks in their order; empty when all pass, else the first failure's
// message. Expects normalised entries.
std::string CheckEntries(const RegistrationEntries& entries);

// One value of the request: spaces become "+", apostrophes are dropped, and
// characters that would end or change the query ("&", "#", "%", "+", "=",
// "?", controls and bytes above 0x7E) are sent as %XX.
std::string EncodeRegistrationValue(const std::string& value);

// "http://" + webHost + "/Scripts/SkyReg.dll?RegisterUser2&Account=...&Password=
// ...&PasswordPrompt=...&Email=...&Source=SKYB3&fname=...&lname=..."; empty
// first and last names are sent as "none".
std::string BuildRegistrationUrl(const std::string& webHost, const RegistrationEntries& entries);

enum class RegistrationOutcome { Ok, Taken, Error, Failed, Unreachable };

// Reads the first 2000 bytes of an answer: "__OK__", "__TAKEN__",
// "__ERROR__" in that order, else Failed.
RegistrationOutcome ParseRegistrationAnswer(const std::string& body);

// The message the sheet shows for an outcome.
std::string RegistrationMessage(RegistrationOutcome outcome);

// Sends the request (blocking, with time-outs): Unreachable when the URL
// could not be opened; setting *cancel gives up the request (Unreachable).
RegistrationOutcome Register(const std::string& webHost, const RegistrationEntries& entries,
                             const std::atomic<bool>* cancel = nullptr);

}  // namespace sky
