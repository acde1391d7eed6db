#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "core/ftp/ftp_client.h"
#include "ui/skypad/skypad_frame.h"

namespace sky::ui {

// Where an FTP file came from, and how it looked when fetched.
struct CSkyPadFrame::FtpOrigin {
    ftp::FtpSite site;
    std::string remotePath;
    uint64_t size = 0;
    std::time_t modified = 0;
};

}  // namespace sky::ui
