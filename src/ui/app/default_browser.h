#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace sky {
class SettingsStore;
}

namespace sky::ui {

// Whether SkyHarbor is the desktop's web browser, and making it so.
class DefaultBrowser {
public:
    virtual ~DefaultBrowser() = default;
    // nullopt when the desktop cannot say.
    virtual std::optional<bool> IsDefault() = 0;
    virtual bool MakeDefault(QString* error) = 0;
};

// Through xdg-settings and an installed "skyharbor.desktop".
class XdgDefaultBrowser : public DefaultBrowser {
public:
    static constexpr const char* kDesktopFile = "skyharbor.desktop";
    std::optional<bool> IsDefault() override;
    bool MakeDefault(QString* error) override;
    // Writes the desktop entry under $XDG_DATA_HOME/applications.
    static bool InstallDesktopFile(QString* error);
};

// The default-browser check, at start-up (quiet unless it asks) or on demand;
// the "do not ask again" choice lives in `settings`.
void RunDefaultBrowserCheck(QWidget* parent, SettingsStore& settings, DefaultBrowser& browser, bool startup);

// The start-up question; returns true for OK, with the "do not ask again" box
// in `dontAsk` (loaded before, saved after). Replaceable for tests.
using DefaultBrowserPrompt = std::function<bool(QWidget* parent, bool* dontAsk)>;
void SetDefaultBrowserPrompt(DefaultBrowserPrompt prompt);

}  // namespace sky::ui
