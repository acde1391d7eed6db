#pragma once

#include <QString>

namespace sky::ui {

class AppContext;
class CPageEditFrame;
class ToolRegistry;

// The page editor's window, the "pageedit" word, the Tools menu's template
// chooser and "homepage.editPage" (argument: the page file, a newline and
// the remote name) for the wizards and the file manager.
void RegisterPageEditCommands(ToolRegistry& registry, AppContext& context);

// Opens `path` in a new page editor window that uploads as `account`.
CPageEditFrame* OpenPageEditor(AppContext& context, const QString& path, const QString& account,
                               const QString& password, const QString& remote);

// The template chooser: a template the member picks is fetched and opened.
void ChooseTemplate(AppContext& context);

}  // namespace sky::ui
