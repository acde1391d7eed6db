#include "core/mail/uu_lock.h"

#include <uudeview.h>

namespace sky {

std::mutex& UuMutex() {
    static std::mutex m;
    return m;
}

namespace {
void IgnoreMessage(void*, char*, int) {}
}  // namespace

int UuInitializeQuiet() {
    int rc = UUInitialize();
    UUSetMsgCallback(nullptr, &IgnoreMessage);
    return rc;
}

}  // namespace sky
