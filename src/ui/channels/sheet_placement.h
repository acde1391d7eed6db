#pragma once

class QWidget;

namespace sky::ui {

// Puts a sheet in the middle of its parent's window, below the window's
// menu bar and inside the screen.
void CentreOnWindow(QWidget* sheet);

}  // namespace sky::ui
