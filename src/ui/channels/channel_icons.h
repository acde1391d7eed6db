#pragma once

#include <QIcon>
#include <QPixmap>

namespace sky::ui {

// The channel pictures, 16 pixels each side by side: channel, folder, page.
// Magenta is their transparent colour. Null when it cannot be made.
QPixmap ChannelImageStrip();

// The folder and the page picture of the channel rows.
QIcon FolderIcon();
QIcon PageIcon();

}  // namespace sky::ui
