#pragma once

#include <string_view>

namespace sky {

enum class LogLevel { Debug, Info, Warn, Error, Off };

// One line to stderr and, when SKYHARBOR_LOG names a file, appended there:
// "2024-05-01 12:00:00.123 warn settings: cannot replace ...". Lines below the
// level given by SKYHARBOR_LOG_LEVEL (debug, info, warn, error, off; default
// info) are dropped. Safe from any thread; each line is one write, so lines of
// the program and skyharbor-cli sharing a log never interleave.
void Log(LogLevel level, std::string_view area, std::string_view message);

inline void LogDebug(std::string_view area, std::string_view message) {
    Log(LogLevel::Debug, area, message);
}
inline void LogInfo(std::string_view area, std::string_view message) {
    Log(LogLevel::Info, area, message);
}
inline void LogWarn(std::string_view area, std::string_view message) {
    Log(LogLevel::Warn, area, message);
}
inline void LogError(std::string_view area, std::string_view message) {
    Log(LogLevel::Error, area, message);
}

// The level below which lines are dropped, as SKYHARBOR_LOG_LEVEL says now.
LogLevel LogThreshold();

}  // namespace sky
