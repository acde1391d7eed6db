#pragma once

#include <QString>
#include <functional>
#include <string>

#include "core/webspace/web_space_client.h"

class QWebEngineProfile;
class QWidget;

namespace sky::ui {

// What the home page wizards need of the running program; the tool fills it
// from the app context, tests from their own service.
struct WizardEnv {
    std::string webHost;  // the member service's "host[:port]"
    QString account;
    QWebEngineProfile* profile = nullptr;  // for the picker and preview pages
    std::function<bool()> loggedIn;
    // The session's login dialog, offered after a refused upload.
    std::function<void()> login;
    std::function<webspace::ServerTarget()> target;
    // Opens a page file in the page editor with its remote name.
    std::function<void(const QString& path, const QString& remote)> openInEditor;
};

// The wizard address: the service's web host followed by "/wiz/".
QString WizardAddress(const std::string& webHost);

// Uploads one file to the member's web space as the file manager does (with
// its login check); the transfer's result, 0 when the file arrived.
int UploadToWebSpace(QWidget* parent, const WizardEnv& env, const QString& local, const QString& remote);

}  // namespace sky::ui
