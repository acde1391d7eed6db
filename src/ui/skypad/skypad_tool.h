#pragma once

#include <QString>

namespace sky::ui {

class AppContext;
class CSkyPadFrame;
class ToolRegistry;

// Registers the SkyPad window and "tools.skyPad".
void RegisterSkyPadTool(ToolRegistry& registry, AppContext& context);

// A new SkyPad window with the file at `path` (empty: a new document); null
// when the window could not be made or the file not read.
CSkyPadFrame* OpenInSkyPad(AppContext& context, const QString& path);
// The same for a file that must not change (see CSkyPadFrame::OpenReadOnly).
CSkyPadFrame* OpenReadOnlyInSkyPad(AppContext& context, const QString& path);

}  // namespace sky::ui
