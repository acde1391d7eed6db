#pragma once

#include <string>

#include "core/chat/remote_command.h"

namespace sky::test {

// A record with every field set, each text shorter than its area.
inline chat::RemoteCommand SampleRecord() {
    chat::RemoteCommand c;
    c.senderName = "alice";
    c.type = chat::kCmdHotLink;
    c.senderIp = "10.0.0.7";
    c.conversation = 0xdeadbeef;
    c.targetHost = "bob.example:8080";
    c.firstText = "/home/alice/x.txt";
    c.secondText = "123/10.0.0.7/17/";
    c.data = std::string("look\0http://x/\0", 15);
    return c;
}

}  // namespace sky::test
