#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "cli/keyring.h"
#include "core/base/settings_store.h"
#include "core/mail/check_mail_worker.h"
#include "core/mail/mail_accounts.h"
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

// The window moves passwords into the keyring and leaves the settings value empty.
void FillFromKeyring(const char* key, std::string* field) {
    const std::string section = AccountSection(kDefaultMailUser);
    if (!SettingsStore::App().GetString(section, key, "").empty()) return;
    if (auto kept = KeyringPassword(PasswordKeyringKey(section, key))) *field = *kept;
}

int Fetch() {
    MailAccount account = ReadAccountForWorkers(SettingsStore::App());
    if (account.pop.empty()) {
        // The worker would only try to reach a blank host.
        std::cerr << "skyharbor-cli: no POP3 server is set. Set yours with:\n"
                  << "  skyharbor-cli settings set " << AccountSection(kDefaultMailUser)
                  << " pop HOST[:PORT]\n"
                  << "and your login with:\n"
                  << "  skyharbor-cli settings set " << AccountSection(kDefaultMailUser) << " username NAME\n"
                  << "  skyharbor-cli settings set " << AccountSection(kDefaultMailUser)
                  << " password PASSWORD\n";
        return 1;
    }
    FillFromKeyring("password", &account.password);
    PrintingListener listener;
    CheckMailWorker worker(&listener, std::move(account));
    return RunInterruptible(worker);
}

int Send(OutgoingMessage m) {
    for (const std::string& path : m.attachments) {
        if (::access(path.c_str(), R_OK) != 0) {
            std::cerr << "skyharbor-cli: cannot read " << path << "\n";
            return 1;
        }
    }
    m.body.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    PrintingListener listener;
    MailAccount account = ReadAccountForWorkers(SettingsStore::App());
    // Only a login needs it.
    if (!account.smtp_user.empty()) FillFromKeyring("smtp_password", &account.smtp_password);
    SendMailWorker worker(&listener, std::move(account), std::move(m));
    return RunInterruptible(worker);
}

int List(const std::string& folder) {
    std::vector<std::string> folders = ListFolders();
    bool known = folder == "InBox" || std::find(folders.begin(), folders.end(), folder) != folders.end();
    std::string path = known ? GetMailFolderPath(folder) : std::string();
    if (path.empty()) {
        std::cerr << "skyharbor-cli: no such folder: " << folder << "\n";
        return 1;
    }
    std::string out;
    size_t count = 0;
    for (const MessageSummary& s : LoadFolder(path)) {
        ++count;
        out += SubjectColumn(s) + "\t" + s.from + "\t" + ReceivedColumn(s) + "\t" + s.path + "\n";
        if (out.size() > (1 << 16)) {
            std::cout << out;
            out.clear();
        }
    }
    // An empty listing would look like a failure.
    if (count == 0) out = "0 messages in " + folder + "\n";
    std::cout << out << std::flush;
    return 0;
}

int Show(const std::string& file) {
    std::string work = MailWorkFolder();
    DecodedMessage m = DecodeMessage(file, work);
    for (const std::string& msg : m.messages) std::cerr << "skyharbor-cli: " << msg << "\n";
    if (!m.ok) return 1;
    std::cout << work << m.page << "\n";
    for (const MessagePart& p : m.parts) std::cout << p.name << "\t" << p.mimeType << "\n";
    return 0;
}

struct MailArgs {
    OutgoingMessage message;
    std::string folder = "InBox";
    std::string file;
};

void AddMail(CLI::App& root) {
    auto* mail = root.add_subcommand("mail", "Fetch, send, list and show mail");
    mail->require_subcommand(1);
    auto args = std::make_shared<MailArgs>();

    OnRun(mail->add_subcommand("fetch", "Fetch new mail from your POP3 server"), [] { return Fetch(); });

    auto* send = mail->add_subcommand("send", "Send a message; its text is read from standard input");
    send->add_option("--to", args->message.to, "The recipients")->required();
    send->add_option("--cc", args->message.cc, "Copies to");
    send->add_option("--subject", args->message.subject, "The subject")->required();
    send->add_option("--attach", args->message.attachments, "A file to attach (again for more)")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    OnRun(send, [args] { return Send(args->message); });

    auto* list = mail->add_subcommand("list", "List the messages of a folder");
    list->add_option("folder", args->folder, "The folder (default InBox)");
    OnRun(list, [args] { return List(args->folder); });

    auto* show = mail->add_subcommand("show", "Decode a message and print where its page is");
    show->add_option("path", args->file, "The message file")->required();
    OnRun(show, [args] { return Show(args->file); });
}

}  // namespace

static Registrar reg{&AddMail};

}  // namespace sky::cli
