#include "ui/browser/browser_profile.h"

#include <QtWebEngineCore/qtwebenginecoreglobal.h>
#include <QCoreApplication>
#include <QString>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>

#include "core/base/paths.h"

namespace sky::ui {

QWebEngineProfile* BrowserProfile::Create() {
    auto* profile = new QWebEngineProfile(QStringLiteral("SkyHarbor"));
    QString root = QString::fromStdString(GetDataDir("WebProfile"));
    if (!root.isEmpty()) {
        profile->setPersistentStoragePath(root + QStringLiteral("storage"));
        profile->setCachePath(root + QStringLiteral("cache"));
    }
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    // Local pages (saved pages, the program's own pages) link to the web;
    // without this the engine silently refuses to follow those links.
    profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    return profile;
}

const char* EngineBuildString() {
    return qWebEngineChromiumVersion();
}

void RegisterCommandSchemes() {
    for (const char* name : {"skycommand", "skyidp"}) {
        QWebEngineUrlScheme scheme(name);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
        QWebEngineUrlScheme::registerScheme(scheme);
    }
}

}  // namespace sky::ui
