#include <gtest/gtest.h>

#include "core/app/typed_commands.h"

namespace sky {
namespace {

using T = TypedAction;

TEST(TypedCommands, EveryCommandWithBlanksAndCapitals) {
    struct Row {
        const char* text;
        T action;
        const char* address;
        const char* host;
    };
    const Row rows[] = {
        {"startchat 10.0.0.5", T::StartChat, "", "10.0.0.5"},
        {"   STARTCHAT Peer.Example:8080  ", T::StartChat, "", "peer.example:8080"},
        {"startchat", T::StartChat, "", "127.0.0.1"},
        {"startchat x", T::StartChat, "", "127.0.0.1"},  // one character after it is not a host
        {"startchat xy", T::StartChat, "", "xy"},
        {"SendMessage", T::SendMessage, "", ""},
        {" sendfile now", T::SendFile, "", ""},
        {"go Pilot", T::Navigate, "http://svc.example:7780/~pilot", ""},
        {"go ", T::Navigate, "go ", ""},  // trimmed, "go" alone is no command
        {"finger Pilot", T::Navigate, "http://svc.example:7780/~pilot/finger.htm", ""},
        {"post", T::Post, "", ""},
        {"postoffice.example.com", T::Post, "", ""},  // the four letters are enough
        {"SKYFTP", T::SkyFtp, "", ""},
        {"pageedit", T::PageEdit, "", ""},
        {"ftp upload", T::FtpUpload, "", ""},
        {"Start Server", T::StartServer, "http://svc.example:7780/chat", ""},
        {" MailTo:Ann@Example.org?subject=Hi", T::MailTo, "MailTo:Ann@Example.org?subject=Hi", ""},
        // Not commands: navigated exactly as typed.
        {"gopher.example.com", T::Navigate, "gopher.example.com", ""},
        {"  www.example.com/startchat", T::Navigate, "  www.example.com/startchat", ""},
        {"fingers.example", T::Navigate, "fingers.example", ""},
        {"ftp.example.com", T::Navigate, "ftp.example.com", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TypedCommand c = ParseTypedAddress(row.text, "svc.example:7780");
        EXPECT_EQ(c.action, row.action);
        EXPECT_EQ(c.address, row.address);
        EXPECT_EQ(c.host, row.host);
    }
}

// What is built from a typed word stays one address or one host name.
TEST(TypedCommands, TypedWordsCannotSplitAnAddress) {
    EXPECT_EQ(ParseTypedAddress("go john smith", "svc").address, "http://svc/~john%20smith");
    EXPECT_EQ(ParseTypedAddress("finger a?b#c", "svc").address, "http://svc/~a%3Fb%23c/finger.htm");
    EXPECT_EQ(ParseTypedAddress("go a\r\nHost: evil", "svc").address, "http://svc/~a%0D%0Ahost%3A%20evil");
    EXPECT_EQ(ParseTypedAddress("startchat peer.example hello there", "svc").host, "peer.example");
    EXPECT_EQ(ParseTypedAddress("startchat ab\r\nX", "svc").host, "ab");
}

}  // namespace
}  // namespace sky
