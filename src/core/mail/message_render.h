#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

struct MessagePart {
    std::string name;  // file name in the work folder
    std::string mimeType;
};

struct DecodedMessage {
    bool ok = false;
    // Message boxes to show, in order ("Error Opening", "Rename Error: ..." ...).
    std::vector<std::string> messages;
    std::string page;  // the page to show, "" when none was made
    std::vector<MessagePart> parts;
    std::string plainText;  // every text part before conversion, for quoting
    std::string sender, date, subject, contentType;
    bool truncated = false;  // too many parts or too many bytes: cut off
};

// A message with more parts, or more decoded bytes, is cut off with a notice.
inline constexpr size_t kMaxParts = 1000;
inline constexpr long long kMaxDecodedBytes = 512LL << 20;

// Clears `workFolder` (ending in "/") and splits the message into it:
// "PlainText.htm", "Enhanced.htm" for an HTML alternative, one file per
// attachment. Part names never leave the folder. `status` gets the status
// texts ("Loading Message...", "Decoding Attachment...").
DecodedMessage DecodeMessage(const std::string& path, const std::string& workFolder,
                             const std::function<void(const std::string&)>& status = {});

// Converts the text file at `path` into HTML appended to `out`, adding the
// text to `plainText`. With `stripHeaders`, a text that starts like a stored
// message ("Return-Path", "Received:") loses everything up to its first
// empty line.
bool AppendTextPart(const std::string& path, std::FILE* out, bool stripHeaders, std::string* plainText);

// An HTML fragment: web and address links, line breaks, five characters
// escaped.
std::string TextToHtml(std::string_view text);

// Writes the welcome page "index.htm" into the work folder; returns its path.
std::string ShowWelcome(const std::string& workFolder);

}  // namespace sky
