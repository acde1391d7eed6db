#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/httpsvr/http_request.h"

namespace sky::httpsvr {

// A CGI program to run: what the request handler decided.
struct CgiJob {
    std::string program;                        // the program file
    std::vector<std::string> args;              // words of the decoded query
    std::string workingDir;                     // the program's folder
    std::vector<std::string> env;               // "NAME=value", the whole environment
    std::string input;                          // the request body, for standard input
    std::shared_ptr<const BodyFile> inputFile;  // or the body's file, which then is standard input
};

struct CgiResult {
    enum Outcome { kFinished, kTimedOut, kNotStarted, kCancelled };
    Outcome outcome = kNotStarted;
    int outputFd = -1;  // standard output and error of the program, rewound; caller closes
};

// Runs one program with a time limit. Run() blocks and belongs on a worker
// thread; Cancel() may be called from any thread and makes Run() kill the
// program and return soon.
class CgiProcess {
public:
    CgiProcess(CgiJob job, std::chrono::milliseconds timeLimit) : job_(std::move(job)), limit_(timeLimit) {}
    CgiResult Run();
    void Cancel() { cancelled_ = true; }

private:
    CgiJob job_;
    std::chrono::milliseconds limit_;
    std::atomic<bool> cancelled_{false};
};

// Reads the program's headers from the start of `fd`: "Status" gives the
// status text, "Location" makes it "302 Redirection", other headers are
// copied. Returns the response head (status line through the empty line) and
// sets `bodyOffset` to the first byte after the program's empty line (the end
// of the output when it wrote none).
std::string CgiResponseHead(int fd, uint64_t* bodyOffset, uint64_t* outputSize);

}  // namespace sky::httpsvr
