#include <cstdint>
#include <cstring>

#include "core/ftp/ftp_client.h"

namespace sky::ftp {

int IconOfName(std::string_view name) {
    if (name == "..") return 7;
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return 6;
    std::string ext;
    for (char c : name.substr(dot)) ext += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    auto has = [&ext](const char* s) { return ext.find(s) != std::string::npos; };
    if (has("jpg") || has("jpeg") || has("gif")) return 5;
    if (has("htm")) return 3;
    if (has("txt")) return 0;
    if (has("exe")) return 4;
    return 6;
}

std::string SizeColumn(uint64_t size) {
    return std::to_string(size / 1024 + 1) + "K";
}

std::string OpenFolder(const std::string& current, const std::string& name) {
    if (name == ".") return current;
    if (name != "..") return current + name + "/";
    if (current.empty()) return current;
    std::string up = current.substr(0, current.size() - 1);
    if (!up.empty() && up.back() == ':') return up + "/";
    size_t slash = up.rfind('/');
    return slash == std::string::npos ? std::string() : up.substr(0, slash + 1);
}

std::string DragAddress(const std::string& server, const std::string& folder, const std::string& name) {
    return "ftp://" + server + folder + "/" + name;
}

namespace {

constexpr size_t kHeadSize = 20;

void PutWord(std::string& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

uint32_t GetWord(std::string_view in, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

}  // namespace

std::string RemoteFilesBlock(const std::vector<std::string>& addresses) {
    std::string block(kHeadSize, '\0');
    PutWord(block, 0, kHeadSize);
    for (const std::string& a : addresses) {
        block += a;
        block += '\0';
    }
    block += '\0';
    return block;
}

std::vector<std::string> ParseRemoteFilesBlock(std::string_view block) {
    std::vector<std::string> out;
    if (block.size() < kHeadSize) return out;
    uint32_t offset = GetWord(block, 0);
    // Wide characters are another program's layout; we only read 8-bit blocks.
    if (offset < kHeadSize || offset > block.size() || GetWord(block, 16) != 0) return out;
    size_t pos = offset;
    while (pos < block.size()) {
        size_t end = block.find('\0', pos);
        if (end == std::string_view::npos || end == pos) break;  // unterminated tail, or the closing NUL
        out.emplace_back(block.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

bool SafeLocalName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace sky::ftp
