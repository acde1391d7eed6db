#include "core/base/log.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

#include "core/base/text_util.h"

namespace sky {

namespace {

constexpr const char* kLevelNames[] = {"debug", "info", "warn", "error", "off"};

std::mutex& LogMutex() {
    static std::mutex m;
    return m;
}

// The log file stays open while SKYHARBOR_LOG names the same file.
struct LogFile {
    std::string path;
    int fd = -1;
};

LogFile& File() {
    static LogFile f;
    return f;
}

void WriteAll(int fd, const std::string& line) {
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

std::string Stamp() {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    tm local{};
    ::localtime_r(&tv.tv_sec, &local);
    char buf[40];
    size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(tv.tv_usec / 1000));
    return buf;
}

}  // namespace

LogLevel LogThreshold() {
    const char* v = std::getenv("SKYHARBOR_LOG_LEVEL");
    if (!v) return LogLevel::Info;
    for (int i = 0; i <= static_cast<int>(LogLevel::Off); ++i)
        if (EqualsNoCase(v, kLevelNames[i])) return static_cast<LogLevel>(i);
    return LogLevel::Info;
}

void Log(LogLevel level, std::string_view area, std::string_view message) {
    if (level >= LogLevel::Off || level < LogThreshold()) return;
    std::string line = Stamp() + " " + kLevelNames[static_cast<int>(level)] + " " + std::string(area) + ": ";
    // One message is one line, whatever it carries.
    for (char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';

    std::lock_guard lock(LogMutex());
    WriteAll(2, line);
    const char* path = std::getenv("SKYHARBOR_LOG");
    LogFile& f = File();
    if (!path || !*path) return;
    if (f.fd < 0 || f.path != path) {
        if (f.fd >= 0) ::close(f.fd);
        f.path = path;
        f.fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    }
    if (f.fd >= 0) WriteAll(f.fd, line);
}

}  // namespace sky
