#include "ui/comments/comments_tool.h"

#include <QTimer>
#include <QUrl>
#include <memory>

#include "core/app/comment_requests.h"
#include "ui/app/app_context.h"
#include "ui/base/frame_host.h"
#include "ui/base/messages.h"
#include "ui/base/tool_registry.h"
#include "ui/comments/comment_dialogs.h"
#include "ui/service/member_session.h"

namespace sky::ui {

namespace {

// Who a topic or comment is from: the member when logged in.
QString PostingName(AppContext& context) {
    MemberSession& session = context.session();
    if (session.loggedIn() && !session.account().isEmpty()) return session.account();
    return QStringLiteral("guest");
}

void RunCommentDialog(AppContext& context, CommentCommand command,
                      const ToolRegistry::NavigateCarrier& navigate) {
    QWidget* parent = context.frame() ? context.frame()->window() : nullptr;
    const std::string& host = context.hosts().comments;
    std::string request;
    if (command.kind == CommentCommand::AddTopic) {
        AddTopicDialog d(host, command.number, PostingName(context), parent);
        if (ExecDialog(d) != QDialog::Accepted) return;
        request = d.request();
    } else {
        AddCommentDialog d(host, command.number, PostingName(context), parent);
        if (ExecDialog(d) != QDialog::Accepted) return;
        request = d.request();
    }
    // Already percent-encoded: taken as it is.
    navigate(QUrl::fromEncoded(QByteArray::fromStdString(request)));
}

}  // namespace

void RegisterCommentsTool(ToolRegistry& registry, AppContext& context) {
    AppContext* ctx = &context;
    registry.ClaimOtherLinkWords([ctx](const QString& word, ToolRegistry::NavigateCarrier navigate) {
        auto command = ParseCommentWord(word.toStdString());
        if (!command) return false;
        // After the navigation event returns, as a posted command would.
        QTimer::singleShot(0, &ctx->registry(),
                           [ctx, c = *command, navigate] { RunCommentDialog(*ctx, c, navigate); });
        return true;
    });
}

}  // namespace sky::ui
