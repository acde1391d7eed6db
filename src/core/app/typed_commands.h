#pragma once

#include <string>
#include <string_view>

namespace sky {

// What the frame's address handler does with a typed address.
enum class TypedAction {
    Navigate,     // go to `address`
    StartChat,    // chat request to `host`
    SendMessage,  // the send-message dialog
    SendFile,     // the send-file dialog
    Post,         // the public-space post dialog
    SkyFtp,       // a new FTP client window
    PageEdit,     // the page editor's template chooser
    FtpUpload,    // the single-file FTP upload dialog
    StartServer,  // the start-server dialog, then `address` (the chat page) in the main browser
    MailTo,       // a compose window for the "mailto:" `address`, as typed
};

struct TypedCommand {
    TypedAction action = TypedAction::Navigate;
    std::string address;  // for Navigate and StartServer
    std::string host;     // for StartChat
};

// `webHost` is the service's web host ("host" or "host:port").
TypedCommand ParseTypedAddress(std::string_view text, std::string_view webHost);

}  // namespace sky
