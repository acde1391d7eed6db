#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// The ad box: a pane under the channel bar, shown and hidden from the View
// menu ("adbox.toggle"); its ads rotate by "infobox"/"rotate" and "delay".
void RegisterAdBoxTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
