#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sky::webspace {

// Command codes of a web-space record.
inline constexpr uint16_t kPutPiece = 258;
inline constexpr uint16_t kListFiles = 259;
inline constexpr uint16_t kDeleteFile = 262;

// Size of the fixed part of a record; the data starts here.
inline constexpr size_t kRecordFixedSize = 688;

// Reply status values (u16 at byte 6 of the reply head).
enum ReplyStatus : uint16_t {
    kStatusOk = 0,
    kStatusMalformed = 1,
    kStatusBadLogin = 2,
    kStatusNotFound = 3,
    kStatusTooLarge = 4,
    kStatusBadName = 5,
    kStatusFailed = 6,
};

// One transfer record, checked and with its texts cut at their NUL.
struct ParsedTransfer {
    bool publicSpace = false;  // a public-space piece rather than a web-space record
    uint16_t command = 0;
    std::string account;
    std::string password;
    std::string firstName;   // local path (upload), operand 1, or the public remote name
    std::string secondName;  // remote name (upload) or operand 2
    uint32_t offset = 0;
    std::string_view data;  // points into the body given to the parser
};

// Checks a posted body against the record layout: posted length equal to the
// body size, data length agreeing with the part and posted lengths, a NUL
// inside every text field, a known command. Nothing is trusted before that.
std::optional<ParsedTransfer> ParseTransferRecord(std::string_view body, std::string* why);

// The reply head, followed by `text` from byte 16; never shorter than 20 bytes.
std::string BuildReply(uint16_t status, std::string_view text = {});

// One line of a listing: "YYYYMMDDhhmmss,size,kind,name" with CR LF; kind 1
// is a file, 2 a folder. The time is local time.
std::string ListingLine(int64_t mtime, uint64_t size, bool folder, std::string_view name);

}  // namespace sky::webspace
