#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// >>> Defined with the page editor, not here. It registers the page editor's
// window, its "pageedit" word and the command "homepage.editPage", whose
// argument is the page file, a newline and the remote name.
void RegisterPageEditCommands(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
