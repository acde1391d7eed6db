#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/url_codec.h"

namespace sky::httpsvr {

// What a request may be: an ordinary one, one whose URL carried a query, a
// CGI program, a server extension library.
enum RequestKind { kKindPlain = 0, kKindQuery = 1, kKindCgi = 2, kKindExtension = 4 };

// A request body kept in a private temporary file, already unlinked.
struct BodyFile {
    int fd = -1;
    explicit BodyFile(int f) : fd(f) {}
    BodyFile(const BodyFile&) = delete;
    BodyFile& operator=(const BodyFile&) = delete;
    ~BodyFile();
};

// One request while it is answered.
struct CRequest {
    std::string clientAddress;                   // peer address, dotted
    std::string method;                          // first word of the request line
    std::string url;                             // query removed, escapes decoded
    std::string version;                         // may be empty
    std::map<std::string, std::string> headers;  // lower-case name -> value
    std::string body;                            // exactly contentLength bytes, unless in bodyFile
    std::shared_ptr<const BodyFile> bodyFile;    // the body, when it was too large to hold
    uint64_t contentLength = 0;
    std::string physicalPath;
    std::string pathInfo;
    std::string pathTranslated;
    bool isFolder = false;
    int kind = kKindPlain;
    std::string query;  // still escaped
    int status = 0;     // HTTP status code chosen; 0 until chosen (or chosen by a CGI program)
    uint64_t bytesSent = 0;

    std::string Header(std::string_view lowerName) const;
};

// Decodes "%XX" escapes and "%%"; with `plusAsSpace`, every "+" first becomes a space.
inline std::string UrlDecode(std::string_view in, bool plusAsSpace = false) {
    return PercentDecode(in, {.plusIsSpace = plusAsSpace, .doublePercent = true});
}

// Splits a raw URL at its first "?" into the request's url (decoded), query and kind.
void SetRequestUrl(CRequest& request, std::string_view rawUrl);

// Bounds on what one request may make the server hold.
struct RequestLimits {
    size_t maxHeaderBytes = 64 * 1024;  // request line and header lines together
    size_t maxHeaderLines = 100;
    uint64_t maxBody = 64ull * 1024 * 1024;
    // Larger bodies go to a temporary file instead of memory.
    uint64_t maxMemoryBody = 1024 * 1024;
    // All bodies held in memory at once, over every connection.
    uint64_t maxMemoryBodies = 64ull * 1024 * 1024;
};

// The memory the bodies of all connections may hold together.
class BodyBudget {
public:
    explicit BodyBudget(uint64_t limit) : limit_(limit) {}
    bool Take(uint64_t n);
    void Give(uint64_t n) { used_ -= n; }
    uint64_t used() const { return used_; }

private:
    const uint64_t limit_;
    std::atomic<uint64_t> used_{0};
};

// Reads one request byte by byte as it arrives: CR is dropped, LF ends a line;
// the request line, then header lines up to an empty one, then a body of
// Content-Length bytes. Bytes beyond the body are ignored.
class RequestReader {
public:
    enum State { kRequestLine = 0, kHeaders = 1, kBody = 2, kComplete = 4, kTooLarge = 5 };

    explicit RequestReader(RequestLimits limits = {}, std::shared_ptr<BodyBudget> budget = nullptr)
        : limits_(limits), budget_(std::move(budget)) {}
    ~RequestReader();
    RequestReader(const RequestReader&) = delete;
    RequestReader& operator=(const RequestReader&) = delete;

    // Consumes bytes; returns the state after them. Once complete or too
    // large, further bytes change nothing.
    State Feed(const char* data, size_t size);
    State state() const { return state_; }
    CRequest& request() { return request_; }

private:
    void EndLine();
    void StartBody(uint64_t length);

    RequestLimits limits_;
    std::shared_ptr<BodyBudget> budget_;
    uint64_t reserved_ = 0;   // taken from budget_ for this body
    uint64_t bodyBytes_ = 0;  // received so far, in memory or on file
    State state_ = kRequestLine;
    CRequest request_;
    std::string line_;
    size_t headerBytes_ = 0;
    size_t headerLines_ = 0;
};

}  // namespace sky::httpsvr
