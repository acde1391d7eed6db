#include "core/chat/conversation.h"

#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdlib>

#include "core/base/text_util.h"
#include "core/base/url_codec.h"
#include "core/chat/remote_command_router.h"

namespace sky::chat {

namespace {

constexpr const char* kSystemLabel = "skyharbor";
constexpr const char* kInvalidCommand = "Invalid Command!";
constexpr size_t kDataArea = 464;

std::string UpToNul(const std::string& s) {
    return s.substr(0, s.find('\0'));
}

// Offers travel in a data area of fixed size, zero-filled.
std::string PaddedArea(std::string data) {
    if (data.size() < kDataArea) data.resize(kDataArea, '\0');
    return data;
}

bool IsWebUrl(const std::string& url) {
    return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://") ||
           StartsWithNoCase(url, "www");
}

// "" when `rest` is empty; the address behind a blank; nullopt when the
// command word runs on ("/fingerx").
std::optional<std::string> OptionalAddress(const std::string& rest) {
    if (rest.empty()) return std::string();
    if (rest[0] != ' ' && rest[0] != '\t') return std::nullopt;
    std::string address = Trim(rest);
    if (address.find_first_of(" \t") != std::string::npos) return std::nullopt;
    return address;
}

}  // namespace

Conversation::Conversation(RemoteCommandRouter& router, std::string partnerAddress, int partnerPort)
    : router_(router),
      partnerAddress_(std::move(partnerAddress)),
      partnerPort_(partnerPort),
      myName_(router.identity().accountName) {}

uint64_t Conversation::offerTime() const {
    std::lock_guard lock(router_.offerMutex_);
    return offerTime_;
}

std::map<std::string, std::string> Conversation::offeredFiles() const {
    std::lock_guard lock(router_.offerMutex_);
    return offers_;
}

std::string Conversation::Title() const {
    return partnerName_.empty() ? "SkyChat" : "SkyChat: " + partnerName_;
}

void Conversation::AddLine(Decision& d, ChatLine line) {
    if (lines_.size() > kMaxLines - 1) lines_.pop_front();
    lines_.push_back(line);
    d.lines.push_back(std::move(line));
}

void Conversation::Send(int type, std::string data, std::string first, std::string second) {
    router_.SendTo(partnerAddress_, partnerPort_, type, myName_, conversation_, std::move(data),
                   std::move(first), std::move(second));
}

void Conversation::Connect(const RemoteCommand& record, const std::string& sender) {
    {
        // The server thread reads these to send "Access Denied".
        std::lock_guard lock(router_.offerMutex_);
        partnerAddress_ = sender;
        myName_ = router_.identity().accountName;
        if (record.type == kCmdChatRequest) conversation_ = record.conversation;
    }
    connected_ = true;
    calling_ = false;
    partnerName_ = record.senderName;
    router_.AddPartner(sender);
}

Decision Conversation::Receive(const RemoteCommand& record, const std::string& sender) {
    Decision d;
    auto system = [&](std::string text) { AddLine(d, {std::move(text), kSystemLabel, LineStyle::System}); };
    auto partner = [&](std::string text) {
        AddLine(d, {std::move(text), partnerName_.empty() ? record.senderName : partnerName_,
                    LineStyle::Partner});
    };
    const std::string& who = record.senderName;
    switch (record.type) {
        case kCmdChatRequest:
            Connect(record, sender);
            d.titleChanged = true;
            Send(kCmdChatAccepted);
            system(Format("You have answered %s [%s]", partnerName_.c_str(), partnerAddress_.c_str()));
            break;
        case kCmdChatAccepted:
            Connect(record, sender);
            d.titleChanged = true;
            system(Format("%s [%s] will talk to you !", partnerName_.c_str(), partnerAddress_.c_str()));
            break;
        case kCmdPermissionRefused:
            calling_ = false;
            system(who + " says no, thank you");
            break;
        case kCmdChatText:
            partner(UpToNul(record.data));
            break;
        case kCmdHangUp:
            connected_ = false;
            calling_ = false;
            system(who + " has hung up!");
            break;
        case kCmdHotLink: {
            std::string description = UpToNul(record.data);
            std::string url;
            if (description.size() < record.data.size())
                url = UpToNul(record.data.substr(description.size() + 1));
            partner("I have sent you a hot link\r\nDescription: " + description);
            items_.push_back({kCmdHotLink, description, url, "", partnerAddress_});
            d.itemsChanged = true;
            break;
        }
        case kCmdFileOffer: {
            std::string description = UpToNul(record.data);
            partner("I have sent you a file\r\nDescription: " + description);
            items_.push_back(
                {kCmdFileOffer, description, record.firstText, record.secondText, partnerAddress_});
            d.itemsChanged = true;
            break;
        }
        case kCmdFinger: {
            system("You've been fingered");
            const ChatIdentity& me = router_.identity();
            std::string reply = "My Nickname: " + myName_ + "\r\n" + "My IP address: " + me.address + "\r\n" +
                                "My Computer Name: " + me.computerName + "\r\n" +
                                "My I.E. Build: " + me.engineBuild + "\r\n" +
                                "My Skyharbor Version: " + me.version + "\r\n";
            AddLine(d, {reply, "Me", LineStyle::Me});
            Send(kCmdChatText, reply + '\0');
            break;
        }
        case kCmdSetHomePage: {
            std::string url = UpToNul(record.data);
            // Only a web address may become the start page; anything else is
            // refused without bothering the user.
            if (!IsWebUrl(url)) {
                Send(kCmdPermissionRefused);
                break;
            }
            d.question =
                Question{Question::SetHomePage, "Set your home page?",
                         Format("Do you give permission for %s to set your default home page?", who.c_str()),
                         url, who};
            break;
        }
        case kCmdSetPopupStatus:
            d.question =
                Question{Question::SetPopupStatus, "Set your Pop-Up status?",
                         Format("Do you give permission for %s to set your Accessing Internet Pop-Up status?",
                                who.c_str()),
                         UpToNul(record.data), who};
            break;
        case kCmdMailSettings:
            break;
        case kCmdEnvironmentSettings:
            d.question = Question{Question::Environment, "Environment Settings?",
                                  Format("%s wants your environment settings.\n\nIs this Okay?", who.c_str()),
                                  "", who};
            break;
        case kCmdChatRefused:
            connected_ = false;
            calling_ = false;
            system(who + " does not want to chat");
            break;
        case kCmdNotice:
            system(UpToNul(record.data));
            break;
        default:
            d.warning = kInvalidCommand;
            break;
    }
    return d;
}

Decision Conversation::Answer(const Question& question, bool yes) {
    Decision d;
    if (!yes) {
        Send(kCmdPermissionRefused);
        return d;
    }
    switch (question.kind) {
        case Question::SetHomePage: {
            AddLine(d, {"Your default home page has been set to: \r\n" + question.value, kSystemLabel,
                        LineStyle::System});
            // The start page is a web address, with its scheme.
            bool bare =
                !StartsWithNoCase(question.value, "http://") && !StartsWithNoCase(question.value, "https://");
            d.setting = SettingChange{SettingChange::HomePage, (bare ? "http://" : "") + question.value};
            Send(kCmdChatText, "Default home page set for: " + myName_ + ": \r\n" + question.value + '\0');
            break;
        }
        case Question::SetPopupStatus: {
            bool on = std::atoi(question.value.c_str()) == 1;
            d.setting = SettingChange{SettingChange::PopupStatus, on ? "1" : "0"};
            AddLine(d, {std::string("Your Accessing Internet Status Pop-Up Dialogs have been turned ") +
                            (on ? "On" : "Off"),
                        myName_, LineStyle::Partner});
            Send(kCmdChatText, std::string("Accessing Internet Status Pop-Up Dialogs have been turned ") +
                                   (on ? "on for " : "off for ") + myName_ + '\0');
            break;
        }
        case Question::Environment: {
            AddLine(d, {"Environment Settings Queried", kSystemLabel, LineStyle::System});
            const auto& report = router_.identity().environment;
            std::string text = report ? report() : EnvironmentReport(CollectEnvironment("/", "/tmp"));
            Send(kCmdChatText, text + '\0');
            break;
        }
    }
    return d;
}

Decision Conversation::Type(const std::string& input) {
    Decision d;
    if (!connected_) {
        const std::string& who = partnerName_.empty() ? partnerAddress_ : partnerName_;
        AddLine(d, {who + " is not available!", kSystemLabel, LineStyle::System});
        d.clearInput = true;
        return d;
    }
    if (input.empty()) return d;
    if (input[0] != '/') {
        AddLine(d, {input, "Me", LineStyle::Me});
        Send(kCmdChatText, input + '\0');
        d.clearInput = true;
        return d;
    }
    const std::string lower = ToLower(input);
    auto rest = [&](std::string_view command) { return input.substr(1 + command.size()); };
    auto is = [&](std::string_view command) { return lower.compare(1, command.size(), command) == 0; };
    auto retarget = [&](const std::string& address) {
        if (address.empty()) return;
        std::lock_guard lock(router_.offerMutex_);
        partnerAddress_ = address;
    };
    auto sendWithAddress = [&](std::string_view command, int type) {
        auto address = OptionalAddress(rest(command));
        if (!address) return false;
        retarget(*address);
        Send(type);
        return true;
    };

    bool ok = false;
    if (is("get env")) {
        ok = sendWithAddress("get env", kCmdEnvironmentSettings);
    } else if (is("get mailsettings")) {
        ok = sendWithAddress("get mailsettings", kCmdMailSettings);
    } else if (is("set popupstatus")) {
        std::string r = rest("set popupstatus");
        std::string arg = Trim(r);
        if (!r.empty() && (r[0] == ' ' || r[0] == '\t') && !arg.empty()) {
            std::string address, value = arg;
            size_t space = arg.find_first_of(" \t");
            if (space != std::string::npos) {
                address = arg.substr(0, space);
                value = Trim(arg.substr(space + 1));
            }
            if (value == "1" || value == "0") {
                retarget(address);
                Send(kCmdSetPopupStatus, value);
                ok = true;
            }
        }
    } else if (is("set homepage")) {
        std::string r = rest("set homepage");
        std::string arg = Trim(r);
        if (!r.empty() && (r[0] == ' ' || r[0] == '\t') && !arg.empty()) {
            std::string argLower = ToLower(arg);
            if (argLower.find(" http") != std::string::npos || argLower.find(" www") != std::string::npos) {
                size_t space = arg.find(' ');
                retarget(arg.substr(0, space));
                Send(kCmdSetHomePage, Trim(arg.substr(space + 1)));
                ok = true;
            } else if (argLower.find("http") != std::string::npos ||
                       argLower.find("www") != std::string::npos) {
                Send(kCmdSetHomePage, arg);
                ok = true;
            }
        }
    } else if (is("finger")) {
        ok = sendWithAddress("finger", kCmdFinger);
    }
    if (!ok) {
        d.warning = kInvalidCommand;
        return d;
    }
    d.clearInput = true;
    return d;
}

Decision Conversation::OfferLink(const std::string& description, const std::string& url) {
    Decision d;
    Send(kCmdHotLink, PaddedArea(description + '\0' + url + '\0'));
    AddLine(d, {Format("Link Sent [%s]", url.c_str()), kSystemLabel, LineStyle::System});
    return d;
}

Decision Conversation::OfferFile(const std::string& description, const std::string& path) {
    Decision d;
    const uint64_t now = router_.clock().NowMs();
    std::string key = MakeOfferKey(now, router_.NewOfferSecret(), router_.identity().address, path);
    {
        // All offers of a window expire together, counted from the last one.
        std::lock_guard lock(router_.offerMutex_);
        offers_[key] = path;
        offerTime_ = now;
    }
    Send(kCmdFileOffer, PaddedArea(description + '\0'), path, key);
    AddLine(d, {Format("File Sent [%s]", path.c_str()), kSystemLabel, LineStyle::System});
    return d;
}

ItemChoice Conversation::Choose(size_t index) const {
    ItemChoice choice;
    if (index >= items_.size()) return choice;
    const OfferedItem& item = items_[index];
    if (item.type == kCmdHotLink) {
        choice.url = item.target;
    } else if (item.type == kCmdFileOffer) {
        int port = partnerPort_ > 0 ? partnerPort_ : router_.identity().replyPort;
        std::string host = port == 80 ? item.partnerAddress : JoinHostPort(item.partnerAddress, port);
        if (port == 80 && item.partnerAddress.find(':') != std::string::npos)
            host = "[" + item.partnerAddress + "]";
        choice.url = "http://" + host + "/~SKYCMD/" + item.key + "/" + PathEncode(item.target);
    } else {
        choice.warning = "Unknown type";
    }
    return choice;
}

std::string EnvironmentReport(const EnvironmentValues& v) {
    auto text = [](const std::string& s) { return s.empty() ? std::string("Unknown") : s; };
    auto number = [](uint64_t n) { return n == 0 ? std::string("Unknown") : std::to_string(n); };
    std::string r = "ENVIRONMENT SETTINGS:";
    r += "Platform: " + (v.platform.empty() ? std::string("Unknown Platform") : v.platform);
    r += (v.majorVersion.empty() || v.minorVersion.empty()) ? std::string("Unknown Version")
                                                            : v.majorVersion + "." + v.minorVersion;
    r += "Windows Directory: " + text(v.programFolder);
    r += "System Directory: " + text(v.systemFolder);
    r += "Temp Directory: " + text(v.tempFolder);
    r += "Drive Type Info: Drive 1";
    r += "File System Type: " + text(v.fileSystem);
    r += "Disk Type: " + number(v.diskType);
    r += "Drive Volume Info: Drive 1";
    r += "Volume Name:" + text(v.volumeName);
    r += "Total Space (bytes): " + number(v.totalSpace);
    r += "Total Free Space (bytes): " + number(v.freeSpace);
    r += "Display Resolution:";
    r += "Horizontal Resolution (pixels): " + number(v.horizontalPixels);
    r += "Vertical Resolution (pixels): " + number(v.verticalPixels);
    r += "Display Colors:";
    r += "# used by current display: " + number(v.displayColors);
    r += "# of bits for color depth: " + number(v.colorBits);
    r += "Total Physical Memory (bytes): " + number(v.totalMemory);
    r += "Total Free Memory (bytes): " + number(v.freeMemory);
    return r;
}

EnvironmentValues CollectEnvironment(const std::string& programFolder, const std::string& tempFolder) {
    EnvironmentValues v;
    v.programFolder = programFolder;
    v.tempFolder = tempFolder;
    v.systemFolder = "/usr/lib";
    utsname u{};
    if (uname(&u) == 0) {
        v.platform = "Linux ";
        std::string release = u.release;
        size_t dot = release.find('.');
        if (dot != std::string::npos) {
            v.majorVersion = release.substr(0, dot);
            size_t end = release.find_first_not_of("0123456789", dot + 1);
            v.minorVersion =
                release.substr(dot + 1, end == std::string::npos ? std::string::npos : end - dot - 1);
        }
    }
    struct statfs fs {};
    if (statfs(programFolder.c_str(), &fs) == 0) {
        v.diskType = static_cast<uint64_t>(fs.f_type);
        switch (static_cast<unsigned long>(fs.f_type)) {
            case 0xEF53:
                v.fileSystem = "ext4";
                break;
            case 0x01021994:
                v.fileSystem = "tmpfs";
                break;
            case 0x9123683E:
                v.fileSystem = "btrfs";
                break;
            case 0x58465342:
                v.fileSystem = "xfs";
                break;
            case 0x794c7630:
                v.fileSystem = "overlay";
                break;
            default:
                v.fileSystem = Format("0x%lx", static_cast<unsigned long>(fs.f_type));
                break;
        }
    }
    struct statvfs vfs {};
    if (statvfs(programFolder.c_str(), &vfs) == 0) {
        v.totalSpace = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
        v.freeSpace = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    }
    struct sysinfo si {};
    if (sysinfo(&si) == 0) {
        v.totalMemory = static_cast<uint64_t>(si.totalram) * si.mem_unit;
        v.freeMemory = static_cast<uint64_t>(si.freeram) * si.mem_unit;
    }
    return v;
}

}  // namespace sky::chat
