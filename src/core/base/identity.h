#pragma once

#include <string>

namespace sky {

// The host name of this machine.
std::string ComputerName();

// The first up, non-loopback IPv4 address in dotted form; empty when none.
std::string FirstIPv4Address();

// The machine identity sent as the sender name of a call: the chat nickname,
// or else the computer name, a dot and the first IPv4 address ("Unknown."
// standing for the address when there is none).
std::string MachineIdentity(const std::string& nickname);

}  // namespace sky
