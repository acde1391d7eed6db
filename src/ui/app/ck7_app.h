#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

class QSplashScreen;

namespace sky::member {
class MemberService;
}

namespace sky::ui {

class AppContext;
class CMainFrame;
class DefaultBrowser;
class SingleInstance;

// Everything between process start and the first main window, and the last
// steps at exit.
class CK7App : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool splash = true;
        // Null: the desktop's own (xdg-settings).
        DefaultBrowser* defaultBrowser = nullptr;
    };

    CK7App(const QStringList& arguments, Options options);
    ~CK7App() override;

    // The start-up steps in order. False when this copy ends here: another
    // copy took the command line (exitCode 0), or the start failed.
    bool InitInstance();
    int exitCode() const { return exitCode_; }
    // The last steps; call after the event loop ends.
    void ExitInstance();

    CMainFrame* frame() const { return frame_.get(); }
    // The long-lived services and the tools; null before InitInstance.
    AppContext* context() const { return context_.get(); }
    // The member service inside this process, when the settings ask for it.
    member::MemberService* embeddedService() const;
    // The file named on the command line, if any.
    QString commandLineFile() const { return file_; }

    // The first positional argument, made absolute when it names a file here.
    static QString FileFromArguments(const QStringList& arguments);

private:
    void ShowSplash();
    void RegisterTools(DefaultBrowser* browser);
    void OnActivationRequested(const QString& file);

    QStringList arguments_;
    Options options_;
    QString file_;
    int exitCode_ = 0;
    std::unique_ptr<DefaultBrowser> ownDefaultBrowser_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<AppContext> context_;
    std::unique_ptr<CMainFrame> frame_;
    QSplashScreen* splash_ = nullptr;
};

}  // namespace sky::ui
