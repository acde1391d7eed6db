#include "core/homepage/content_items.h"

#include "core/base/text_util.h"
#include "core/homepage/page_text.h"

namespace sky::homepage {

namespace {

std::string WithBreaks(std::string_view text) {
    std::string escaped = EscapeText(text), out;
    for (size_t i = 0; i < escaped.size(); ++i) {
        char c = escaped[i];
        if (c == '\r' || c == '\n') {
            out += "<BR>";
            if (c == '\r' && i + 1 < escaped.size() && escaped[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string FromBreaks(std::string_view html) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = html.find("<BR>", from)) != std::string_view::npos; from = at + 4) {
        out += UnescapeText(html.substr(from, at - from));
        out += '\n';
    }
    out += UnescapeText(html.substr(from));
    return out;
}

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0) {
    std::string lower = ToLower(text);
    return lower.find(ToLower(needle), from);
}

// The text after `open` (any case) up to `close`; empty when `open` is missing.
std::string AfterNoCase(std::string_view text, std::string_view open, std::string_view close) {
    size_t at = FindNoCase(text, open);
    if (at == std::string::npos) return {};
    at += open.size();
    size_t end = text.find(close, at);
    return std::string(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
}

bool Has(std::string_view text, std::string_view what) {
    return text.find(what) != std::string_view::npos;
}

std::string LinkHtml(std::string_view address, std::string_view text) {
    return "<CENTER><P><A HREF=\"" + EscapeText(address, true) + "\"><!---->" + EscapeText(text) +
           "</A></P></CENTER>";
}

std::string HomePageTitle(const UserInfo& info) {
    return info.name.empty() ? "My Home Page" : info.name + "'s Home Page";
}

std::string TitleHead(std::string_view title) {
    return "<H2><CENTER><FONT COLOR=#000000>" + EscapeText(title) + "</FONT></H2></CENTER><!--Seperator-->";
}

}  // namespace

std::string SeparatorHtml(std::string_view image) {
    std::string out = "<!--Seperator-->";
    if (image.empty())
        out += "<HR SIZE=6>";
    else
        out += "<P ALIGN=CENTER><IMG BORDER=0 src=" + std::string(image) + "></P>";
    return out + "\r\n";
}

std::string BuildTitle(const TitleItem& item) {
    std::string out = "<" + item.headingTag + ">";
    if (item.centred) out += "<CENTER>";
    out += "<FONT COLOR=" + item.colour + ">" + EscapeText(item.text) + "</FONT></" + item.headingTag + ">";
    if (item.centred) out += "</CENTER>";
    if (item.separator) out += SeparatorHtml(item.separatorImage);
    return out;
}

TitleItem ReadTitle(std::string_view html) {
    TitleItem item;
    size_t h = html.find("<H");
    item.headingTag = h == std::string_view::npos ? std::string() : std::string(html.substr(h + 1, 2));
    size_t font = html.find("<FONT COLOR=#");
    size_t textFrom = std::string_view::npos;
    if (font != std::string_view::npos) {
        size_t hash = font + std::string_view("<FONT COLOR=").size();
        item.colour = html.substr(hash, 7);
        textFrom = html.find('>', hash + item.colour.size());
    }
    if (textFrom != std::string_view::npos) {
        ++textFrom;
        size_t end = html.find("</FONT>", textFrom);
        item.text = UnescapeText(html.substr(textFrom, end == std::string_view::npos ? end : end - textFrom));
    } else {
        item.text.clear();
    }
    item.centred = Has(html, "<CENTER>");
    item.separator = Has(html, "<!--Seperator-->");
    if (item.separator) item.separatorImage = AfterNoCase(html, "src=", "></P>");
    return item;
}

std::string BuildText(const TextItem& item) {
    std::string out;
    if (item.centred) out += "<CENTER>";
    if (item.bold) out += "<B>";
    if (item.italic) out += "<I>";
    out += "<P>";
    if (item.bullet) out += "<!--BULLET--><IMG BORDER=0 src=" + item.bulletImage + ">";
    out += "<!--TEXT-->" + WithBreaks(item.text) + "</P>";
    if (item.centred) out += "</CENTER>";
    if (item.bold) out += "</B>";
    if (item.italic) out += "</I>";
    return out;
}

TextItem ReadText(std::string_view html) {
    TextItem item;
    // The details page's free-text item carries no TEXT marker: its text
    // starts after the paragraph tag.
    std::string_view open = Has(html, "<!--TEXT-->") ? "<!--TEXT-->" : "<P>";
    if (Has(html, open)) item.text = FromBreaks(Between(html, open, "</P>"));
    item.centred = Has(html, "<CENTER>");
    item.bold = Has(html, "<B>");
    item.italic = Has(html, "<I>");
    item.bullet = Has(html, "<!--BULLET-->");
    if (item.bullet) item.bulletImage = AfterNoCase(html, "src=", "><!--TEXT-->");
    return item;
}

std::string BuildGraphic(const GraphicItem& item) {
    std::string out;
    if (item.centred) out += "<CENTER>";
    out += "<IMG SRC=\"" + EscapeText(item.address, true) + "\"><!---->";
    if (item.centred) out += "</CENTER>";
    return out;
}

GraphicItem ReadGraphic(std::string_view html) {
    GraphicItem item;
    item.address = UnescapeText(Between(html, "<IMG SRC=\"", "\"><!---->"));
    item.centred = Has(html, "<CENTER>");
    return item;
}

std::string BuildLink(const LinkItem& item) {
    return LinkHtml(item.address, item.text);
}

LinkItem ReadLink(std::string_view html) {
    LinkItem item;
    item.address = UnescapeText(Between(html, "<A HREF=\"", "\"><!---->"));
    item.text = UnescapeText(Between(html, "\"><!---->", "</A>"));
    return item;
}

std::string TypedLinkAddress(std::string_view typed) {
    if (typed.starts_with("www.") || typed.starts_with("WWW.")) return "http://" + std::string(typed);
    return std::string(typed);
}

std::string ConfirmDeleteLinkQuestion(std::string_view description) {
    return "Are you sure that you want to delete the link to " + std::string(description);
}

std::vector<ContentItem> UserInfoContent(const UserInfo& info) {
    std::vector<ContentItem> items;
    std::string title = HomePageTitle(info);
    items.push_back({"Title", title, TitleHead(title) + "<HR SIZE=6>"});
    if (!info.email.empty())
        items.push_back(
            {"Link", "Write Me at " + info.email, LinkHtml("mailto:" + info.email, "Write Me!!!")});
    if (!info.companyUrl.empty()) {
        std::string url =
            info.companyUrl.starts_with("http://") ? info.companyUrl : "http://" + info.companyUrl;
        items.push_back({"Link", "My Company's Web Site", LinkHtml(url, "My Company's Web Site")});
    }
    items.push_back({"Text", info.text, "<CENTER><P>" + WithBreaks(info.text) + "</P></CENTER>"});
    return items;
}

std::vector<ContentItem> FinalContent(const UserInfo& info, std::string_view separatorImage,
                                      std::string_view bulletImage, const std::vector<ContentItem>& links) {
    std::vector<ContentItem> items;
    std::string title = HomePageTitle(info);
    std::string sep = separatorImage.empty()
                          ? std::string("<P><HR></P>")
                          : "<P ALIGN=CENTER><IMG BORDER=0 src=" + std::string(separatorImage) + "></P>";
    items.push_back({"Title", title, TitleHead(title) + sep});
    auto bulleted = [&](const std::string& text) {
        std::string open =
            bulletImage.empty()
                ? std::string("<CENTER><P>")
                : "<CENTER><P><!--BULLET--><IMG BORDER=0 SRC=" + std::string(bulletImage) + ">";
        return ContentItem{"Text", text, open + "<!--TEXT-->" + WithBreaks(text) + "</P></CENTER>"};
    };
    if (!info.occupation.empty()) items.push_back(bulleted("My Occupation: " + info.occupation));
    if (!info.company.empty()) items.push_back(bulleted("My Company: " + info.company));
    for (const auto& link : links) items.push_back({"Link", link.description, link.html});
    items.push_back({"Text", info.text, "<CENTER><P><!--TEXT-->" + WithBreaks(info.text) + "</P></CENTER>"});
    return items;
}

ContentItem ReadContentItem(std::string_view type, std::string_view html) {
    ContentItem item{std::string(type), {}, std::string(html)};
    if (type == kTitleItem)
        item.description = ReadTitle(html).text;
    else if (type == kTextItem)
        item.description = ReadText(html).text;
    else if (type == kGraphicItem)
        item.description = ReadGraphic(html).address;
    else if (type == kLinkItem)
        item.description = ReadLink(html).text;
    return item;
}

}  // namespace sky::homepage
