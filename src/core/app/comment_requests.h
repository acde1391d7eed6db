#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sky {

// A "_skycmd" word of the discussion pages.
struct CommentCommand {
    enum Kind { AddTopic, AddComment } kind = AddTopic;
    int number = 0;  // the category of a new topic, the topic of a new comment
};
// "commentaddtopic[:N]" and "commentaddcomment[:N]" (the word begins with
// one of them); N is the leading decimal number after the first ":", 0
// without a ":". nullopt: not a comment word.
std::optional<CommentCommand> ParseCommentWord(std::string_view word);

// Longest request the add-topic and add-comment dialogs send.
inline constexpr size_t kAddTopicMaxUrl = 2048;
inline constexpr size_t kAddCommentMaxUrl = 4096;

struct NewTopic {
    int category = 0;
    std::string user;
    std::string description;
    std::string longDescription;
};
// "http://<host>/scripts/show.dll?AddTopic&C=..&O=..&AP=x&PP=x&DESC=..&LDESC=..",
// every value percent-encoded; nullopt when longer than kAddTopicMaxUrl.
std::optional<std::string> AddTopicRequest(const std::string& commentsHost, const NewTopic& topic);

struct NewComment {
    int topic = 0;
    std::string user;
    std::string heading;
    std::string text;
    std::string attachUrl;
    std::string attachDescription;
    std::string linkUrl;
    std::string linkDescription;
};
// "http://<host>/scripts/show.dll?AddComment&T=..&P=0&H=..&U=..&PWD=&TXT=..&AURL=..
// &ADESC=..&LURL=..&LDESC=..", percent-encoded; nullopt beyond kAddCommentMaxUrl.
std::optional<std::string> AddCommentRequest(const std::string& commentsHost, const NewComment& comment);

}  // namespace sky
