#include "support/inherited_fds.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

extern char** environ;

namespace sky::test {

std::set<unsigned long> SocketsOnPort(int port) {
    std::set<unsigned long> inodes;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // the column titles
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
            unsigned long inode = 0;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >>
                inode;
            size_t colon = local.rfind(':');
            if (colon == std::string::npos || inode == 0) continue;
            if (std::strtol(local.c_str() + colon + 1, nullptr, 16) == port) inodes.insert(inode);
        }
    }
    return inodes;
}

std::set<unsigned long> SocketsAChildInherits() {
    std::set<unsigned long> inodes;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return inodes;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    char* argv[] = {const_cast<char*>("ls"), const_cast<char*>("-l"), const_cast<char*>("/proc/self/fd"),
                    nullptr};
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, "ls", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) text.append(buf, size_t(n));
    ::close(out[0]);
    if (rc == 0) ::waitpid(pid, nullptr, 0);
    for (size_t at = text.find("socket:["); at != std::string::npos; at = text.find("socket:[", at + 1))
        inodes.insert(std::strtoul(text.c_str() + at + 8, nullptr, 10));
    return inodes;
}

}  // namespace sky::test
