#include "core/homepage/starter_page.h"

#include "core/base/paths.h"
#include "core/homepage/page_text.h"

namespace sky::homepage {

namespace {

std::string Paragraph(std::string_view name, std::string_view topic, std::string_view text) {
    std::string p = "<!--##HP:BODYBLOCK~";
    p += name;
    p += "~0~##--><TABLE BORDER=0 WIDTH=600 CELLPADDING=6 CELLSPACING=6>"
         "<TR><TD VALIGN=TOP ALIGN=LEFT WIDTH=130><font size=4 face=helvetica, 'arial black'><B>"
         "<!--##TOPIC##-->";
    p += topic;
    p += "<!--##ENDTOPIC##--></font></B></TD><TD VALIGN=TOP><font face=arial,helvetica><!--##TEXT##-->";
    p += text;
    p += "<!--##ENDTEXT##--></font></TD></TR></TABLE><!--##ENDTEXT##--></font></TD></TR></TABLE><P>";
    return p;
}

}  // namespace

std::string StarterPageFormat(std::string_view logoAddress) {
    std::string logo;
    for (char c : logoAddress) {
        logo += c;
        if (c == '%') logo += '%';
    }
    std::string f =
        "<!--##HP:HIDDEN##--><HTML>"
        "<!--##HP:COLORSCHEME##--><BODY  BGCOLOR=#008000 TEXT=#FFFFFF LINK=#FFFF80 VLINK=#FFFFFF>"
        "<!--##HP:HEADER~ ~0~##--><CENTER><TABLE BORDER=0 WIDTH=600 CELLPADDING=4 CELLSPACING=4> "
        "<TR><TD COLSPAN=2><HR></TD></TR><TR><TD VALIGN=CENTER><IMG SRC=";
    f += logo;
    f += "></TD><TD WIDTH=100%%><FONT SIZE=6 face=helvetica, 'arial black'><B>"
         "<!--##TITLE##-->%s<!--##ENDTITLE##--></B></FONT><BR><!--##SUBTITLE##-->%s<!--##ENDSUBTITLE##-->"
         "</TD></TR><TR><TD COLSPAN=2><HR></TD></TR></TABLE>";
    f += Paragraph("INTRO", "INTRO", "This is my page.  It's all the rage.  I don't belong in a cage.");
    f += Paragraph("DETAILS", "DETAILS",
                   "This is the second paragraph.This is the second sentence paragraph.This is the sentence "
                   "which follows the second sentence of the second paragraph.");
    f += Paragraph("WRAP-UP", "CONTACT ME", "%s");
    f += "</HTML>";
    return f;
}

std::string FillPageFormat(std::string_view format, std::initializer_list<std::string_view> texts) {
    std::string out;
    auto next = texts.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's') {
                if (next != texts.end()) out += EscapeText(*next++);
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string SimpleWizardRemoteName(const SimpleWizardFields& fields) {
    return fields.standardName ? "index.htm" : fields.remoteName;
}

std::string MemberWebAddress(const std::string& webHost, std::string_view account) {
    return "http://" + webHost + "/~" + std::string(account);
}

std::string BuildStarterPage(const SimpleWizardFields& fields, std::string_view logoAddress) {
    return FillPageFormat(StarterPageFormat(logoAddress), {fields.title, fields.subtitle, fields.contact});
}

std::string PagePath(std::string_view fileName) {
    std::string dir = GetDataDir("Pages");
    return dir.empty() ? std::string() : dir + std::string(fileName);
}

std::string SimpleWizardPagePath() {
    return PagePath("_skywiz.htm");
}

}  // namespace sky::homepage
