#include "core/chat/remote_command.h"

#include <cstring>

#include "core/base/byte_fields.h"

namespace sky::chat {

namespace {

struct Area {
    size_t offset;
    size_t size;
};
constexpr Area kName{4, 32}, kIp{40, 16}, kHost{60, 68}, kFirst{136, 255}, kSecond{391, 69};
constexpr size_t kType = 36, kConversation = 56, kDataLength = 128;

void PutText(std::string& out, Area a, const std::string& text) {
    size_t n = std::min(text.size(), a.size - 1);
    std::memcpy(out.data() + a.offset, text.data(), n);
}

std::optional<std::string> GetText(std::string_view in, Area a) {
    return GetFixedText(in, a.offset, a.size);
}

}  // namespace

std::string RemoteCommand::Encode() const {
    std::string out(kFixedSize + data.size(), '\0');
    PutText(out, kName, senderName);
    PutU32(out, kType, static_cast<uint32_t>(type));
    PutText(out, kIp, senderIp);
    PutU32(out, kConversation, conversation);
    PutText(out, kHost, targetHost);
    PutU32(out, kDataLength, static_cast<uint32_t>(data.size()));
    PutText(out, kFirst, firstText);
    PutText(out, kSecond, secondText);
    std::memcpy(out.data() + kHeaderSize, data.data(), data.size());
    return out;
}

std::optional<RemoteCommand> RemoteCommand::Decode(std::string_view body) {
    if (body.size() < kFixedSize) return std::nullopt;
    if (GetU32(body, kDataLength) != body.size() - kFixedSize) return std::nullopt;
    RemoteCommand c;
    auto name = GetText(body, kName), ip = GetText(body, kIp), host = GetText(body, kHost),
         first = GetText(body, kFirst), second = GetText(body, kSecond);
    if (!name || !ip || !host || !first || !second) return std::nullopt;
    c.senderName = *name;
    c.senderIp = *ip;
    c.targetHost = *host;
    c.firstText = *first;
    c.secondText = *second;
    c.type = static_cast<int32_t>(GetU32(body, kType));
    c.conversation = GetU32(body, kConversation);
    c.data = std::string(body.substr(kHeaderSize, body.size() - kFixedSize));
    return c;
}

}  // namespace sky::chat
