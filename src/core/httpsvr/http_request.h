#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace sky::httpsvr {

// What a request may be: an ordinary one, one whose URL carried a query, a
// CGI program, a server extension library.
enum RequestKind { kKindPlain = 0, kKindQuery = 1, kKindCgi = 2, kKindExtension = 4 };

// One request while it is answered.
struct CRequest {
    std::string clientAddress;                   // peer address, dotted
    std::string method;                          // first word of the request line
    std::string url;                             // query removed, escapes decoded
    std::string version;                         // may be empty
    std::map<std::string, std::string> headers;  // lower-case name -> value
    std::string body;                            // exactly contentLength bytes
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
std::string UrlDecode(std::string_view in, bool plusAsSpace = false);

// Splits a raw URL at its first "?" into the request's url (decoded), query and kind.
void SetRequestUrl(CRequest& request, std::string_view rawUrl);

// Bounds on what one request may make the server hold.
struct RequestLimits {
    size_t maxHeaderBytes = 64 * 1024;  // request line and header lines together
    size_t maxHeaderLines = 100;
    uint64_t maxBody = 64ull * 1024 * 1024;
};

// Reads one request byte by byte as it arrives: CR is dropped, LF ends a line;
// the request line, then header lines up to an empty one, then a body of
// Content-Length bytes. Bytes beyond the body are ignored.
class RequestReader {
public:
    enum State { kRequestLine = 0, kHeaders = 1, kBody = 2, kComplete = 4, kTooLarge = 5 };

    explicit RequestReader(RequestLimits limits = {}) : limits_(limits) {}

    // Consumes bytes; returns the state after them. Once complete or too
    // large, further bytes change nothing.
    State Feed(const char* data, size_t size);
    State state() const { return state_; }
    CRequest& request() { return request_; }

private:
    void EndLine();

    RequestLimits limits_;
    State state_ = kRequestLine;
    CRequest request_;
    std::string line_;
    size_t headerBytes_ = 0;
    size_t headerLines_ = 0;
};

}  // namespace sky::httpsvr
