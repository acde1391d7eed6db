// Builds without the FTP client: files are only saved locally.
#include "ui/skypad/skypad_frame.h"

namespace sky::ui {

void CSkyPadFrame::PutBack() {
    ShowStatus(tr("Not put back: this build has no FTP client."));
}

}  // namespace sky::ui
