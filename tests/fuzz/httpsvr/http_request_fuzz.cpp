#include <cstddef>
#include <cstdint>
#include <string>

#include "core/httpsvr/http_request.h"
#include "core/httpsvr/status.h"

// The first byte picks the piece size, so requests split across reads are tried too.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t piece = data[0] % 16 + 1;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    size_t n = size - 1;
    sky::httpsvr::RequestLimits limits;
    limits.maxHeaderBytes = 4096;
    limits.maxHeaderLines = 20;
    limits.maxBody = 8192;
    sky::httpsvr::RequestReader reader(limits);
    for (size_t at = 0; at < n; at += piece) reader.Feed(bytes + at, std::min(piece, n - at));
    const auto& request = reader.request();
    if (request.body.size() > limits.maxBody || request.headers.size() > limits.maxHeaderLines)
        __builtin_trap();
    sky::httpsvr::UrlDecode(request.query, true);
    sky::httpsvr::ParseHttpDate(request.Header("if-modified-since"));
    return 0;
}
