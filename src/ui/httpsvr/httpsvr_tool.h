#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// Registers the personal web server: its "Server Status" window (a view of
// the long-lived server in the context), the start-server words and dialog,
// and the start at start-up.
void RegisterHttpSvrTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
