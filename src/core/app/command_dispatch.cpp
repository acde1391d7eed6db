#include "core/app/command_dispatch.h"

#include "core/base/text_util.h"

namespace sky {

namespace {

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool Contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

}  // namespace

std::string ReplacementSource(std::string_view rlcSource) {
    if (rlcSource.substr(0, 4) == "file") return std::string(rlcSource);
    return "http://" + std::string(rlcSource);
}

MainFilterResult MainBrowserFilter(std::string_view rawUrl) {
    std::string trimmed = Trim(rawUrl);
    std::string url = ToLower(trimmed);
    MainFilterResult r;
    if (EndsWith(url, ".sdf")) {
        r.action = MainFilterAction::ImportPublicChannel;
        r.cancel = true;
        r.text = trimmed;
        return r;
    }
    if (url.rfind("skyidp://", 0) == 0) {
        std::string_view rest = std::string_view(url).substr(9);
        size_t slash = rest.find('/');
        if (slash != std::string_view::npos && slash > 0) {
            r.action = MainFilterAction::DropIdp;
            r.cancel = true;
        }
        return r;
    }
    if (url.rfind("skycommand://", 0) == 0) {
        r.cancel = true;
        std::string command = ToLower(std::string_view(trimmed).substr(13));
        struct Row {
            const char* word;
            MainFilterAction action;
        };
        static const Row rows[] = {
            {"news", MainFilterAction::Nothing},        {"cond_agree", MainFilterAction::MessageNotReady},
            {"cond_cancel", MainFilterAction::Nothing}, {"local", MainFilterAction::Nothing},
            {"zoom", MainFilterAction::Nothing},        {"custchannels", MainFilterAction::CustomChannels},
            {"search", MainFilterAction::Search},
        };
        for (const Row& row : rows) {
            if (Contains(command, row.word)) {
                r.action = row.action;
                if (row.action == MainFilterAction::MessageNotReady) r.text = "Not Ready";
                return r;
            }
        }
        if (command.rfind("rlc:", 0) == 0) {
            r.action = MainFilterAction::ReplaceChannels;
            // The source keeps the letter case it was written with.
            r.text = ReplacementSource(std::string_view(trimmed).substr(13 + 4));
            return r;
        }
        r.action = MainFilterAction::BadCommand;
        r.text = "Bad SkyCommand.\n\n==>  " + url;
        return r;
    }
    return r;
}

std::string CommandWordOf(std::string_view url) {
    return url.size() > 8 ? Trim(url.substr(8)) : std::string();
}

CommandLinkResult CommandLinkHandler(std::string_view url, std::string_view targetFrame,
                                     const CommandLinkContext& context) {
    CommandLinkResult r;
    std::string target = ToLower(targetFrame);
    if (target.rfind("_skycmd", 0) == 0) {
        r.consumed = true;
        std::string word = CommandWordOf(url);
        struct Row {
            const char* word;
            LinkCommand command;
            int page;
        };
        static const Row rows[] = {
            {"zoom", LinkCommand::Zoom, 0},
            {"cpanel", LinkCommand::ControlPanel, 1},
            {"cpanel1", LinkCommand::ControlPanel, 1},
            {"cpanel2", LinkCommand::ControlPanel, 2},
            {"cpanel3", LinkCommand::ControlPanel, 3},
            {"cpanel4", LinkCommand::ControlPanel, 4},
            {"cpanel5", LinkCommand::ControlPanel, 5},
            {"search", LinkCommand::Search, 0},
            {"custchannels", LinkCommand::CustomChannels, 0},
            {"updatesoftware", LinkCommand::UpdateSoftware, 0},
            {"fileman", LinkCommand::FileManager, 0},
            {"showfavs", LinkCommand::ShowFavorites, 0},
            {"home", LinkCommand::Home, 0},
            {"addtochannel", LinkCommand::AddToChannel, 0},
            {"back", LinkCommand::Back, 0},
            {"forward", LinkCommand::Forward, 0},
            {"reload", LinkCommand::Reload, 0},
            {"print", LinkCommand::Print, 0},
            {"channelbar", LinkCommand::ChannelBar, 0},
            {"localsettings", LinkCommand::LocalSettings, 0},
            {"register", LinkCommand::Register, 0},
            {"browsersettings", LinkCommand::BrowserSettings, 0},
            {"lookfeel", LinkCommand::LookAndFeel, 0},
            {"login", LinkCommand::Login, 0},
        };
        for (const Row& row : rows) {
            if (word == row.word) {
                r.action = CommandLinkAction::FrameCommand;
                r.command = row.command;
                r.page = row.page;
                return r;
            }
        }
        if (context.comments && context.comments(word)) {
            r.action = CommandLinkAction::ClaimedByComments;
            return r;
        }
        r.action = CommandLinkAction::UnknownCommand;
        r.text = "Unknown SkyCommand Encountered: \n\nCommand[" + word + "]";
        return r;
    }
    if (context.popupOption) {
        // Frame names such as "_blank" stay with the engine unless its build has a 4.
        if (!target.empty() && target[0] == '_' && context.engineBuild.find('4') == std::string::npos)
            return r;
        std::string lower = ToLower(url);
        for (const std::string& domain : context.freeHomeDomains)
            if (!domain.empty() && Contains(lower, ToLower(domain))) return r;
        r.action = CommandLinkAction::OpenPopup;
        r.consumed = true;
        r.text = std::string(url);
        r.name = std::string(targetFrame);
    }
    return r;
}

}  // namespace sky
