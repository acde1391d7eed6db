#include "core/app/comment_requests.h"

#include <climits>

#include "core/base/service_config.h"
#include "core/base/url_codec.h"

namespace sky {

namespace {

// The decimal number at the start of `text` as atoi reads it, held within int.
int LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) {
            value = INT_MAX;
            break;
        }
    }
    return int(negative ? -value : value);
}

std::optional<std::string> Limited(std::string url, size_t limit) {
    if (url.size() > limit) return std::nullopt;
    return url;
}

}  // namespace

std::optional<CommentCommand> ParseCommentWord(std::string_view word) {
    CommentCommand c;
    if (word.rfind("commentaddtopic", 0) == 0) {
        c.kind = CommentCommand::AddTopic;
    } else if (word.rfind("commentaddcomment", 0) == 0) {
        c.kind = CommentCommand::AddComment;
    } else {
        return std::nullopt;
    }
    size_t colon = word.find(':');
    if (colon != std::string_view::npos) c.number = LeadingNumber(word.substr(colon + 1));
    return c;
}

std::optional<std::string> AddTopicRequest(const std::string& commentsHost, const NewTopic& t) {
    std::string url = ServiceUrl(commentsHost, "/scripts/show.dll?AddTopic&C=") + std::to_string(t.category) +
                      "&O=" + FormEncode(t.user) + "&AP=x&PP=x&DESC=" + FormEncode(t.description) +
                      "&LDESC=" + FormEncode(t.longDescription);
    return Limited(std::move(url), kAddTopicMaxUrl);
}

std::optional<std::string> AddCommentRequest(const std::string& commentsHost, const NewComment& c) {
    std::string url = ServiceUrl(commentsHost, "/scripts/show.dll?AddComment&T=") + std::to_string(c.topic) +
                      "&P=0&H=" + FormEncode(c.heading) + "&U=" + FormEncode(c.user) +
                      "&PWD=&TXT=" + FormEncode(c.text) + "&AURL=" + FormEncode(c.attachUrl) +
                      "&ADESC=" + FormEncode(c.attachDescription) + "&LURL=" + FormEncode(c.linkUrl) +
                      "&LDESC=" + FormEncode(c.linkDescription);
    return Limited(std::move(url), kAddCommentMaxUrl);
}

}  // namespace sky
