#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// Registers the member session (login, registration) and the downloads it
// serves (public channel files, "rlc:" replacements, the software update).
void RegisterServiceTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
