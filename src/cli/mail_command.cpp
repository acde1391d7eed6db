#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_store.h"
#include "core/mail/message_render.h"
#include "core/mail/send_mail_worker.h"

namespace sky::cli {

namespace {

// Prints the workers' reports; they come from the worker thread only.
class PrintingListener : public MailWorkerListener {
public:
    void mailProgress(const std::string& line) override { std::cout << line << "\n" << std::flush; }
    void connectFailed(const std::string& message, const std::string& detail) override {
        std::cout << message << "\n" << std::flush;
        if (!detail.empty()) std::cerr << "skyharbor-cli: " << detail << "\n";
    }
};

// Runs a worker here; Ctrl-C or SIGTERM cancels it cooperatively.
template <typename Worker>
int RunInterruptible(Worker& worker) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        int sig = 0;
        sigwait(&set, &sig);
        if (!done) worker.Cancel();
    });
    int result = worker.Run();
    done = true;
    pthread_kill(watcher.native_handle(), SIGTERM);
    watcher.join();
    return result;
}

int Fetch() {
    PrintingListener listener;
    CheckMailWorker worker(&listener, ReadAccountForWorkers(SettingsStore::App()));
    return RunInterruptible(worker);
}

int Send(const Args& args) {
    OutgoingMessage m;
    bool haveTo = false, haveSubject = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return Usage("mail send: every option needs a value");
        const std::string& v = args[++i];
        if (a == "--to") {
            m.to = v;
            haveTo = true;
        } else if (a == "--cc") {
            m.cc = v;
        } else if (a == "--subject") {
            m.subject = v;
            haveSubject = true;
        } else if (a == "--attach") {
            if (::access(v.c_str(), R_OK) != 0) {
                std::cerr << "skyharbor-cli: cannot read " << v << "\n";
                return 1;
            }
            m.attachments.push_back(v);
        } else {
            return Usage("mail send: unknown option");
        }
    }
    if (!haveTo || !haveSubject) return Usage("mail send: --to and --subject are required");
    m.body.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    PrintingListener listener;
    SendMailWorker worker(&listener, ReadAccountForWorkers(SettingsStore::App()), std::move(m));
    return RunInterruptible(worker);
}

int List(const Args& args) {
    std::string folder = args.size() > 1 ? args[1] : "InBox";
    std::vector<std::string> folders = ListFolders();
    bool known = folder == "InBox" || std::find(folders.begin(), folders.end(), folder) != folders.end();
    std::string path = known ? GetMailFolderPath(folder) : std::string();
    if (path.empty()) {
        std::cerr << "skyharbor-cli: no such folder: " << folder << "\n";
        return 1;
    }
    std::string out;
    for (const MessageSummary& s : LoadFolder(path)) {
        out += SubjectColumn(s) + "\t" + s.from + "\t" + ReceivedColumn(s) + "\t" + s.path + "\n";
        if (out.size() > (1 << 16)) {
            std::cout << out;
            out.clear();
        }
    }
    std::cout << out << std::flush;
    return 0;
}

int Show(const Args& args) {
    if (args.size() != 2) return Usage("mail show: expected PATH");
    std::string work = MailWorkFolder();
    DecodedMessage m = DecodeMessage(args[1], work);
    for (const std::string& msg : m.messages) std::cerr << "skyharbor-cli: " << msg << "\n";
    if (!m.ok) return 1;
    std::cout << work << m.page << "\n";
    for (const MessagePart& p : m.parts) std::cout << p.name << "\t" << p.mimeType << "\n";
    return 0;
}

int RunMail(const Args& args) {
    if (args.empty()) return Usage("mail: expected fetch, send, list or show");
    if (args[0] == "fetch" && args.size() == 1) return Fetch();
    if (args[0] == "send") return Send(Args(args.begin() + 1, args.end()));
    if (args[0] == "list" && args.size() <= 2) return List(args);
    if (args[0] == "show") return Show(args);
    return Usage("mail: expected fetch, send, list or show");
}

}  // namespace

static Registrar reg{
    {"mail",
     "mail fetch | mail send --to TO [--cc CC] --subject S [--attach PATH]... | mail list [FOLDER] "
     "| mail show PATH",
     &RunMail}};

}  // namespace sky::cli
