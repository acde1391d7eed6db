#pragma once

#include <mutex>

namespace sky {

// The UUDeview library keeps global state: every use, from UUInitialize to
// UUCleanUp, holds this lock.
std::mutex& UuMutex();

// UUInitialize with the library's messages kept off the terminal.
int UuInitializeQuiet();

}  // namespace sky
