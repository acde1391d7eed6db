#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sky::chat {

// Command types of a remote-command record.
enum RemoteCommandType : int32_t {
    kCmdChatRequest = 4,
    kCmdChatAccepted = 5,
    kCmdPermissionRefused = 6,
    kCmdChatText = 7,
    kCmdHangUp = 8,
    kCmdHotLink = 9,
    kCmdFileOffer = 10,
    kCmdFileRequest = 11,
    kCmdFinger = 12,
    kCmdSetHomePage = 13,
    kCmdSetPopupStatus = 14,
    kCmdMailSettings = 15,
    kCmdEnvironmentSettings = 16,
    kCmdChatRefused = 17,
    kCmdNotice = 18,
};

// The record copies of SkyHarbor post to each other's "/~SKYCMD". On the wire
// (little-endian integers, NUL-terminated texts in fixed areas):
struct RemoteCommand {
    static constexpr size_t kHeaderSize = 460;  // everything before the data area
    static constexpr size_t kFixedSize = 464;   // header plus the trailing reserved word

    std::string senderName;     // @4, 32 bytes
    int32_t type = 0;           // @36
    std::string senderIp;       // @40, 16 bytes, dotted
    uint32_t conversation = 0;  // @56, echoed back unchanged
    std::string targetHost;     // @60, 68 bytes
                                // @128 data length, @132 reserved
    std::string firstText;      // @136, 255 bytes: a path or URL
    std::string secondText;     // @391, 69 bytes: the key of a file offer
    std::string data;           // @460, data length bytes; 4 reserved bytes follow

    // Texts longer than their area are cut so that the area keeps its NUL.
    std::string Encode() const;
    // Nothing unless the body is exactly 464 bytes plus the data length and
    // every text area holds its NUL.
    static std::optional<RemoteCommand> Decode(std::string_view body);
};

}  // namespace sky::chat
