#pragma once

#include <QString>
#include <QUrl>

#include "support/sandbox.h"

namespace sky::test {

// A small page in the sandbox titled after its file name; returns its URL.
inline QUrl WriteLocalPage(const Sandbox& sandbox, const char* name, const QString& body) {
    std::string path = sandbox.path(name);
    WriteFile(path, ("<html><head><title>" + QString::fromLatin1(name) + "</title></head><body>" + body +
                     "</body></html>")
                        .toStdString());
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

}  // namespace sky::test
