#include "ui/base/tool_registry.h"

#include <QAction>
#include <QByteArray>

namespace sky::ui {

ToolRegistry::ToolRegistry(QObject* parent) : QObject(parent) {}

ToolRegistry::~ToolRegistry() = default;

void ToolRegistry::AddWindow(TemplateId id, std::function<QWidget*()> factory) {
    templates_.at(id).makeView = std::move(factory);
}

QAction* ToolRegistry::AddCommand(const CommandSpec& spec, Run run) {
    if (QAction* existing = action(spec.id)) return existing;
    auto* a = new QAction(spec.text.isEmpty() ? spec.toolbarText : spec.text, this);
    a->setObjectName(spec.id);
    if (!spec.key.isEmpty()) a->setShortcut(spec.key);
    QString id = spec.id;
    connect(a, &QAction::triggered, this, [this, id] { RunCommand(id, {}); });
    specs_.push_back(spec);
    actions_[spec.id] = a;
    runs_[spec.id] = std::move(run);
    return a;
}

QAction* ToolRegistry::AddCommand(const CommandSpec& spec, std::function<void()> run) {
    return AddCommand(spec, Run([run = std::move(run)](const QString&) { run(); }));
}

QAction* ToolRegistry::action(const QString& id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool ToolRegistry::Invoke(const QString& id, const QString& argument) const {
    // Without an argument through the action, so every way in is the same one.
    if (argument.isEmpty())
        if (QAction* a = action(id)) {
            a->trigger();
            return true;
        }
    return RunCommand(id, argument);
}

bool ToolRegistry::RunCommand(const QString& id, const QString& argument) const {
    auto it = runs_.find(id);
    if (it == runs_.end() || !it->second) return false;
    // A copy: the command may replace registrations while it runs.
    Run run = it->second;
    run(argument);
    return true;
}

void ToolRegistry::ClaimLinkWord(LinkCommand word, const QString& id) {
    links_[word] = id;
}

QString ToolRegistry::CommandOfLink(LinkCommand word) const {
    auto it = links_.find(word);
    return it == links_.end() ? QString() : it->second;
}

bool ToolRegistry::InvokeLink(LinkCommand word, int page) const {
    QString id = CommandOfLink(word);
    return !id.isEmpty() && Invoke(id, page ? QString::number(page) : QString());
}

void ToolRegistry::ClaimOtherLinkWords(OtherLinkWordClaim claim) {
    otherLinkWords_.push_back(std::move(claim));
}

bool ToolRegistry::OfferOtherLinkWord(const QString& word, const NavigateCarrier& navigateCarrier) const {
    for (const OtherLinkWordClaim& claim : otherLinkWords_)
        if (claim(word, navigateCarrier)) return true;
    return false;
}

void ToolRegistry::ClaimTypedAction(TypedAction action, TypedHandler handler) {
    typed_[action] = std::move(handler);
}

void ToolRegistry::HandleAddress(const QString& text, bool useMainBrowser, const std::string& webHost) const {
    if (text.trimmed().isEmpty()) return;
    TypedCommand c = ParseTypedAddress(text.toStdString(), webHost);
    if (c.action != TypedAction::Navigate) {
        auto it = typed_.find(c.action);
        if (it != typed_.end() && it->second) {
            TypedHandler handler = it->second;
            handler(c);
        }
        return;
    }
    if (navigator_) navigator_(QString::fromStdString(c.address), useMainBrowser);
}

void ToolRegistry::ClaimRemoteCommand(int type, RemoteHandler handler) {
    remote_[type] = std::move(handler);
}

bool ToolRegistry::DispatchRemoteCommand(int type, const QByteArray& record,
                                         const QString& peerAddress) const {
    auto it = remote_.find(type);
    if (it == remote_.end() || !it->second) it = remote_.find(kOtherRemoteCommands);
    if (it == remote_.end() || !it->second) return false;
    it->second(record, peerAddress);
    return true;
}

void ToolRegistry::AddSettingsSaver(std::function<void()> save) {
    savers_.push_back(std::move(save));
}

void ToolRegistry::SaveSettings() const {
    for (const auto& save : savers_) save();
}

void ToolRegistry::AddStartStep(int order, std::function<void(const QString& file)> step) {
    startSteps_.emplace(order, std::move(step));
}

void ToolRegistry::RunStartSteps(const QString& file) const {
    for (const auto& [order, step] : startSteps_) step(file);
}

}  // namespace sky::ui
