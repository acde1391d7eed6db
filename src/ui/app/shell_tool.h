#pragma once

namespace sky::ui {

class AppContext;
class DefaultBrowser;
class ToolRegistry;

// The shell's own commands: opening an address, the desktop's programs
// (mail, ftp, telnet), the browser settings, the default browser, "About",
// and the typed words whose dialogs live here (send message, send file, post).
void RegisterShellTool(ToolRegistry& registry, AppContext& context, DefaultBrowser* defaultBrowser);

}  // namespace sky::ui
