#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "core/base/identity.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/version.h"
#include "core/chat/conversation.h"
#include "core/chat/remote_command_router.h"
#include "core/chat/remote_command_sender.h"
#include "core/httpsvr/http_server.h"
#include "core/httpsvr/request_handler.h"

namespace sky::cli {

namespace {

struct ChatArgs {
    std::string listen, host, name;
    int port = -1;
    bool accept = false;
};

struct Arrival {
    chat::RemoteCommand record;
    std::string peer;
};

// Records from the server thread, handed to the loop through a pipe.
class Inbox {
public:
    Inbox() {
        if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Inbox() {
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    void Put(Arrival a) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(a));
        }
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(fds_[1], &c, 1);
    }
    std::deque<Arrival> Take() {
        char buf[256];
        while (::read(fds_[0], buf, sizeof buf) > 0) {
        }
        std::lock_guard lock(mutex_);
        return std::exchange(queue_, {});
    }
    int fd() const { return fds_[0]; }

private:
    int fds_[2];
    std::mutex mutex_;
    std::deque<Arrival> queue_;
};

std::string Shown(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

// What the terminal is asked while it waits for y or n.
struct Pending {
    std::optional<chat::ChatRequest> request;
    std::shared_ptr<chat::Conversation> conversation;
    chat::Question question;
};

class TerminalChat {
public:
    TerminalChat(const ChatArgs& args, chat::RemoteCommandRouter& router, SettingsStore& settings)
        : args_(args), router_(router), settings_(settings) {}

    bool waiting() const { return pending_.has_value(); }

    void Arrive(const Arrival& a) {
        chat::RouteResult r = router_.Route(a.record, a.peer);
        switch (r.kind) {
            case chat::RouteResult::Dropped:
                return;
            case chat::RouteResult::Invalid:
                System(chat::RemoteCommandRouter::kInvalidText);
                router_.InvalidShown(r.request);
                return;
            case chat::RouteResult::CouldntFind:
                System(chat::RemoteCommandRouter::kCouldntFindText);
                return;
            case chat::RouteResult::Delivered:
                Carry(r.conversation, r.decision, true);
                return;
            case chat::RouteResult::Ask:
                break;
        }
        std::cout << Shown(r.askText) << " [y/n]" << (args_.accept ? " y" : "") << std::endl;
        if (args_.accept) {
            Answered(r.request, true);
            return;
        }
        pending_ = Pending{r.request, nullptr, {}};
    }

    // A line typed on standard input.
    void Typed(const std::string& line) {
        if (pending_) {
            Pending p = std::move(*pending_);
            pending_.reset();
            bool yes = !line.empty() && (line[0] == 'y' || line[0] == 'Y');
            if (p.request)
                Answered(*p.request, yes);
            else if (p.conversation)
                Carry(p.conversation, p.conversation->Answer(p.question, yes), true);
            return;
        }
        if (line.rfind(":", 0) == 0 && Local(line)) return;
        std::shared_ptr<chat::Conversation> c = Current();
        if (!c) {
            System("No conversation: give a host to call, or wait for a call.");
            return;
        }
        // Lines typed before the partner answered go out once it has.
        if (c->calling() && !c->connected()) {
            early_.push_back(line);
            return;
        }
        Carry(c, c->Type(line), false);
    }

    void HangUpAll() {
        for (const auto& c : router_.conversations()) router_.Close(c);
    }

private:
    void Answered(const chat::ChatRequest& request, bool yes) {
        chat::AnswerResult a = router_.AnswerChatRequest(request, yes);
        if (a.kind == chat::AnswerResult::HungUp) System(Shown(a.message));
        if (a.conversation) Carry(a.conversation, a.decision, true);
    }

    // The newest open conversation takes what is typed.
    std::shared_ptr<chat::Conversation> Current() const {
        auto all = router_.conversations();
        return all.empty() ? nullptr : all.back();
    }

    // ":link URL [DESCRIPTION]", ":file PATH [DESCRIPTION]", ":list", ":quit".
    bool Local(const std::string& line) {
        std::string word = line.substr(0, line.find(' '));
        std::string rest = word.size() < line.size() ? line.substr(word.size() + 1) : std::string();
        std::string target = rest.substr(0, rest.find(' '));
        std::string description = target.size() < rest.size() ? rest.substr(target.size() + 1) : target;
        std::shared_ptr<chat::Conversation> c = Current();
        if (word == ":quit") {
            quit_ = true;
        } else if (word == ":list") {
            if (c) List(*c);
        } else if ((word == ":link" || word == ":file") && c && !target.empty()) {
            Carry(c, word == ":link" ? c->OfferLink(description, target) : c->OfferFile(description, target),
                  false);
        } else if (word == ":link" || word == ":file") {
            System(c ? "Usage: " + word + (word == ":link" ? " URL" : " PATH") + " [DESCRIPTION]"
                     : "No conversation.");
        } else {
            return false;
        }
        return true;
    }

    void List(const chat::Conversation& c) {
        for (size_t i = 0; i < c.items().size(); ++i) {
            const chat::OfferedItem& item = c.items()[i];
            chat::ItemChoice choice = c.Choose(i);
            bool link = item.type == chat::kCmdHotLink;
            std::cout << "  [" << i + 1 << "] " << (link ? "link" : "file") << ": " << Shown(item.description)
                      << "\t" << choice.url.value_or(item.target) << std::endl;
        }
    }

    void Carry(const std::shared_ptr<chat::Conversation>& c, const chat::Decision& d, bool arrived) {
        for (const chat::ChatLine& line : d.lines) {
            if (line.style == chat::LineStyle::System)
                std::cout << "* " << Shown(line.text) << std::endl;
            else if (line.style == chat::LineStyle::Partner)
                std::cout << line.sender << ": " << Shown(line.text) << std::endl;
            else if (arrived)  // what this side answered by itself (a finger reply)
                std::cout << "Me: " << Shown(line.text) << std::endl;
        }
        if (d.itemsChanged) List(*c);
        if (!c->calling() && !early_.empty()) {
            std::deque<std::string> lines = std::exchange(early_, {});
            for (const std::string& line : lines) Carry(c, c->Type(line), false);
        }
        if (d.warning) System(*d.warning);
        if (d.setting) {
            if (d.setting->kind == chat::SettingChange::HomePage)
                settings_.WriteString("Startup", "Home", d.setting->value);
            else
                settings_.WriteInt("misc", "statuspopup", d.setting->value == "1" ? 1 : 0);
        }
        if (d.question) {
            // --accept takes calls only; a partner's wish to change settings or
            // read this machine's details is the user's to grant, and nobody
            // here to ask means No.
            if (CanAsk()) {
                pending_ = Pending{std::nullopt, c, *d.question};
                std::cout << Shown(d.question->text) << " [y/n]" << std::endl;
            } else {
                std::cout << Shown(d.question->text) << " [y/n] n" << std::endl;
                Carry(c, c->Answer(*d.question, false), true);
            }
        }
    }

    void System(const std::string& text) { std::cout << "* " << text << std::endl; }

    bool CanAsk() const { return inputOpen_ && (!args_.accept || ::isatty(STDIN_FILENO)); }

public:
    bool quit_ = false;
    bool inputOpen_ = true;

private:
    const ChatArgs& args_;
    chat::RemoteCommandRouter& router_;
    SettingsStore& settings_;
    std::optional<Pending> pending_;
    std::deque<std::string> early_;
};

int Chat(const ChatArgs& args) {
    using namespace sky::httpsvr;
    SettingsStore& settings = SettingsStore::App();
    ServerOptions options;
    options.settings = ServerSettings::Load(settings);
    if (args.port >= 0) options.settings.port = args.port;
    if (!args.listen.empty()) options.settings.listenAddress = args.listen;
    const std::string& listen = options.settings.listenAddress;
    bool oneAddress = !listen.empty() && listen != "0.0.0.0" && listen != "::" && listen != "*";

    // Signals are read from a descriptor; the server's threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);

    chat::ChatIdentity me;
    me.address = chat::ThisMachineAddress(listen);
    me.machineIdentity =
        args.name.empty() ? MachineIdentity(settings.GetString("chat", "nickname")) : args.name;
    me.accountName = me.machineIdentity;
    me.computerName = ComputerName();
    me.version = kVersionString;
    me.environment = [] {
        return chat::EnvironmentReport(chat::CollectEnvironment(DataRoot(), PrivateTempDir()));
    };
    chat::HttpRemoteCommandSender sender(oneAddress ? listen : std::string());
    chat::SystemMsClock clock;
    chat::RemoteCommandRouter router(me, sender, clock);

    auto peers = std::make_shared<PeerAddressSet>();
    router.partnersChanged = [peers](const std::set<std::string>& partners) { peers->Replace(partners); };
    options.chatPeers = peers;
    options.offeredFiles =
        std::make_shared<FunctionOfferResolver>([&router](const std::string& url, const std::string& peer) {
            return router.ResolveOffer(url, peer);
        });
    Inbox inbox;
    ServerCallbacks callbacks;
    callbacks.remoteCommand = [&inbox](const chat::RemoteCommand& record, const std::string& peer) {
        inbox.Put({record, peer});
    };
    HttpServer server(options, callbacks);
    std::string error;
    if (!server.Start(&error)) {
        std::cerr << "skyharbor-cli: " << error << "\n";
        return 1;
    }
    router.EditIdentity([&](chat::ChatIdentity& id) { id.replyPort = server.port(); });
    std::cout << "* " << me.machineIdentity << " listening on " << (oneAddress ? listen : me.address) << ":"
              << server.port() << std::endl;

    TerminalChat chat(args, router, settings);
    if (!args.host.empty()) {
        static const char kSubject[] = "What ?";
        router.Call(args.host, me.machineIdentity, std::string(kSubject, sizeof kSubject));
        std::cout << "* Calling " << args.host << std::endl;
    }

    std::deque<Arrival> held;
    std::string buffered;
    while (chat.inputOpen_ && !chat.quit_) {
        pollfd fds[3] = {{STDIN_FILENO, POLLIN, 0}, {inbox.fd(), POLLIN, 0}, {signals, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[2].revents & POLLIN) break;
        if (fds[1].revents & POLLIN)
            for (Arrival& a : inbox.Take()) held.push_back(std::move(a));
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buf[4096];
            ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                chat.inputOpen_ = false;
            } else {
                buffered.append(buf, static_cast<size_t>(n));
            }
            size_t nl;
            while ((nl = buffered.find('\n')) != std::string::npos && !chat.quit_) {
                std::string line = buffered.substr(0, nl);
                buffered.erase(0, nl + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                chat.Typed(line);
            }
            if (!chat.inputOpen_ && !buffered.empty()) chat.Typed(buffered);
        }
        // Records that came while the terminal asked wait for the answer.
        while (!held.empty() && !chat.waiting() && !chat.quit_) {
            chat.Arrive(held.front());
            held.pop_front();
        }
    }
    chat.HangUpAll();
    server.Stop();
    if (signals >= 0) ::close(signals);
    return 0;
}

void AddChat(CLI::App& root) {
    auto* cmd = root.add_subcommand("chat", "Chat with another copy of SkyHarbor from the terminal");
    auto args = std::make_shared<ChatArgs>();
    cmd->add_option("host", args->host, "Call this address (HOST[:PORT], port 8080 when not given)");
    cmd->add_option("--listen", args->listen, "Listen on this address only; calls leave from it too");
    cmd->add_option("--port", args->port, "The port of the web server; 0 takes a free one")
        ->check(CLI::Range(0, 65535));
    cmd->add_flag("--accept", args->accept,
                  "Answer Yes to every chat request instead of asking; other requests are still asked on a "
                  "terminal, and refused otherwise");
    cmd->add_option("--name", args->name, "The name the partner sees");
    cmd->footer(
        "Lines typed are sent; \"/\" commands as in the chat window (/finger, /get env, ...).\n"
        "Also: :link URL [DESCRIPTION], :file PATH [DESCRIPTION], :list, :quit.\n"
        "Arriving lines print as \"NAME: text\", system lines as \"* text\". End of input or\n"
        "Ctrl+C hangs up.");
    OnRun(cmd, [args] { return Chat(*args); });
}

}  // namespace

static Registrar reg{&AddChat};

}  // namespace sky::cli
