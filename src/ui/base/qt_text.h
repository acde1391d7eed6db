#pragma once

#include <QString>
#include <string>

namespace sky::ui {

// Core strings are UTF-8.
inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace sky::ui
