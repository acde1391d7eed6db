// Builds without the FTP client take no remote rows.
#include "ui/webspace/local_files_panel.h"

namespace sky::ui {

QStringList RemoteFileAddresses(const QByteArray&) {
    return {};
}

}  // namespace sky::ui
