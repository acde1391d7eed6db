#pragma once

namespace sky::ui {

struct LockKeys {
    bool known = false;  // false where the display cannot say
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// The keyboard's lock indicators (X11 only; other displays give `known` false).
LockKeys QueryLockKeys();

}  // namespace sky::ui
