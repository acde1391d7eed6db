#include "core/homepage/page_block.h"

#include "core/base/atomic_file.h"
#include "core/base/service_config.h"
#include "core/homepage/page_text.h"

namespace sky::homepage {

namespace {

constexpr std::string_view kMarker = "<!--##HP:";

// Text typed into a structured field goes back into the file between markers;
// a marker inside it would cut the block or the field on the next read, so it
// is written as visible text instead.
std::string FieldText(std::string_view text) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find("<!--##", from)) != std::string_view::npos; from = at + 1) {
        out.append(text.substr(from, at - from));
        out += "&lt;";
    }
    out.append(text.substr(from));
    return out;
}

// A name stands inside the marker comment: '~' would shift the number field and
// '>' could close the comment early.
std::string MarkerName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c == '~' || c == '>') c = '_';
    return out;
}

// A colour is a short token; anything that could end the tag or start a
// comment is dropped so the value reads back as written.
std::string ColourField(std::string_view colour) {
    std::string out;
    for (char c : colour.substr(0, 7)) {
        if (c == ' ' || c == '>' || c == '\r' || c == '\n') break;
        out += c == '<' ? '_' : c;
    }
    return out;
}

// The background is an unquoted address: blanks and '>' would end the value.
std::string BackgroundField(std::string_view address) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : FieldText(address)) {
        if (c == ' ' || c == '>' || c == '\r' || c == '\n' || c == '\t') {
            out += '%';
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

bool IsStructured(const PageBlock& block) {
    return block.kind() == BlockKind::Title || block.kind() == BlockKind::Paragraph;
}

std::unique_ptr<PageBlock> MakeBlock(std::string_view text) {
    auto starts = [&](std::string_view p) { return text.substr(0, p.size()) == p; };
    if (starts("<!--##HP:PLAIN")) return std::make_unique<HtmlBlock>();
    if (starts("<!--##HP:WIZARD")) return std::make_unique<WizardBlock>();
    if (starts("<!--##HP:COLORSCHEME")) return std::make_unique<ColorSchemeBlock>();
    if (starts("<!--##HP:HEADER")) return std::make_unique<TitleBlock>();
    if (starts("<!--##HP:BODYBLOCK")) return std::make_unique<ParagraphBlock>();
    if (starts("<!--##HP:HIDDEN")) return std::make_unique<HiddenBlock>();
    return std::make_unique<UnmarkedBlock>();
}

}  // namespace

MarkerFields ReadMarkerFields(std::string_view blockText) {
    if (!blockText.starts_with(kMarker)) return {};
    size_t close = blockText.find("-->");
    std::string_view marker = blockText.substr(0, close == std::string_view::npos ? blockText.size() : close);
    MarkerFields f;
    size_t t1 = marker.find('~');
    f.head = marker.substr(0, t1);
    if (t1 == std::string_view::npos) return f;
    size_t t2 = marker.find('~', t1 + 1);
    if (t2 == std::string_view::npos) return f;
    f.name = marker.substr(t1 + 1, t2 - t1 - 1);
    size_t t3 = marker.find('~', t2 + 1);
    if (t3 != std::string_view::npos) f.number = ParseNumber(marker.substr(t2 + 1, t3 - t2 - 1));
    return f;
}

const char* PageBlock::KindName() const {
    switch (kind()) {
        case BlockKind::Html:
            return "HtmlBlock";
        case BlockKind::Wizard:
            return "WizardBlock";
        case BlockKind::ColorScheme:
            return "ColorSchemeBlock";
        case BlockKind::Title:
            return "TitleBlock";
        case BlockKind::Paragraph:
            return "ParagraphBlock";
        case BlockKind::Hidden:
            return "HiddenBlock";
        case BlockKind::Unmarked:
            return "UnmarkedBlock";
    }
    return "";
}

BlockListing PageBlock::DisplayName() const {
    switch (kind()) {
        case BlockKind::Html:
        case BlockKind::Unmarked:
            return {"HTML:" + name, 2};
        case BlockKind::Wizard:
            return {"Wizard:" + name, 2};
        case BlockKind::ColorScheme:
            return {"Color Scheme", 17};
        case BlockKind::Title:
            return {"Title Block", 14};
        case BlockKind::Paragraph:
            return {"Paragraph:" + name, 14};
        case BlockKind::Hidden:
            return {"Bare HTML Block", 2};
    }
    return {};
}

void ColorSchemeBlock::Parse(std::string_view text) {
    bgColor = ColourAfter(text, " BGCOLOR=");
    textColor = ColourAfter(text, " TEXT=");
    linkColor = ColourAfter(text, " LINK=");
    vlinkColor = ColourAfter(text, " VLINK=");
    background.clear();
    size_t at = text.find(" BACKGROUND=");
    if (at == std::string_view::npos) return;
    at += std::string_view(" BACKGROUND=").size();
    size_t end = std::min(text.find(" BGCOLOR=", at), text.find(" TEXT=", at));
    background = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

void ColorSchemeBlock::Write(std::string& out, std::string_view) {
    out += "<!--##HP:COLORSCHEME##--><BODY ";
    if (!background.empty()) out += "BACKGROUND=" + BackgroundField(background);
    out += " BGCOLOR=" + ColourField(bgColor) + " TEXT=" + ColourField(textColor) +
           " LINK=" + ColourField(linkColor) + " VLINK=" + ColourField(vlinkColor) + ">\r\n";
}

void TitleBlock::Parse(std::string_view text) {
    style = ReadMarkerFields(text).number;
    title = Between(text, "<!--##TITLE##-->", "<!--##ENDTITLE##-->");
    subtitle = Between(text, "<!--##SUBTITLE##-->", "<!--##ENDSUBTITLE##-->");
    size_t img = text.find("<IMG SRC=");
    if (img != std::string_view::npos && img < text.find("<!--##TITLE##-->")) {
        img += std::string_view("<IMG SRC=").size();
        size_t end = text.find('>', img);
        if (end != std::string_view::npos) logo = text.substr(img, end - img);
    }
}

void TitleBlock::Write(std::string& out, std::string_view logoAddress) {
    name = " ";
    std::string_view logoText = logo.empty() ? logoAddress : std::string_view(logo);
    std::string logoRow = std::string(style == 4 ? "\r\n<TR><TD BGCOLOR=cccccc VALIGN=CENTER><IMG SRC="
                                                 : "\r\n<TR><TD VALIGN=CENTER><IMG SRC=") +
                          FieldText(logoText) + "></TD>";
    const char* borderless = "<TABLE BORDER=0 WIDTH=600 CELLPADDING=4 CELLSPACING=4> ";
    std::string opening, cell, after, closing;
    switch (style) {
        case 1:
        case 2:
        case 3:
            opening = borderless;
            cell = style == 1   ? "\r\n<TR><TD VALIGN=LEFT>"
                   : style == 2 ? "\r\n<TR><TD ALIGN=CENTER>"
                                : "\r\n<TR><TD ALIGN=RIGHT>";
            after = "\r\n</B></FONT><P>";
            closing = "\r\n<HR></TD></TR></TABLE>";
            break;
        case 4:
            opening = "<TABLE BORDER=5 WIDTH=600 CELLPADDING=4 CELLSPACING=4> ";
            cell = logoRow + "\r\n<TD WIDTH=100% BGCOLOR=cccccc>";
            after = "\r\n</B></FONT><BR>";
            closing = "\r\n</TD></TR></TABLE>";
            break;
        default:
            opening = std::string(borderless) + "\r\n<TR><TD COLSPAN=2><HR></TD></TR>";
            cell = logoRow + "\r\n<TD WIDTH=100%>";
            after = "\r\n</B></FONT><BR>";
            closing = "\r\n</TD></TR><TR><TD COLSPAN=2><HR></TD></TR></TABLE>";
    }
    out += "\r\n<!--##HP:HEADER~" + name + "~" + std::to_string(style) + "~##-->";
    out += "<CENTER>" + opening + cell;
    out += "\r\n<FONT SIZE=6 face=helvetica, 'arial black'><B>\r\n<!--##TITLE##-->" + FieldText(title) +
           "<!--##ENDTITLE##-->";
    out += after + "\r\n<!--##SUBTITLE##-->" + FieldText(subtitle) + "<!--##ENDSUBTITLE##-->" + closing;
}

void ParagraphBlock::Parse(std::string_view text) {
    style = ReadMarkerFields(text).number;
    topic = Between(text, "<!--##TOPIC##-->", "<!--##ENDTOPIC##-->");
    this->text = Between(text, "<!--##TEXT##-->", "<!--##ENDTEXT##-->");
    // The writer puts a line break before the end marker; taking it back here
    // keeps the text from growing by a line each time the page is reopened.
    if (text.find("<!--##ENDTEXT##-->") != std::string_view::npos && this->text.ends_with("\r\n"))
        this->text.resize(this->text.size() - 2);
}

void ParagraphBlock::Write(std::string& out, std::string_view) {
    std::string safeTopic = FieldText(topic);
    // Eight bytes of the topic as written, backed off so a UTF-8 character is
    // never cut in two.
    size_t cut = std::min<size_t>(8, safeTopic.size());
    while (cut > 0 && cut < safeTopic.size() && (static_cast<unsigned char>(safeTopic[cut]) & 0xC0) == 0x80)
        --cut;
    name = MarkerName(safeTopic.substr(0, cut));
    out += "\r\n<!--##HP:BODYBLOCK~" + name + "~" + std::to_string(style) + "~##-->";
    const char* headFont = "<font size=4 face=helvetica, 'arial black'><B>\r\n<!--##TOPIC##-->";
    const char* topicEnd = "<!--##ENDTOPIC##--></font></B><P>";
    switch (style) {
        case 1:
            out += "\r\n<TABLE BORDER=0 WIDTH=600 CELLPADDING=6 CELLSPACING=6>";
            out += "\r\n<TR><TD VALIGN=TOP ALIGN=LEFT>\r\n<font size=4 ><B>\r\n<!--##TOPIC##-->" + safeTopic +
                   topicEnd;
            out += "\r\n<font><!--##TEXT##-->";
            break;
        case 2:
        case 3:
            out += "\r\n<TABLE BORDER=0 WIDTH=600 CELLPADDING=6 CELLSPACING=6>";
            out +=
                style == 2 ? "\r\n<TR><TD VALIGN=TOP ALIGN=CENTER>" : "\r\n<TR><TD VALIGN=TOP ALIGN=RIGHT>";
            out += "\r\n" + std::string(headFont) + safeTopic + topicEnd;
            out += "\r\n<font face=arial,helvetica><!--##TEXT##-->";
            break;
        default:
            out += style == 4 ? "\r\n<TABLE BORDER=3 BGCOLOR=CCCCCC WIDTH=600 CELLPADDING=6 CELLSPACING=6>"
                              : "\r\n<TABLE BORDER=0 WIDTH=600 CELLPADDING=6 CELLSPACING=6>";
            out += "\r\n<TR><TD VALIGN=TOP ALIGN=LEFT WIDTH=130>" + std::string(headFont) + safeTopic +
                   "<!--##ENDTOPIC##--></font></B></TD>";
            out += "\r\n<TD VALIGN=TOP><font face=arial,helvetica><!--##TEXT##-->";
    }
    out += FieldText(text);
    out +=
        "\r\n<!--##ENDTEXT##--></font></TD></TR>\r\n</TABLE><!--##ENDTEXT##--></font></TD></TR></TABLE><P>";
}

std::string LogoAddress(const std::string& webHost) {
    return ServiceUrl(webHost, "/art/bwlogo.gif");
}

PageBlockList PageBlockList::Parse(std::string_view file) {
    PageBlockList list;
    size_t pos = 0;
    while (pos < file.size()) {
        size_t next = file.find(kMarker, pos + 1);
        size_t end = next == std::string_view::npos ? file.size() : next;
        std::string_view text = file.substr(pos, end - pos);
        auto block = MakeBlock(text);
        block->name = ReadMarkerFields(text).name;
        block->Parse(text);
        bool stuck = next != std::string_view::npos && next <= pos;
        if (stuck) {
            block->name = "Error";
            list.loopy_ = true;
        }
        list.blocks_.push_back(std::move(block));
        if (stuck || next == std::string_view::npos) break;
        pos = next;
    }
    // Line breaks that the writer puts back by itself (before a title or
    // paragraph marker, and the closing "\r\n</HTML>") are not kept in raw
    // blocks, so a page saved again and again stays the same size.
    auto& blocks = list.blocks_;
    for (size_t i = 0; i < blocks.size(); ++i) {
        auto* raw = dynamic_cast<RawBlock*>(blocks[i].get());
        if (!raw) continue;
        if (i + 1 < blocks.size()) {
            if (IsStructured(*blocks[i + 1]) && raw->html.ends_with("\r\n"))
                raw->html.resize(raw->html.size() - 2);
        } else if (raw->html.ends_with("\r\n</HTML>")) {
            raw->html.resize(raw->html.size() - 9);
        }
    }
    return list;
}

std::string PageBlockList::Write() {
    std::string logo =
        logo_.empty() ? LogoAddress(ServiceConfig::EmbeddedHosts(ServiceConfig::kDefaultPort).web) : logo_;
    std::string out;
    for (auto& block : blocks_) block->Write(out, logo);
    out += "\r\n</HTML>";
    return out;
}

bool PageBlockList::Load(const std::string& path) {
    std::string data;
    if (!ReadWholeFile(path, &data)) {
        blocks_.clear();
        return false;
    }
    std::string logo = std::move(logo_);
    *this = Parse(data);
    logo_ = std::move(logo);
    return true;
}

bool PageBlockList::Save(const std::string& path, std::string* message) {
    if (WriteFileAtomically(path, Write())) return true;
    if (message) *message = "Could not open file: " + path;
    return false;
}

}  // namespace sky::homepage
