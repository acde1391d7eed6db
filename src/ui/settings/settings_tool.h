#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// Registers the settings sheet and the control panel: their commands, the
// "cpanel" and "lookfeel" words.
void RegisterSettingsTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
