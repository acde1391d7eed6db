#include "ui/app/default_browser.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "core/base/atomic_file.h"
#include "core/base/settings_store.h"
#include "ui/app/desktop_entry.h"
#include "ui/base/messages.h"

namespace sky::ui {

namespace {

struct XdgRun {
    bool ran = false;  // started and ended by itself
    int exitCode = -1;
    QString out, err;  // trimmed
};

XdgRun RunXdgSettings(const QStringList& args) {
    XdgRun run;
    QString exe = QStandardPaths::findExecutable(QStringLiteral("xdg-settings"));
    if (exe.isEmpty()) {
        run.err = QStringLiteral("xdg-settings is not installed (package xdg-utils).");
        return run;
    }
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
        run.err = QStringLiteral("xdg-settings did not answer.");
        return run;
    }
    run.ran = p.exitStatus() == QProcess::NormalExit;
    run.exitCode = p.exitCode();
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    run.err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return run;
}

// xdg-settings' own words for its exit codes.
QString ExitMeaning(int code) {
    switch (code) {
        case 1:
            return QStringLiteral("error in command line syntax");
        case 2:
            return QStringLiteral("a file it was given does not exist");
        case 3:
            return QStringLiteral("a required tool could not be found");
        case 4:
            return QStringLiteral("the action failed");
        default:
            return QStringLiteral("exit code %1").arg(code);
    }
}

DefaultBrowserPrompt& Prompt() {
    static DefaultBrowserPrompt prompt;
    return prompt;
}

bool AskToBecomeDefault(QWidget* parent, bool* dontAsk) {
    if (Prompt()) return Prompt()(parent, dontAsk);
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Default Browser"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(QStringLiteral("SkyHarbor is not your default browser.\n\n"
                                           "Do you want SkyHarbor to open web pages and links from "
                                           "other programs?"),
                            &dialog);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* box = new QCheckBox(QStringLiteral("Do not ask me again"), &dialog);
    box->setChecked(*dontAsk);
    layout->addWidget(box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    *dontAsk = box->isChecked();
    return true;
}

}  // namespace

void SetDefaultBrowserPrompt(DefaultBrowserPrompt prompt) {
    Prompt() = std::move(prompt);
}

std::optional<bool> XdgDefaultBrowser::IsDefault() {
    XdgRun run = RunXdgSettings({QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!run.ran || run.exitCode != 0) return std::nullopt;
    // Exactly our entry; another spelling is another program.
    return run.out == QLatin1String(kDesktopFile);
}

bool XdgDefaultBrowser::InstallDesktopFile(QString* error) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                  QStringLiteral("/applications");
    if (!QDir().mkpath(dir)) {
        if (error) *error = QStringLiteral("Cannot create %1").arg(dir);
        return false;
    }
    QString exe = QCoreApplication::applicationFilePath();
    QString entry = QString::fromUtf8(kDesktopEntryTemplate).arg(exe);
    std::string err;
    if (!WriteFileAtomically((dir + QLatin1Char('/') + QLatin1String(kDesktopFile)).toStdString(),
                             entry.toStdString(), &err)) {
        if (error) *error = QString::fromStdString(err);
        return false;
    }
    return true;
}

bool XdgDefaultBrowser::MakeDefault(QString* error) {
    if (!InstallDesktopFile(error)) return false;
    XdgRun set = RunXdgSettings(
        {QStringLiteral("set"), QStringLiteral("default-web-browser"), QLatin1String(kDesktopFile)});
    // Its exit code is not the last word: on a desktop whose own tool is missing it fails
    // after writing the default the desktop reads back. What it reads back is.
    XdgRun check = RunXdgSettings({QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (check.ran && check.exitCode == 0 && check.out == QLatin1String(kDesktopFile)) return true;
    if (error) {
        if (!set.ran)
            *error = set.err;
        else if (set.exitCode != 0)
            *error = QStringLiteral("xdg-settings: %1.").arg(ExitMeaning(set.exitCode));
        else
            *error = QStringLiteral(
                "xdg-settings accepted the change, but the desktop still names another "
                "browser.");
        for (const QString& said : {set.out, set.err, check.err})
            if (set.ran && !said.isEmpty()) *error += QStringLiteral("\n\n") + said;
    }
    return false;
}

void RunDefaultBrowserCheck(QWidget* parent, SettingsStore& settings, DefaultBrowser& browser, bool startup) {
    // Told not to ask, a start-up check ends silently either way: skip asking the desktop.
    if (startup && settings.GetInt("misc", "PromptForDefBrowser", 0) != 0) return;
    std::optional<bool> isDefault = browser.IsDefault();
    if (isDefault == true) {
        if (!startup) ShowMessage(parent, QStringLiteral("SkyHarbor is already your default browser"));
        return;
    }
    if (startup) {
        // A desktop that cannot say is not asked to change either.
        if (!isDefault.has_value()) return;
        bool dontAsk = false;
        if (!AskToBecomeDefault(parent, &dontAsk)) return;
        settings.WriteInt("misc", "PromptForDefBrowser", dontAsk ? 1 : 0);
    }
    QString error;
    if (browser.MakeDefault(&error))
        ShowMessage(parent, QStringLiteral("SkyHarbor is now your default Browser"));
    else
        ShowMessage(parent, QStringLiteral("SkyHarbor could not become your default browser.\n\n") + error,
                    QStringLiteral("SkyHarbor"), MessageKind::Warning);
}

}  // namespace sky::ui
