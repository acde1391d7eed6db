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
// The work is done by the helper program skyharbor-decode (DecodeHelperPath);
// when it fails, dies or takes longer than kDecodeSeconds the answer is
// "This message could not be decoded.".
DecodedMessage DecodeMessage(const std::string& path, const std::string& workFolder,
                             const std::function<void(const std::string&)>& status = {});
inline constexpr int kDecodeSeconds = 60;

// The same decoding in this process; the helper runs it, and so may a caller
// that can afford the library's faults (the fuzz target).
DecodedMessage DecodeMessageInProcess(const std::string& path, const std::string& workFolder,
                                      const std::function<void(const std::string&)>& status = {});

// $SKYHARBOR_DECODE, else skyharbor-decode beside the running program.
std::string DecodeHelperPath();
// The helper's side: decodes and writes the result to `fd`; false when the
// message could not be opened or read.
bool WriteDecodedMessage(int fd, const std::string& path, const std::string& workFolder);
// The descriptor on which the helper writes its result.
inline constexpr int kDecodeResultFd = 3;

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
