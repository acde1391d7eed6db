#include "ui/webspace/web_space_transfer.h"

#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/base/ui_job.h"
#include "ui/service/member_session.h"
#include "ui/skypad/skypad_frame.h"
#include "ui/webspace/file_manager_window.h"

namespace sky::ui {

namespace {

// Reports of the worker, handed to the window on the UI thread.
class WindowListener : public webspace::TransferListener {
public:
    WindowListener(const UiJob::Post* post, QLabel* line, QProgressBar* bar, QWidget* owner)
        : post_(post), line_(line), bar_(bar), owner_(owner) {}
    void OnStatus(int, const std::string& text) override {
        QPointer<QLabel> line = line_;
        QString t = Q(text);
        (*post_)([line, t] {
            if (line) line->setText(t);
        });
    }
    void OnProgress(uint64_t done, uint64_t total) override {
        QPointer<QProgressBar> bar = bar_;
        (*post_)([bar, done, total] {
            if (!bar || total == 0) return;
            bar->setRange(0, 1000);
            bar->setValue(static_cast<int>(done * 1000 / total));
        });
    }
    void OnMessage(const std::string& text) override {
        QPointer<QWidget> owner = owner_;
        QString t = Q(text);
        (*post_)([owner, t] { ShowMessage(owner, t, QStringLiteral("Web Space"), MessageKind::Warning); });
    }

private:
    const UiJob::Post* post_;
    QPointer<QLabel> line_;
    QPointer<QProgressBar> bar_;
    QPointer<QWidget> owner_;
};

}  // namespace

webspace::ServerTarget MemberTarget(const AppContext& context, bool publicSpace) {
    webspace::ServerTarget t;
    t.host = publicSpace ? context.hosts().publicSpace : context.hosts().web;
    t.account = S(context.session().account());
    t.password = S(context.session().loginPassword());
    return t;
}

int RunTransfer(QWidget* parent, const QString& title, TransferWork work) {
    QDialog window(parent);
    window.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLabel(QStringLiteral("Connecting..."), &window);
    line->setMinimumWidth(360);
    auto* bar = new QProgressBar(&window);
    bar->setRange(0, 0);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &window);
    layout->addWidget(line);
    layout->addWidget(bar);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    UiJob job;
    QEventLoop loop;
    int result = 0;
    QObject::connect(&job, &UiJob::finished, &loop, [&](int r) {
        result = r;
        loop.quit();
    });
    QObject::connect(cancel, &QPushButton::clicked, &job, [&] {
        line->setText(QStringLiteral("*** Cancel in progress ***"));
        job.Cancel();
    });
    window.show();
    job.Start([work, line, bar, &window](std::stop_token stop, const UiJob::Post& post) {
        WindowListener listener(&post, line, bar, &window);
        return work(listener, stop);
    });
    loop.exec();
    return result;
}

void RegisterWebSpaceTool(ToolRegistry& registry, AppContext& context) {
    // One file manager for the run, made when first asked for.
    auto manager = std::make_shared<QPointer<FileManagerWindow>>();
    registry.AddCommand({QStringLiteral("tools.fileManager"),
                         QStringLiteral("&Tools"),
                         QStringLiteral("File &Manager"),
                         {},
                         26},
                        [&context, manager] {
                            if (!*manager) {
                                QWidget* parent = context.frame() ? context.frame()->window() : nullptr;
                                *manager = new FileManagerWindow(context, parent);
                                (*manager)->LoadRemoteList();
                            }
                            (*manager)->show();
                            (*manager)->raise();
                            (*manager)->activateWindow();
                        });
    registry.ClaimLinkWord(LinkCommand::FileManager, QStringLiteral("tools.fileManager"));
    // The member's web space is managed in the same window.
    registry.AddCommand(
        {QStringLiteral("tools.webSpace"), QStringLiteral("&Tools"), QStringLiteral("Web &Space"), {}, 22},
        [&registry] { registry.Invoke(QStringLiteral("tools.fileManager")); });
    // Every SkyPad window uploads to the member's web space.
    QObject::connect(
        &registry, &ToolRegistry::windowOpened, &registry,
        [&context](TemplateId id, QMdiSubWindow* sub, const QString&) {
            auto* pad =
                id == TemplateId::SkyPad && sub ? qobject_cast<CSkyPadFrame*>(sub->widget()) : nullptr;
            if (!pad) return;
            QPointer<CSkyPadFrame> owner = pad;
            pad->upload = [&context, owner](const QString& local, const QString& remote) {
                if (!context.session().loggedIn()) {
                    ShowMessage(owner,
                                QStringLiteral("You must be logged in to upload files to your web space."),
                                QStringLiteral("Upload Error"), MessageKind::Warning);
                    return;
                }
                webspace::ServerTarget target = MemberTarget(context);
                std::string l = S(local), r = S(remote);
                int result =
                    RunTransfer(owner, QStringLiteral("Upload"),
                                [target, l, r](webspace::TransferListener& listener, std::stop_token stop) {
                                    return webspace::UploadFile(target, l, r, listener, stop);
                                });
                ShowMessage(owner,
                            result == 0 ? QStringLiteral("%1 is in your web space.").arg(remote)
                                        : QStringLiteral("Upload Error [%1]").arg(result),
                            QStringLiteral("Upload"));
            };
        });
}

}  // namespace sky::ui
