#include "core/homepage/wizard_page.h"

#include "core/base/atomic_file.h"
#include "core/homepage/page_text.h"

namespace sky::homepage {

namespace {

// The file was written in text mode: every "\n" is CR LF on disk.
std::string TextMode(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Lines joined with nothing between them; each line loses its LF and one CR
// before it, as a text-mode read gives them.
std::string JoinLines(std::string_view file) {
    std::string out;
    out.reserve(file.size());
    size_t from = 0;
    while (from < file.size()) {
        size_t nl = file.find('\n', from);
        size_t end = nl == std::string_view::npos ? file.size() : nl;
        std::string_view line = file.substr(from, end - from);
        if (line.ends_with('\r')) line.remove_suffix(1);
        out.append(line);
        if (nl == std::string_view::npos) break;
        from = nl + 1;
    }
    return out;
}

bool Has(std::string_view text, std::string_view what) {
    return text.find(what) != std::string_view::npos;
}

}  // namespace

std::string WriteWizardPage(WizardPage& page) {
    if (page.bgColor.empty()) page.bgColor = "FFFFFF";
    if (page.textColor.empty()) page.textColor = "000000";
    if (page.linkColor.empty()) page.linkColor = "0000FF";
    if (page.vlinkColor.empty()) page.vlinkColor = "FF0000";
    std::string s = "<!--Begin Heading Block-->\n";
    s += "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML>\n<head>\n";
    s += "<meta http-equiv=\"Content-Type\"\tcontent=\"text/html; charset=iso-8859-1\">\n";
    s += "<meta name=\"GENERATOR\" content=\"Skyharbor Homepage Wizard\">\n";
    s += "<TITLE>" + EscapeText(page.title) + "</TITLE>\n</HEAD>\n\n";
    s += "<!--End Heading Block *-->\n<!--Begin Body Block-->\n";
    s += "<BODY BGCOLOR=" + page.bgColor;
    if (!page.background.empty()) s += " BACKGROUND=" + page.background;
    s += " TEXT=" + page.textColor + " LINK=" + page.linkColor + " VLINK=" + page.vlinkColor + ">\n";
    s += "<!--End Body Block *-->\n";
    for (const auto& item : page.items)
        s += "<!--Begin Content (" + item.type + ") Block -->\n" + item.html +
             "\n<!--End Content Block *-->\n";
    s += "</BODY>\r\n</HTML>\n";
    return TextMode(s);
}

WizardPage ReadWizardPage(std::string_view file) {
    WizardPage page;
    std::string joined = JoinLines(file);
    std::string_view left = joined;
    constexpr auto npos = std::string_view::npos;
    // Every step moves past a "*-->", so the loop ends on any input.
    for (size_t b; (b = left.find("<!--Begin")) != npos;) {
        size_t h = left.find("-->"), e = left.find("<!--End"), f = left.find("*-->");
        if (h == npos || e == npos || f == npos) break;
        h += 3;
        f += 4;
        if (!(b < h && e < f && b < e)) break;
        std::string_view header = left.substr(b, h - b);
        std::string_view body = h <= e ? left.substr(h, e - h) : std::string_view();
        if (Has(header, "Content")) {
            for (std::string_view type : {kTitleItem, kTextItem, kGraphicItem, kLinkItem})
                if (Has(header, type)) page.items.push_back(ReadContentItem(type, body));
        }
        if (Has(header, "Heading")) page.title = UnescapeText(Between(body, "<TITLE>", "</TITLE>"));
        if (Has(header, "Body")) {
            page.bgColor = ColourAfter(body, " BGCOLOR=");
            page.textColor = ColourAfter(body, " TEXT=");
            page.linkColor = ColourAfter(body, " LINK=");
            page.vlinkColor = ColourAfter(body, " VLINK=");
            size_t at = body.find(" BACKGROUND=");
            if (at != npos) page.background = Between(body.substr(at), " BACKGROUND=", " TEXT=");
        }
        left = left.substr(f);
    }
    return page;
}

bool SaveWizardPage(const std::string& path, WizardPage& page, std::string* message) {
    if (WriteFileAtomically(path, WriteWizardPage(page))) return true;
    if (message) *message = "Could not open file: " + path;
    return false;
}

bool LoadWizardPage(const std::string& path, WizardPage* page) {
    std::string data;
    if (!ReadWholeFile(path, &data)) return false;
    *page = ReadWizardPage(data);
    return true;
}

}  // namespace sky::homepage
