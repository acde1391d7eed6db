#pragma once

#include <QIcon>

namespace sky::ui {

// The small pictures of the channel rows: a folder and a page.
QIcon FolderIcon();
QIcon PageIcon();

}  // namespace sky::ui
