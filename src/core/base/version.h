#pragma once

namespace sky {

inline constexpr const char kProgramName[] = "SkyHarbor";
// Shown after the name in the title and sent to the service as the version.
inline constexpr const char kVersionString[] = " (1.5 G)";
// The window class name; the single-instance socket is named after it.
inline constexpr const char kWindowClassName[] = "SkyHarborSpecialClass";

}  // namespace sky
