#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace sky::ui {

// Core text is UTF-8 in std::string; these cross to and from Qt.
inline QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
    return s.toStdString();
}

// File names cross in the file system's own encoding, so a name that is not
// valid UTF-8 still opens the same file.
inline QString QPath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}
inline std::string SPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace sky::ui
