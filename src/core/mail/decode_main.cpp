// skyharbor-decode MESSAGE WORKFOLDER: splits one stored message into the
// work folder and writes what it found to descriptor 3, for DecodeMessage.
#include <cstdio>

#include "core/mail/message_render.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: skyharbor-decode MESSAGE WORKFOLDER\n");
        return 2;
    }
    return sky::WriteDecodedMessage(sky::kDecodeResultFd, argv[1], argv[2]) ? 0 : 1;
}
