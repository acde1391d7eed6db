#pragma once

#include <string>
#include <string_view>

namespace sky {

// $SKYHARBOR_HOME when set, else $XDG_DATA_HOME/skyharbor (~/.local/share/skyharbor).
std::string DataRoot();

// $SKYHARBOR_HOME/skyharbor.ini when set, else $XDG_CONFIG_HOME/skyharbor/skyharbor.ini.
std::string SettingsPath();

// The folder in which a tool keeps its files ("Art", "Channel Files", "_TEMP",
// ...): the data root joined with `subfolder`, always ending in "/". With
// `create`, missing levels are made. Empty when the folder cannot be made;
// `error` then says why.
std::string GetDataDir(std::string_view subfolder, bool create = true, std::string* error = nullptr);

// A folder only this user can read (mode 0700), made once per process under
// $TMPDIR or /tmp, for scratch files that must never have fixed names in a
// shared folder. Ends in "/". Empty when it cannot be made. Removed with
// everything in it when the process exits normally.
std::string PrivateTempDir();

// Joins two path pieces with exactly one "/" between them.
std::string JoinPath(std::string_view a, std::string_view b);

}  // namespace sky
