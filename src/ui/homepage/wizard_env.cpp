#include "ui/homepage/wizard_env.h"

#include "core/base/service_config.h"
#include "ui/base/messages.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

QString WizardAddress(const std::string& webHost) {
    return QString::fromStdString(ServiceUrl(webHost, "/wiz/"));
}

int UploadToWebSpace(QWidget* parent, const WizardEnv& env, const QString& local, const QString& remote) {
    if (!env.loggedIn || !env.loggedIn() || !env.target) {
        ShowMessage(parent, QStringLiteral("You must be logged in !"), QStringLiteral("Upload Error"),
                    MessageKind::Warning);
        // The upload is asked again once the member is in.
        if (env.login) env.login();
        return -1;
    }
    webspace::ServerTarget target = env.target();
    std::string l = local.toStdString(), r = remote.toStdString();
    return RunTransfer(parent, QStringLiteral("Posting File(s) to Your Web Space"),
                       [target, l, r](webspace::TransferListener& listener, std::stop_token stop) {
                           return webspace::UploadFile(target, l, r, listener, stop);
                       });
}

}  // namespace sky::ui
