#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// The FTP window ("skyftp", Tools > FTP Client) and the "ftp upload" dialog.
void RegisterFtpTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
