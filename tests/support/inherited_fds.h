#pragma once

#include <set>

namespace sky::test {

// Inodes of this machine's TCP sockets whose local port is `port`: a
// listener and the connections it accepted (once accepted).
std::set<unsigned long> SocketsOnPort(int port);

// Inodes of the sockets a program started now with posix_spawn (as CGI
// programs and helpers are started) finds open.
std::set<unsigned long> SocketsAChildInherits();

}  // namespace sky::test
