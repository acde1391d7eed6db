#pragma once

#include <iostream>
#include <string>

#include "core/webspace/web_space_client.h"

// What the commands that reach a member's web space share.
namespace sky::cli {

// Status texts as progress lines on standard error.
class ErrLines final : public webspace::TransferListener {
public:
    void OnStatus(int, const std::string& text) override { std::cerr << text << "\n"; }
    void OnMessage(const std::string& text) override { std::cerr << "skyharbor-cli: " << text << "\n"; }
    void OnPiece(const std::string& title, const std::string& line) override {
        std::cerr << title << "\n" << line << "\n";
    }
};

// The member as the program keeps it: the account from the settings unless
// `user` names another; the password only from a file, never the command line.
// 0, or the exit status after the message is shown.
int MemberTarget(const std::string& user, const std::string& passwordFile, bool publicSpace,
                 webspace::ServerTarget* target);

// 0 for 0; otherwise the failure is shown and the status is 1.
int TransferExit(int result);

}  // namespace sky::cli
