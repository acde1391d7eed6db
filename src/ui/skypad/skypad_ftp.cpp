// Putting a file fetched from an FTP server back when it is saved.
#include <memory>

#include "core/ftp/ftp_client.h"
#include "ui/base/messages.h"
#include "ui/base/ui_job.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/skypad/skypad_ftp_origin.h"

namespace sky::ui {

namespace {

struct PutBackState {
    ftp::FtpResult result;
    ftp::FtpEntry remote;
};

}  // namespace

void CSkyPadFrame::PutBack() {
    if (job_->busy()) {
        ShowStatus(tr("Not put back: the last save is still being put back."));
        return;
    }
    const FtpOrigin origin = *ftp_;
    const std::string local = doc_.path().toStdString();
    const QString where = QString::fromStdString(ftp::SiteUrl(origin.site, origin.remotePath));
    auto state = std::make_shared<PutBackState>();

    auto put = [this, origin, local, where, state] {
        ShowStatus(tr("Putting back %1...").arg(where));
        job_->Start([origin, local, state](std::stop_token stop, const UiJob::Post&) {
            ftp::FtpClient client(origin.site);
            std::stop_callback cancel(stop, [&client] { client.Cancel(); });
            state->result = client.Put(local, origin.remotePath);
            if (state->result.ok && !client.Stat(origin.remotePath, &state->remote).ok) state->remote = {};
            return 0;
        });
        connect(
            job_, &UiJob::finished, this,
            [this, where, state](int) {
                if (!state->result.ok) {
                    ShowStatus(tr("Not put back: %1").arg(QString::fromStdString(state->result.error)));
                    return;
                }
                // The next save compares with the file as we left it.
                if (ftp_) {
                    ftp_->size = state->remote.size;
                    ftp_->modified = state->remote.modified;
                }
                ShowStatus(tr("Put back to %1").arg(where));
            },
            Qt::SingleShotConnection);
    };

    ShowStatus(tr("Checking %1...").arg(where));
    job_->Start([origin, state](std::stop_token stop, const UiJob::Post&) {
        ftp::FtpClient client(origin.site);
        std::stop_callback cancel(stop, [&client] { client.Cancel(); });
        state->result = client.Stat(origin.remotePath, &state->remote);
        return 0;
    });
    connect(
        job_, &UiJob::finished, this,
        [this, origin, where, state, put](int) {
            if (job_->cancelled()) return;
            if (!state->result.ok) {
                ShowStatus(tr("Not put back: %1").arg(QString::fromStdString(state->result.error)));
                return;
            }
            const bool changed =
                state->remote.size != origin.size || (origin.modified != 0 && state->remote.modified != 0 &&
                                                      state->remote.modified != origin.modified);
            if (changed &&
                !AskYesNo(
                    this,
                    tr("%1 has changed on the server since it was fetched.\n\nOverwrite it?").arg(where),
                    QStringLiteral("SkyPad"))) {
                ShowStatus(tr("Not put back: the file changed on the server."));
                return;
            }
            put();
        },
        Qt::SingleShotConnection);
}

}  // namespace sky::ui
