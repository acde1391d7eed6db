#include "core/webspace/transfer_record.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "core/base/byte_fields.h"

namespace sky::webspace {
namespace {

std::optional<ParsedTransfer> Fail(std::string* why, const char* text) {
    if (why) *why = text;
    return std::nullopt;
}

}  // namespace

std::optional<ParsedTransfer> ParseTransferRecord(std::string_view body, std::string* why) {
    if (body.size() < kRecordFixedSize) return Fail(why, "record too short");
    uint64_t posted = GetU32(body, 12);
    uint64_t partLength = GetU32(body, 160);
    uint64_t n = GetU32(body, 168);
    if (posted != body.size()) return Fail(why, "posted length differs from the body size");
    if (n > body.size() - kRecordFixedSize) return Fail(why, "data length beyond the body");

    struct Text {
        size_t at, width;
    };
    static constexpr Text kTexts[] = {{0, 12}, {52, 60}, {112, 16}, {128, 32}, {172, 256}, {428, 256}};
    std::optional<std::string> texts[6];
    for (int i = 0; i < 6; ++i) {
        texts[i] = GetFixedText(body, kTexts[i].at, kTexts[i].width);
        if (!texts[i]) return Fail(why, "text field without NUL");
    }

    ParsedTransfer t;
    // Public-space pieces carry the tag "0" and flag 1; web-space records neither.
    t.publicSpace = *texts[0] == "0" && GetU16(body, 34) == 1;
    t.command = GetU16(body, 32);
    if (t.publicSpace) {
        if (posted != n + 694 || partLength != n + 531) return Fail(why, "lengths disagree");
        if (t.command != kPutPiece) return Fail(why, "unknown public-space command");
    } else {
        if (posted != n + 695 || partLength != n + 532) return Fail(why, "lengths disagree");
        if (t.command != kPutPiece && t.command != kListFiles && t.command != kDeleteFile)
            return Fail(why, "unknown command");
        if (t.command != kPutPiece && n != 0) return Fail(why, "command with data");
    }
    t.account = std::move(*texts[1]);
    t.password = std::move(*texts[2]);
    t.firstName = std::move(*texts[4]);
    t.secondName = std::move(*texts[5]);
    t.offset = GetU32(body, 164);
    t.data = body.substr(kRecordFixedSize, n);
    return t;
}

std::string BuildReply(uint16_t status, std::string_view text) {
    std::string reply(std::max<size_t>(20, 16 + text.size()), '\0');
    PutU32(reply, 0, 20);
    PutU16(reply, 4, 1);
    PutU16(reply, 6, status);
    PutU32(reply, 12, uint32_t(text.size()));
    if (!text.empty()) std::memcpy(reply.data() + 16, text.data(), text.size());
    return reply;
}

std::string ListingLine(int64_t mtime, uint64_t size, bool folder, std::string_view name) {
    time_t t = time_t(mtime);
    struct tm tm {};
    localtime_r(&t, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &tm);
    std::string line = stamp;
    line += "," + std::to_string(size) + (folder ? ",2," : ",1,");
    line += name;
    line += "\r\n";
    return line;
}

}  // namespace sky::webspace
