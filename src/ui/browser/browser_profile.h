#pragma once

class QWebEngineProfile;

namespace sky::ui {

// The one persistent engine profile every browser view shares (Qt's default
// profile keeps nothing). Made on first use under the data root; Shutdown()
// must run before the application object goes away.
class BrowserProfile {
public:
    static QWebEngineProfile* Get();
    static void Shutdown();
};

// The engine's build string, sent to the service and shown to chat partners.
const char* EngineBuildString();

// Registers the program's own URL schemes with the engine. Must run before
// the application object exists.
void RegisterCommandSchemes();

}  // namespace sky::ui
