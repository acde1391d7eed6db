#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/text_util.h"
#include "core/base/url_codec.h"
#include "member_service/member_store.h"

namespace sky::member {

// One channel of the public list: name, then entries; an entry with pages is a folder.
struct ChannelPage {
    std::string name;
    std::string url;
};
struct ChannelEntry {
    std::string name;
    std::string url;  // empty for a folder
    std::vector<ChannelPage> pages;
};
struct Channel {
    std::string name;
    std::string about;
    std::vector<ChannelEntry> entries;
};

const std::vector<Channel>& PublicChannels();
// The tagged-line channel file, byte for byte as the program's writer makes it.
std::string ChannelFile(const std::vector<const Channel*>& channels);

struct LocalRegion {
    std::string file;  // "<file>.sky" under /~skylocal/
    std::string title;
    std::string zips;  // which postal codes it covers, for the page
    Channel channel;   // named "local"
};
const std::vector<LocalRegion>& LocalRegions();

// A GIF image drawn in code for the wizard pickers and the title logo; empty
// when no such image exists.
std::string WizardImage(std::string_view name);
// Picker page "backgrounds", "bullets" or "separators"; empty when unknown.
std::string PickerPage(std::string_view kind, const std::string& base);
std::string TemplateList(const std::string& base);
// A page template in the block-marker format; empty when unknown.
std::string TemplatePage(std::string_view name, const std::string& base);

// Every page shares this frame; `body` is already HTML.
std::string Page(const std::string& title, const std::string& body, const std::string& base);
std::string StyleSheet();

// `member`: the account is a known member (else it is greeted as a visitor).
std::string StartPage(const std::string& base, const std::string& zip, const std::string& account,
                      bool member);
std::string ChannelIntroPage(const std::string& base, const std::string& channel, const std::string& account);
std::string MemberLookupPage(const std::string& base, const std::string& query,
                             const std::optional<MemberRecord>& member);
std::string FingerPage(const std::string& base, const MemberRecord& member, size_t files);
// The region list; a known postal code `zip` puts its region on top.
std::string LocalPage(const std::string& base, const std::string& zip = {});
// The region whose codes hold `zip`, or null.
const LocalRegion* RegionOfPostalCode(std::string_view zip);
// `member`: the member the page is for, empty for a visitor.
std::string ChatPage(const std::string& base, const std::string& member = {});
std::string AdPage(const std::string& base, unsigned turn);
std::string TopicsPage(const std::string& base, const std::vector<Topic>& topics);
std::string TopicPage(const std::string& base, const Topic& topic, const std::vector<Comment>& comments);
std::string ErrorPage(const std::string& base, const std::string& title, const std::string& text);

}  // namespace sky::member
