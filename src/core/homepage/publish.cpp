#include "core/homepage/publish.h"

#include <filesystem>

#include "core/base/atomic_file.h"

namespace sky::homepage {

PublishReport PublishPage(const webspace::ServerTarget& target, const std::string& pagePath,
                          const std::string& remote, webspace::TransferListener& listener,
                          std::stop_token stop) {
    namespace fs = std::filesystem;
    PublishReport report;
    std::string page;
    if (!ReadWholeFile(pagePath, &page)) {
        report.result = -1;
        return report;
    }
    const std::string folder = fs::absolute(pagePath).parent_path().string();
    report.assets = LocalPageAssets(page, fs::absolute(pagePath).string());
    if (!report.assets.send.empty()) {
        std::string reply;
        if ((report.result = webspace::ListFiles(target, listener, stop, &reply)) != 0) return report;
        auto head = webspace::ReadTransferReply(reply);
        if (!head || head->status != 0) {
            report.result = head ? head->status : -4;
            return report;
        }
        DropListed(report.assets, folder, head->text);
    }
    for (const std::string& name : report.assets.send) {
        if ((report.result =
                 webspace::UploadFile(target, (fs::path(folder) / name).string(), name, listener, stop)) != 0)
            return report;
        report.uploaded.push_back(name);
    }
    if ((report.result = webspace::UploadFile(target, pagePath, remote, listener, stop)) == 0)
        report.uploaded.push_back(remote);
    return report;
}

}  // namespace sky::homepage
