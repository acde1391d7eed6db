#pragma once

#include <QString>
#include <functional>
#include <stop_token>

#include "core/webspace/web_space_client.h"

class QWidget;

namespace sky::ui {

class AppContext;
class ToolRegistry;

// The member's web space (or the public space) as the session knows it now.
webspace::ServerTarget MemberTarget(const AppContext& context, bool publicSpace = false);

// Runs one transfer beside a small window that shows its status lines and
// a Cancel button; messages for the user are shown as boxes. Returns the
// transfer's result.
using TransferWork = std::function<int(webspace::TransferListener& listener, std::stop_token stop)>;
int RunTransfer(QWidget* parent, const QString& title, TransferWork work);

// SkyPad's Upload and the "post" dialog's Post and Edit.
void RegisterWebSpaceTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
