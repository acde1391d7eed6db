#include <gtest/gtest.h>

#include <map>

#include "core/app/comment_requests.h"
#include "core/base/url_codec.h"

namespace sky {
namespace {

TEST(CommentWord, NumberAfterTheColon) {
    auto topic = ParseCommentWord("commentaddtopic:12");
    ASSERT_TRUE(topic);
    EXPECT_EQ(topic->kind, CommentCommand::AddTopic);
    EXPECT_EQ(topic->number, 12);
    auto bare = ParseCommentWord("commentaddtopic");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->number, 0);
    auto comment = ParseCommentWord("commentaddcomment:7x");
    ASSERT_TRUE(comment);
    EXPECT_EQ(comment->kind, CommentCommand::AddComment);
    EXPECT_EQ(comment->number, 7);
    EXPECT_EQ(ParseCommentWord("commentaddtopic:")->number, 0);
    EXPECT_EQ(ParseCommentWord("commentaddtopic:abc")->number, 0);
    EXPECT_EQ(ParseCommentWord("commentaddtopicfoo:3")->number, 3);
    EXPECT_GT(ParseCommentWord("commentaddtopic:99999999999999999999")->number, 0);

    EXPECT_FALSE(ParseCommentWord("comment"));
    EXPECT_FALSE(ParseCommentWord("commentadd:12"));
    EXPECT_FALSE(ParseCommentWord("CommentAddTopic:12"));
    EXPECT_FALSE(ParseCommentWord(" commentaddtopic:12"));
    EXPECT_FALSE(ParseCommentWord(""));
}

// The query of `url` as the service reads it.
std::map<std::string, std::string> QueryOf(const std::string& url, std::string* verb) {
    std::map<std::string, std::string> fields;
    size_t q = url.find('?');
    std::string query = url.substr(q + 1);
    size_t start = 0;
    bool first = true;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        std::string part = query.substr(start, end - start);
        size_t eq = part.find('=');
        if (first)
            *verb = part;
        else
            fields[part.substr(0, eq)] = eq == std::string::npos ? "" : FormDecode(part.substr(eq + 1));
        first = false;
        start = end + 1;
    }
    return fields;
}

TEST(CommentRequest, FieldsTravelEscapedAndComeBackWhole) {
    NewTopic t{12, "walker", "Tea & cakes?", "50% off #today\nline two=yes +more"};
    auto url = AddTopicRequest("127.0.0.1:7780", t);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->rfind("http://127.0.0.1:7780/scripts/show.dll?", 0), 0u);
    EXPECT_EQ(url->find_first_of(" #\n"), std::string::npos) << *url;
    std::string verb;
    auto f = QueryOf(*url, &verb);
    EXPECT_EQ(verb, "AddTopic");
    EXPECT_EQ(f["C"], "12");
    EXPECT_EQ(f["O"], "walker");
    EXPECT_EQ(f["DESC"], t.description);
    EXPECT_EQ(f["LDESC"], t.longDescription);
    EXPECT_EQ(f.size(), 6u);  // C, O, AP, PP, DESC, LDESC

    NewComment c{7, "guest", "Re: a&b", "x=1&y=2 ünïcode", "http://h/a b?c=d", "pic", "", "none"};
    auto curl = AddCommentRequest("svc.example", c);
    ASSERT_TRUE(curl);
    EXPECT_EQ(curl->find(' '), std::string::npos);
    f = QueryOf(*curl, &verb);
    EXPECT_EQ(verb, "AddComment");
    EXPECT_EQ(f["T"], "7");
    EXPECT_EQ(f["P"], "0");
    EXPECT_EQ(f["PWD"], "");
    EXPECT_EQ(f["H"], c.heading);
    EXPECT_EQ(f["U"], "guest");
    EXPECT_EQ(f["TXT"], c.text);
    EXPECT_EQ(f["AURL"], c.attachUrl);
    EXPECT_EQ(f["ADESC"], "pic");
    EXPECT_EQ(f["LURL"], "");
    EXPECT_EQ(f["LDESC"], "none");
}

TEST(CommentRequest, LengthLimitsCountTheEscapedRequest) {
    NewTopic t{1, "u", "", ""};
    std::string base = *AddTopicRequest("h", t);
    // Room left up to the limit, filled with letters: exactly at the limit passes.
    t.longDescription.assign(kAddTopicMaxUrl - base.size(), 'a');
    EXPECT_EQ(AddTopicRequest("h", t)->size(), kAddTopicMaxUrl);
    t.longDescription += 'a';
    EXPECT_FALSE(AddTopicRequest("h", t));
    // A third as many spaces-and-signs grow three times when escaped.
    t.longDescription.assign((kAddTopicMaxUrl - base.size()) / 3 + 1, '&');
    EXPECT_FALSE(AddTopicRequest("h", t));

    NewComment c;
    c.text.assign(3000, 'b');  // over the topic limit, under the comment one
    EXPECT_TRUE(AddCommentRequest("h", c));
    c.text.assign(kAddCommentMaxUrl, 'b');
    EXPECT_FALSE(AddCommentRequest("h", c));
}

}  // namespace
}  // namespace sky
