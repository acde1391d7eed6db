#pragma once

#include <optional>
#include <string>

namespace sky::cli {

// A password the SkyHarbor window kept in the desktop keyring under `key`
// (the same entries its keychain library writes), or nothing when there is
// no such entry or no keyring answers.
std::optional<std::string> KeyringPassword(const std::string& key);

}  // namespace sky::cli
