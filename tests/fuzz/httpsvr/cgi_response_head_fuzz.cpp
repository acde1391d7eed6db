#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/httpsvr/cgi.h"

// A program's output, as the server reads it back from the output file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int fd = ::memfd_create("cgi-output", MFD_CLOEXEC);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    uint64_t bodyOffset = 0, outputSize = 0;
    std::string head = sky::httpsvr::CgiResponseHead(fd, &bodyOffset, &outputSize);
    if (outputSize != size || bodyOffset > outputSize) __builtin_trap();
    if (head.rfind("HTTP/1.0 ", 0) != 0 || head.size() < 4 ||
        head.compare(head.size() - 4, 4, "\r\n\r\n") != 0)
        __builtin_trap();
    // The program cannot split the answer: every line break is the server's CR LF,
    // and the head ends at its first empty line.
    for (size_t i = 0; i < head.size(); ++i) {
        if (head[i] == '\n' && (i == 0 || head[i - 1] != '\r')) __builtin_trap();
        if (head[i] == '\r' && (i + 1 >= head.size() || head[i + 1] != '\n')) __builtin_trap();
    }
    if (head.find("\r\n\r\n") != head.size() - 4) __builtin_trap();
    return 0;
}
