#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// The simple wizard and the home page wizard (Tools menu).
void RegisterHomePageTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
