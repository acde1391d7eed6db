#pragma once

#include <stop_token>
#include <string>
#include <vector>

#include "core/homepage/page_assets.h"
#include "core/webspace/web_space_client.h"

namespace sky::homepage {

// What publishing a page did: the images found (sent, present, skipped), the
// files uploaded in order, and the first failing transfer's code (0: none).
struct PublishReport {
    PageAssets assets;
    std::vector<std::string> uploaded;
    int result = 0;
};

// Puts the page at `pagePath` on the web space as `remote`, after the local
// images it shows that the web space lacks (the page last, so it never shows
// with pictures missing). Stops at the first failure.
PublishReport PublishPage(const webspace::ServerTarget& target, const std::string& pagePath,
                          const std::string& remote, webspace::TransferListener& listener,
                          std::stop_token stop);

}  // namespace sky::homepage
