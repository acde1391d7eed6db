#include <string_view>

#include "core/ftp/ftp_client.h"
#include "ui/webspace/local_files_panel.h"

namespace sky::ui {

QStringList RemoteFileAddresses(const QByteArray& block) {
    QStringList out;
    for (const std::string& a : ftp::ParseRemoteFilesBlock(std::string_view(block.constData(), block.size())))
        out << QString::fromStdString(a);
    return out;
}

}  // namespace sky::ui
