#include "ui/app/lock_keys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace sky::ui {

LockKeys QueryLockKeys() {
    LockKeys keys;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display()) return keys;
    unsigned int state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != Success) return keys;
    keys.known = true;
    keys.caps = state & 0x1;
    keys.num = state & 0x2;
    keys.scroll = state & 0x4;
    return keys;
}

}  // namespace sky::ui
