#include "core/httpsvr/http_request.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/base/paths.h"
#include "core/base/text_util.h"

namespace sky::httpsvr {

namespace {

std::string_view StripLeading(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

std::string_view StripTrailing(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A file no one else can open: made in the private folder and unlinked at once.
int MakeBodyFile() {
    std::string dir = PrivateTempDir();
    if (dir.empty()) return -1;
    std::string path = dir + "bodyXXXXXX";
    int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(path.c_str());
    return fd;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

BodyFile::~BodyFile() {
    if (fd >= 0) ::close(fd);
}

bool BodyBudget::Take(uint64_t n) {
    uint64_t now = used_.load();
    do {
        if (n > limit_ || now > limit_ - n) return false;
    } while (!used_.compare_exchange_weak(now, now + n));
    return true;
}

RequestReader::~RequestReader() {
    if (budget_ && reserved_) budget_->Give(reserved_);
}

std::string CRequest::Header(std::string_view lowerName) const {
    auto it = headers.find(std::string(lowerName));
    return it == headers.end() ? std::string() : it->second;
}

void SetRequestUrl(CRequest& request, std::string_view rawUrl) {
    size_t q = rawUrl.find('?');
    if (q != std::string_view::npos) {
        request.query = std::string(rawUrl.substr(q + 1));
        rawUrl = rawUrl.substr(0, q);
        request.kind = kKindQuery;
    }
    request.url = UrlDecode(rawUrl);
}

RequestReader::State RequestReader::Feed(const char* data, size_t size) {
    for (size_t i = 0; i < size && state_ != kComplete && state_ != kTooLarge; ++i) {
        if (state_ == kBody) {
            size_t want = static_cast<size_t>(request_.contentLength - bodyBytes_);
            size_t take = std::min(want, size - i);
            if (request_.bodyFile) {
                if (!WriteAll(request_.bodyFile->fd, data + i, take)) {
                    state_ = kTooLarge;
                    break;
                }
            } else {
                request_.body.append(data + i, take);
            }
            bodyBytes_ += take;
            i += take - 1;
            if (bodyBytes_ == request_.contentLength) state_ = kComplete;
            continue;
        }
        char c = data[i];
        if (++headerBytes_ > limits_.maxHeaderBytes) {
            state_ = kTooLarge;
            break;
        }
        if (c == '\r') continue;
        if (c == '\n') {
            EndLine();
        } else {
            line_ += c;
        }
    }
    return state_;
}

// Small bodies stay in memory while the budget lasts; the rest go to a file,
// so that slow uploads cannot add up to all the memory there is.
void RequestReader::StartBody(uint64_t length) {
    bool inMemory = length <= limits_.maxMemoryBody;
    if (inMemory && budget_) {
        inMemory = budget_->Take(length);
        if (inMemory) reserved_ = length;
    }
    if (inMemory) {
        request_.body.reserve(static_cast<size_t>(length));
        return;
    }
    int fd = MakeBodyFile();
    if (fd < 0) {
        state_ = kTooLarge;
        return;
    }
    request_.bodyFile = std::make_shared<const BodyFile>(fd);
}

void RequestReader::EndLine() {
    std::string line;
    line.swap(line_);
    if (state_ == kRequestLine) {
        size_t sp = line.find(' ');
        request_.method = line.substr(0, sp);
        std::string_view rest;
        if (sp != std::string::npos) rest = StripLeading(std::string_view(line).substr(sp + 1));
        std::string_view url;
        size_t sp2 = rest.find(' ');
        if (sp2 != std::string_view::npos) {
            url = rest.substr(0, sp2);
            request_.version = std::string(StripLeading(rest.substr(sp2 + 1)));
        } else {
            url = StripTrailing(rest);
        }
        SetRequestUrl(request_, url);
        state_ = kHeaders;
        return;
    }
    // Header lines.
    if (line.empty()) {
        std::string length = request_.Header("content-length");
        if (length.empty()) {
            state_ = kComplete;
            return;
        }
        uint64_t n = 0;
        for (char c : length) {
            if (c < '0' || c > '9') break;
            if (n > limits_.maxBody) break;
            n = n * 10 + static_cast<uint64_t>(c - '0');
        }
        if (n > limits_.maxBody) {
            state_ = kTooLarge;
            return;
        }
        request_.contentLength = n;
        state_ = n == 0 ? kComplete : kBody;
        if (n) StartBody(n);
        return;
    }
    if (++headerLines_ > limits_.maxHeaderLines) {
        state_ = kTooLarge;
        return;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos) return;
    request_.headers[ToLower(std::string_view(line).substr(0, colon))] =
        std::string(StripLeading(std::string_view(line).substr(colon + 1)));
}

}  // namespace sky::httpsvr
