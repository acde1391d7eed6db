#include "ui/homepage/page_edit_tool.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>

#include "core/app/typed_commands.h"
#include "core/base/paths.h"
#include "core/base/service_config.h"
#include "core/webspace/web_space_client.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/text.h"
#include "ui/base/tool_registry.h"
#include "ui/homepage/page_edit_frame.h"
#include "ui/homepage/page_edit_pickers.h"
#include "ui/service/member_session.h"
#include "ui/webspace/web_space_transfer.h"

namespace sky::ui {

namespace {

// A fetched template never replaces a page the member already has.
QString FreePagePath(const QString& name) {
    const QString dir = QPath(GetDataDir("Pages"));
    const QFileInfo info(name.isEmpty() ? QStringLiteral("index.htm") : name);
    QString path = dir + info.fileName();
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir + QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(info.suffix());
    return path;
}

}  // namespace

CPageEditFrame* OpenPageEditor(AppContext& context, const QString& path, const QString& account,
                               const QString& password, const QString& remote) {
    FrameHost* frame = context.frame();
    if (!frame) return nullptr;
    QMdiSubWindow* sub = frame->OpenDocument(TemplateId::PageEdit, remote);
    auto* editor = sub ? qobject_cast<CPageEditFrame*>(sub->widget()) : nullptr;
    if (!editor) return nullptr;
    editor->Open(path, account, password, remote);
    return editor;
}

void ChooseTemplate(AppContext& context) {
    QWidget* parent = context.frame() ? context.frame()->window() : nullptr;
    const QUrl list(Q(ServiceUrl(context.hosts().web, "/~wiztemplates/base.htm")));
    ServicePickerDialog chooser(context.browserProfile(), list, QStringLiteral("select"),
                                QStringLiteral("Choose a Template"), parent);
    if (ExecDialog(chooser) != QDialog::Accepted) return;
    const QUrl address = TemplateAddress(chooser.picked(), list);
    if (!address.isValid()) return;
    const QString local = FreePagePath(address.fileName());
    const std::string url = S(address.toString(QUrl::FullyEncoded)), path = SPath(local);
    const int result = RunTransfer(parent, QStringLiteral("Obtaining file from server"),
                                   [url, path](webspace::TransferListener& listener, std::stop_token stop) {
                                       return webspace::DownloadFile(url, path, listener, stop);
                                   });
    if (result != 0) return;
    MemberSession& session = context.session();
    OpenPageEditor(context, local, session.account(), session.loginPassword(), QStringLiteral("index.htm"));
}

void RegisterPageEditCommands(ToolRegistry& registry, AppContext& context) {
    AppContext* ctx = &context;
    registry.AddWindow(TemplateId::PageEdit,
                       [ctx] { return static_cast<QWidget*>(new CPageEditFrame(*ctx)); });
    registry.AddCommand({QStringLiteral("tools.pageEditor"),
                         QStringLiteral("&Tools"),
                         QStringLiteral("&Page Editor"),
                         {},
                         23},
                        [ctx] { ChooseTemplate(*ctx); });
    registry.ClaimTypedAction(TypedAction::PageEdit, [ctx](const TypedCommand&) { ChooseTemplate(*ctx); });
    // A page made by a wizard or fetched by the file manager: "path\nremote name".
    registry.AddCommand(CommandSpec(QStringLiteral("homepage.editPage")), [ctx](const QString& argument) {
        const qsizetype cut = argument.indexOf(QLatin1Char('\n'));
        const QString path = cut < 0 ? argument : argument.left(cut);
        const QString remote = cut < 0 ? QStringLiteral("index.htm") : argument.mid(cut + 1);
        if (path.isEmpty()) return;
        MemberSession& session = ctx->session();
        OpenPageEditor(*ctx, path, session.account(), session.loginPassword(), remote);
    });
}

}  // namespace sky::ui
