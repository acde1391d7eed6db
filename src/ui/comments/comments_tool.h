#pragma once

namespace sky::ui {

class AppContext;
class ToolRegistry;

// Claims the "commentaddtopic[:N]" and "commentaddcomment[:N]" link words:
// the dialog, then the carrying browser loads the service's answer.
void RegisterCommentsTool(ToolRegistry& registry, AppContext& context);

}  // namespace sky::ui
