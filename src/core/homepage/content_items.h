#pragma once

#include <string>
#include <string_view>
#include <vector>

// The home page wizard's content items: what each kind of item looks like in
// the page, how the wizard builds its list from the member's details, and how
// an item is read back from its HTML. Texts the member types are plain text
// and are escaped on the way into the page.
namespace sky::homepage {

inline constexpr std::string_view kTitleItem = "Title";
inline constexpr std::string_view kTextItem = "Text";
inline constexpr std::string_view kGraphicItem = "Graphic";
inline constexpr std::string_view kLinkItem = "Link";

struct ContentItem {
    std::string type;         // "Title", "Text", "Graphic" or "Link"
    std::string description;  // shown in the wizard's lists
    std::string html;
};

struct TitleItem {
    std::string headingTag = "H2";
    std::string colour = "#000000";
    std::string text;
    bool centred = true;
    bool separator = false;
    std::string separatorImage;  // empty: a rule instead of an image
};
// "<!--Seperator-->" then the image paragraph or "<HR SIZE=6>", then "\r\n".
std::string SeparatorHtml(std::string_view image);
std::string BuildTitle(const TitleItem& item);
TitleItem ReadTitle(std::string_view html);

struct TextItem {
    std::string text;  // line breaks become "<BR>"
    bool centred = false, bold = false, italic = false;
    bool bullet = false;
    std::string bulletImage;
};
std::string BuildText(const TextItem& item);
// Line breaks come back as "\n".
TextItem ReadText(std::string_view html);

struct GraphicItem {
    std::string address;
    bool centred = false;
};
std::string BuildGraphic(const GraphicItem& item);
GraphicItem ReadGraphic(std::string_view html);

struct LinkItem {
    std::string address;
    std::string text;
};
std::string BuildLink(const LinkItem& item);
LinkItem ReadLink(std::string_view html);

// The links page's address rule: "www." or "WWW." at the start gets "http://".
std::string TypedLinkAddress(std::string_view typed);
// The question before a link row is deleted (title "Confirm Delete").
std::string ConfirmDeleteLinkQuestion(std::string_view description);

// The member's details from the first wizard page.
struct UserInfo {
    std::string name, email, companyUrl, occupation, company, text;
};

// The list built when the member leaves the details page forward.
std::vector<ContentItem> UserInfoContent(const UserInfo& info);

// The final list built when the member leaves the links page forward.
// `links` are the links page's rows (their type is "Link").
std::vector<ContentItem> FinalContent(const UserInfo& info, std::string_view separatorImage,
                                      std::string_view bulletImage, const std::vector<ContentItem>& links);

// An item read back from its HTML with the parser of its type; the
// description is the item's text (a graphic's address).
ContentItem ReadContentItem(std::string_view type, std::string_view html);

}  // namespace sky::homepage
