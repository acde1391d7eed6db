#pragma once

class QWebEngineProfile;

namespace sky::ui {

// The persistent engine profile every browser view shares (Qt's default
// profile keeps nothing), stored under the data root. One at a time: the
// caller (the app context) owns it and deletes it, after every page and
// before the application object goes away.
class BrowserProfile {
public:
    static QWebEngineProfile* Create();
};

// The engine's build string, sent to the service and shown to chat partners.
const char* EngineBuildString();

// Registers the program's own URL schemes with the engine. Must run before
// the application object exists.
void RegisterCommandSchemes();

}  // namespace sky::ui
