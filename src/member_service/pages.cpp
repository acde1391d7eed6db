#include "member_service/pages.h"

#include "core/base/gif.h"

#include <cstdint>
#include <ctime>
#include <functional>

namespace sky::member {
namespace {

std::string Date(int64_t t) {
    if (t <= 0) return "never";
    time_t tt = time_t(t);
    struct tm tm {};
    gmtime_r(&tt, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
    return buf;
}

std::string A(const std::string& href, const std::string& text, const std::string& target = {}) {
    std::string a = "<a href=\"" + HtmlEscape(href) + "\"";
    if (!target.empty()) a += " target=\"" + target + "\"";
    return a + ">" + text + "</a>";
}

// A command link: the program drops the first 8 characters and runs the word.
std::string Command(const std::string& word, const std::string& text) {
    return A("command:" + word, text, "_skycmd");
}

// Only web addresses become links; anything else is shown as text.
bool WebAddress(const std::string& url) {
    return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

std::string HostOf(const std::string& base) {
    return base.substr(base.find("//") + 2);
}

// "%20" for blanks: the wizard shows the part after "?" with "%20" turned back.
std::string PickerText(std::string_view s) {
    std::string out;
    for (char c : s) out += c == ' ' ? std::string("%20") : std::string(1, c);
    return out;
}

struct Picker {
    const char* kind;
    const char* file;
    const char* text;
};

const Picker kPickers[] = {
    {"backgrounds", "bg-paper.gif", "Cream paper"},    {"backgrounds", "bg-sky.gif", "Summer sky"},
    {"backgrounds", "bg-checks.gif", "Grey checks"},   {"backgrounds", "bg-stripes.gif", "Mint stripes"},
    {"backgrounds", "bg-dots.gif", "Blue dots"},       {"bullets", "bullet-red.gif", "Red ball"},
    {"bullets", "bullet-blue.gif", "Blue ball"},       {"bullets", "bullet-square.gif", "Green square"},
    {"bullets", "bullet-diamond.gif", "Gold diamond"}, {"separators", "sep-blue.gif", "Blue bar"},
    {"separators", "sep-rainbow.gif", "Rainbow"},      {"separators", "sep-gold.gif", "Gold rule"},
    {"separators", "sep-dashes.gif", "Grey dashes"},
};

// ---- Home page templates, written the way the page editor writes its blocks.
std::string ColorScheme(const std::string& bg, const std::string& text, const std::string& link,
                        const std::string& vlink, const std::string& background) {
    std::string b = background.empty() ? "" : "BACKGROUND=" + background;
    return "<!--##HP:COLORSCHEME##--><BODY " + b + " BGCOLOR=" + bg + " TEXT=" + text + " LINK=" + link +
           " VLINK=" + vlink + ">\r\n";
}

std::string TitleBlock(int style, const std::string& title, const std::string& subtitle,
                       const std::string& logo) {
    const std::string table = "<TABLE BORDER=0 WIDTH=600 CELLPADDING=4 CELLSPACING=4> ";
    std::string open, cell, after, close;
    if (style >= 1 && style <= 3) {
        open = table;
        cell = style == 1   ? "\r\n<TR><TD VALIGN=LEFT>"
               : style == 2 ? "\r\n<TR><TD ALIGN=CENTER>"
                            : "\r\n<TR><TD ALIGN=RIGHT>";
        after = "\r\n</B></FONT><P>";
        close = "\r\n<HR></TD></TR></TABLE>";
    } else if (style == 4) {
        open = "<TABLE BORDER=5 WIDTH=600 CELLPADDING=4 CELLSPACING=4> ";
        cell = "\r\n<TR><TD BGCOLOR=cccccc VALIGN=CENTER><IMG SRC=" + logo +
               "></TD>\r\n<TD WIDTH=100% BGCOLOR=cccccc>";
        after = "\r\n</B></FONT><BR>";
        close = "\r\n</TD></TR></TABLE>";
    } else {
        open = table + "\r\n<TR><TD COLSPAN=2><HR></TD></TR>";
        cell = "\r\n<TR><TD VALIGN=CENTER><IMG SRC=" + logo + "></TD>\r\n<TD WIDTH=100%>";
        after = "\r\n</B></FONT><BR>";
        close = "\r\n</TD></TR><TR><TD COLSPAN=2><HR></TD></TR></TABLE>";
    }
    return "\r\n<!--##HP:HEADER~ ~" + std::to_string(style) + "~##--><CENTER>" + open + cell +
           "\r\n<FONT SIZE=6 face=helvetica, 'arial black'><B>\r\n<!--##TITLE##-->" + title +
           "<!--##ENDTITLE##-->" + after + "\r\n<!--##SUBTITLE##-->" + subtitle + "<!--##ENDSUBTITLE##-->" +
           close;
}

std::string Paragraph(int style, const std::string& topic, const std::string& text) {
    std::string table = "\r\n<TABLE BORDER=0 WIDTH=600 CELLPADDING=6 CELLSPACING=6>", head, open;
    const std::string font = "<font size=4 face=helvetica, 'arial black'><B>\r\n<!--##TOPIC##-->";
    if (style == 1) {
        head = "\r\n<TR><TD VALIGN=TOP ALIGN=LEFT>\r\n<font size=4 ><B>\r\n<!--##TOPIC##-->" + topic +
               "<!--##ENDTOPIC##--></font></B><P>";
        open = "\r\n<font><!--##TEXT##-->";
    } else if (style == 2 || style == 3) {
        head = std::string(style == 2 ? "\r\n<TR><TD VALIGN=TOP ALIGN=CENTER>"
                                      : "\r\n<TR><TD VALIGN=TOP ALIGN=RIGHT>") +
               "\r\n" + font + topic + "<!--##ENDTOPIC##--></font></B><P>";
        open = "\r\n<font face=arial,helvetica><!--##TEXT##-->";
    } else {
        if (style == 4) table = "\r\n<TABLE BORDER=3 BGCOLOR=CCCCCC WIDTH=600 CELLPADDING=6 CELLSPACING=6>";
        head = "\r\n<TR><TD VALIGN=TOP ALIGN=LEFT WIDTH=130>" + font + topic +
               "<!--##ENDTOPIC##--></font></B></TD>";
        open = "\r\n<TD VALIGN=TOP><font face=arial,helvetica><!--##TEXT##-->";
    }
    return "\r\n<!--##HP:BODYBLOCK~" + topic.substr(0, 8) + "~" + std::to_string(style) + "~##-->" + table +
           head + open + text +
           "\r\n<!--##ENDTEXT##--></font></TD></TR>\r\n</TABLE><!--##ENDTEXT##--></font></TD></TR></"
           "TABLE><P>";
}

struct Template {
    const char* file;
    const char* title;
    const char* about;
};
const Template kTemplates[] = {
    {"simple.htm", "Plain and simple", "White page, blue links, a title and three paragraphs."},
    {"family.htm", "Family news", "Warm colours and a boxed paragraph for the latest news."},
    {"hobby.htm", "My hobby", "A cream paper background, the logo title and a links paragraph."},
};

}  // namespace

const std::vector<Channel>& PublicChannels() {
    static const std::vector<Channel> channels = {
        {"News",
         "Headlines from the big newsrooms and wire services.",
         {{"Papers",
           "",
           {{"BBC News", "https://www.bbc.com/news"},
            {"The Guardian", "https://www.theguardian.com"},
            {"Reuters", "https://www.reuters.com"},
            {"AP News", "https://apnews.com"}}},
          {"Google News", "https://news.google.com", {}},
          {"NPR", "https://www.npr.org", {}}}},
        {"Weather",
         "Forecasts, radar and storm warnings.",
         {{"National Weather Service", "https://www.weather.gov", {}},
          {"Storms",
           "",
           {{"Hurricane Center", "https://www.nhc.noaa.gov"},
            {"Storm Prediction Center", "https://www.spc.noaa.gov"},
            {"Radar", "https://radar.weather.gov"}}},
          {"Met Office", "https://www.metoffice.gov.uk", {}}}},
        {"Sports",
         "Scores, schedules and the leagues' own pages.",
         {{"ESPN", "https://www.espn.com", {}},
          {"BBC Sport", "https://www.bbc.com/sport", {}},
          {"Leagues",
           "",
           {{"NFL", "https://www.nfl.com"},
            {"NBA", "https://www.nba.com"},
            {"MLB", "https://www.mlb.com"},
            {"NHL", "https://www.nhl.com"},
            {"FIFA", "https://www.fifa.com"}}}}},
        {"Technology",
         "Computing news and the free software world.",
         {{"Ars Technica", "https://arstechnica.com", {}},
          {"Hacker News", "https://news.ycombinator.com", {}},
          {"Linux",
           "",
           {{"LWN.net", "https://lwn.net"},
            {"The Linux Kernel", "https://www.kernel.org"},
            {"Debian", "https://www.debian.org"}}},
          {"Slashdot", "https://slashdot.org", {}}}},
        {"Reference",
         "Encyclopedias, dictionaries, maps and books.",
         {{"Wikipedia", "https://www.wikipedia.org", {}},
          {"Words",
           "",
           {{"Wiktionary", "https://www.wiktionary.org"},
            {"Merriam-Webster", "https://www.merriam-webster.com"}}},
          {"OpenStreetMap", "https://www.openstreetmap.org", {}},
          {"Books",
           "",
           {{"Project Gutenberg", "https://www.gutenberg.org"},
            {"Internet Archive", "https://archive.org"}}}}},
    };
    return channels;
}

std::string ChannelFile(const std::vector<const Channel*>& channels) {
    std::string f;
    for (const Channel* c : channels) {
        f += "\r\n~**:*********\r\n~CH:" + c->name;
        for (const ChannelEntry& e : c->entries) {
            f += "\r\n~**:- - -";
            if (e.pages.empty()) {
                f += "\r\n~FN:" + e.name + "\r\n~FU:" + e.url;
                continue;
            }
            f += "\r\n~FO:" + e.name;
            for (const ChannelPage& p : e.pages) f += "\r\n\r\n~PN:" + p.name + "\r\n~PU:" + p.url;
        }
    }
    return f;
}

const std::vector<LocalRegion>& LocalRegions() {
    static const std::vector<LocalRegion> regions = {
        {"northeast",
         "Northeast",
         "00000-19999",
         {"local",
          "",
          {{"New York City", "https://www.nyc.gov", {}},
           {"States",
            "",
            {{"New York", "https://www.ny.gov"},
             {"Massachusetts", "https://www.mass.gov"},
             {"Pennsylvania", "https://www.pa.gov"}}},
           {"Forecast", "https://www.weather.gov/okx/", {}}}}},
        {"southeast",
         "Southeast",
         "20000-39999",
         {"local",
          "",
          {{"Washington, DC", "https://dc.gov", {}},
           {"States",
            "",
            {{"Virginia", "https://www.virginia.gov"},
             {"Georgia", "https://georgia.gov"},
             {"Florida", "https://www.myflorida.com"}}},
           {"Forecast", "https://www.weather.gov/mfl/", {}}}}},
        {"central",
         "Central",
         "40000-79999",
         {"local",
          "",
          {{"Chicago", "https://www.chicago.gov", {}},
           {"States",
            "",
            {{"Illinois", "https://www.illinois.gov"},
             {"Ohio", "https://ohio.gov"},
             {"Texas", "https://www.texas.gov"}}},
           {"Forecast", "https://www.weather.gov/lot/", {}}}}},
        {"west",
         "West",
         "80000-99999",
         {"local",
          "",
          {{"San Francisco", "https://www.sf.gov", {}},
           {"States",
            "",
            {{"California", "https://www.ca.gov"},
             {"Oregon", "https://www.oregon.gov"},
             {"Washington", "https://wa.gov"},
             {"Colorado", "https://www.colorado.gov"}}},
           {"Forecast", "https://www.weather.gov/mtr/", {}}}}},
    };
    return regions;
}

std::string WizardImage(std::string_view name) {
    const std::vector<GifColour> greys = {{255, 255, 255}, {204, 204, 204}, {128, 128, 128}, {0, 0, 0}};
    auto ball = [](int cx, int cy, int r) {
        return [=](int x, int y) {
            int dx = x - cx, dy = y - cy, d = dx * dx + dy * dy;
            return d > r * r ? 0 : d < (r * r) / 5 && dx < 0 && dy < 0 ? 2 : 1;
        };
    };
    if (name == "bg-paper.gif")
        return EncodeGif(32, 32, {{250, 244, 225}, {238, 228, 200}},
                         [](int x, int y) { return (x * 7 + y * 13) % 23 == 0; });
    if (name == "bg-sky.gif")
        return EncodeGif(32, 32, {{200, 225, 255}, {225, 240, 255}, {255, 255, 255}},
                         [](int x, int y) { return (x / 8 + y / 11) % 5 == 0 ? 2 : (y / 16) % 2; });
    if (name == "bg-checks.gif")
        return EncodeGif(32, 32, {{240, 240, 240}, {224, 224, 224}},
                         [](int x, int y) { return (x / 16 + y / 16) % 2; });
    if (name == "bg-stripes.gif")
        return EncodeGif(32, 32, {{232, 250, 236}, {210, 240, 218}},
                         [](int x, int y) { return ((x + y) / 8) % 2; });
    if (name == "bg-dots.gif")
        return EncodeGif(32, 32, {{255, 255, 255}, {190, 215, 250}}, [](int x, int y) {
            int dx = x % 16 - 8, dy = y % 16 - 8;
            return dx * dx + dy * dy < 6;
        });
    if (name == "bullet-red.gif")
        return EncodeGif(14, 14, {{255, 255, 255}, {204, 0, 0}, {255, 170, 170}}, ball(7, 7, 6));
    if (name == "bullet-blue.gif")
        return EncodeGif(14, 14, {{255, 255, 255}, {0, 60, 200}, {170, 200, 255}}, ball(7, 7, 6));
    if (name == "bullet-square.gif")
        return EncodeGif(14, 14, {{255, 255, 255}, {0, 140, 60}},
                         [](int x, int y) { return x >= 2 && x < 12 && y >= 2 && y < 12; });
    if (name == "bullet-diamond.gif")
        return EncodeGif(14, 14, {{255, 255, 255}, {220, 170, 0}},
                         [](int x, int y) { return abs(x - 7) + abs(y - 7) < 7; });
    if (name == "sep-blue.gif")
        return EncodeGif(480, 8, {{255, 255, 255}, {0, 70, 160}, {90, 150, 230}}, [](int, int y) {
            return y == 0 || y == 7 ? 0 : y < 4 ? 2 : 1;
        });
    if (name == "sep-rainbow.gif")
        return EncodeGif(
            480, 8, {{228, 3, 3}, {255, 140, 0}, {255, 237, 0}, {0, 128, 38}, {0, 77, 255}, {117, 7, 135}},
            [](int x, int) { return x * 6 / 480; });
    if (name == "sep-gold.gif")
        return EncodeGif(480, 6, {{255, 255, 255}, {190, 140, 0}, {240, 200, 60}}, [](int, int y) {
            return y == 0 || y == 5 ? 0 : y == 2 ? 2 : 1;
        });
    if (name == "sep-dashes.gif")
        return EncodeGif(480, 4, greys,
                         [](int x, int y) { return y > 0 && y < 3 && (x / 12) % 2 == 0 ? 2 : 0; });
    if (name == "bwlogo.gif")
        return EncodeGif(64, 48, greys, [](int x, int y) {
            if (x < 2 || x > 61 || y < 2 || y > 45) return 3;
            int dx = x - 32, dy = y - 30;  // a dark hill under a grey sun
            if (dx * dx / 4 + dy * dy < 60 && y < 30) return 2;
            return y > 32 + (x % 16 < 8 ? x % 8 : 8 - x % 8) / 2 ? 3 : 0;
        });
    return {};
}

std::string StyleSheet() {
    return "body{font-family:Verdana,Arial,sans-serif;font-size:14px;margin:0;background:#f4f7fb;color:#"
           "1c2430}\n"
           ".top{background:#0b3d91;color:#fff;padding:10px 18px}\n.top a{color:#cfe0ff}\n"
           ".top h1{margin:0;font-size:22px}\n.main{padding:12px 18px;max-width:900px}\n"
           ".box{background:#fff;border:1px solid #c9d3e0;border-radius:4px;padding:8px 12px;margin:0 0 "
           "12px}\n"
           ".box h2{font-size:16px;margin:2px 0 6px;color:#0b3d91}\nul{margin:4px 0;padding-left:20px}\n"
           ".cmds a{display:inline-block;margin:2px 8px 2px 0}\n.small{font-size:12px;color:#5a6575}\n"
           "table.list td{padding:2px 10px 2px 0}\n.ad{font-size:11px;padding:4px}\n";
}

std::string Page(const std::string& title, const std::string& body, const std::string& base) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
           "</title>\n<link rel=\"stylesheet\" href=\"" + base + "/sky_start/sky.css\"></head>\n<body>\n" +
           "<div class=\"top\"><h1>" + HtmlEscape(title) + "</h1>" +
           A(base + "/sky_start/skydata.htm", "SkyHarbor home") + "</div>\n<div class=\"main\">\n" + body +
           "\n</div></body></html>\n";
}

std::string StartPage(const std::string& base, const std::string& zip, const std::string& account,
                      bool member) {
    std::string b;
    if (member)
        b += "<p>Welcome back, <b>" + HtmlEscape(account) + "</b>. " +
             A(base + "/~" + FormEncode(account) + "/", "Your home page") + "</p>\n";
    else
        b += "<p>Welcome! " + Command("register", "Become a member") +
             " to get a home page and web space.</p>\n";
    b +=
        "<div class=\"box\"><h2>Search the Web</h2><form action=\"" + base +
        "/r\" method=\"get\"><input type=\"hidden\" name=\"look\" value=\"\"><input name=\"key\" size=\"40\">"
        "<input type=\"hidden\" name=\"search\" value=\"0\"> <input type=\"submit\" value=\"Search\"></form>"
        "<form action=\"" +
        base +
        "/search/news\" method=\"get\"><input name=\"p\" size=\"40\"> "
        "<input type=\"submit\" value=\"Search news\"></form></div>\n";
    b += "<div class=\"box\"><h2>Channels</h2><ul>";
    for (const Channel& c : PublicChannels()) {
        std::string lower;
        for (char ch : c.name) lower += char(tolower(static_cast<unsigned char>(ch)));
        b += "<li><b>" + HtmlEscape(c.name) + "</b>: " + HtmlEscape(c.about) + " ";
        std::string first;
        for (const ChannelEntry& e : c.entries) {
            if (!e.url.empty()) b += A(e.url, HtmlEscape(e.name)) + " ";
        }
        b += "<span class=\"small\">" + A(base + "/channels/" + lower + ".sdf", "[add to my channels]") +
             "</span></li>";
    }
    std::string host = HostOf(base);
    // The program reads a command containing "local", "news" or "zoom" as a
    // no-op before it tests "rlc:"; a short source means its own web host.
    std::string rlc = "skycommand://rlc:" + host + "/skychan1.sky";
    for (const char* word : {"news", "cond_", "local", "zoom", "custchannels", "search"})
        if (host.find(word) != std::string::npos) rlc = "skycommand://rlc:";
    b += "</ul><p>" + A(base + "/channels/all.sdf", "Add all public channels") + " &middot; " +
         A(rlc, "Replace my channel list with the public channels") + " &middot; " +
         Command("custchannels", "Customise my channels") + "</p></div>\n";
    b += "<div class=\"box\"><h2>Around you</h2>";
    if (!zip.empty() && zip != "00000" && zip != "000000") {
        const LocalRegion* r = RegionOfPostalCode(zip);
        if (r) {
            b += "<p>Your postal code " + HtmlEscape(zip) + " is in the " + HtmlEscape(r->title) + ": ";
            for (const ChannelEntry& e : r->channel.entries) {
                if (!e.url.empty()) b += A(e.url, HtmlEscape(e.name)) + " ";
                for (const ChannelPage& page : e.pages) b += A(page.url, HtmlEscape(page.name)) + " ";
            }
            b += "</p>";
        } else
            b += "<p>There is no local channel for the postal code " + HtmlEscape(zip) + " yet.</p>";
    }
    b += "<p>" + A(base + "/~skylocal/local2.htm", "Pick your local channel") + " &middot; " +
         Command("localsettings", "Local settings") + "</p></div>\n";
    std::string chat = base + "/chat" + (member ? "?u=" + FormEncode(account) : std::string());
    b += "<div class=\"box\"><h2>Community</h2><p>" + A(chat, "Chat") + " &middot; " +
         A(base + "/scripts/show.dll?Topics", "Discussions") + " &middot; " +
         Command("showfavs", "My favorites") + "</p></div>\n";
    // A member has logged in already: no offer to register or log in again.
    b += "<div class=\"box cmds\"><h2>SkyHarbor</h2>" +
         (member ? std::string() : Command("register", "Register") + Command("login", "Log in")) +
         Command("updatesoftware", "Update the software") +
         Command("search", "Search dialog") + Command("custchannels", "Channels") +
         Command("showfavs", "Favorites") + Command("localsettings", "Local channel") +
         Command("lookfeel", "Look and feel") + Command("zoom", "Zoom") + "</div>\n";
    return Page("SkyHarbor", b, base);
}

std::string ChannelIntroPage(const std::string& base, const std::string& channel,
                             const std::string& account) {
    std::string name;
    for (char c : channel) name += c == '_' ? ' ' : c;
    std::string b;
    const Channel* found = nullptr;
    for (const Channel& c : PublicChannels())
        if (c.name == name) found = &c;
    if (found) {
        b += "<p>" + HtmlEscape(found->about) + "</p><ul>";
        for (const ChannelEntry& e : found->entries) {
            if (e.pages.empty()) {
                b += "<li>" + A(e.url, HtmlEscape(e.name)) + "</li>";
                continue;
            }
            b += "<li>" + HtmlEscape(e.name) + "<ul>";
            for (const ChannelPage& p : e.pages) b += "<li>" + A(p.url, HtmlEscape(p.name)) + "</li>";
            b += "</ul></li>";
        }
        b += "</ul>";
    } else {
        b += "<p>This is one of your own channels. Its pages are in the row above.</p>";
    }
    b += "<p><b>Click above to browse the pages in this channel.</b></p>";
    return Page("Channel: " + name, b, base);
}

std::string MemberLookupPage(const std::string& base, const std::string& query,
                             const std::optional<MemberRecord>& member) {
    if (!member)
        return Page("Member lookup", "<p>There is no member named <b>" + HtmlEscape(query) + "</b>.</p>",
                    base);
    const MemberRecord& m = *member;
    std::string home = base + "/~" + m.name + "/";
    std::string b = "<table class=\"list\"><tr><td>Member</td><td><b>" + HtmlEscape(m.name) +
                    "</b></td></tr><tr><td>Member since</td><td>" + Date(m.created) +
                    "</td></tr><tr><td>Last seen</td><td>" + Date(m.lastSeen) + "</td></tr></table><p>" +
                    A(home, "Home page") + " &middot; " + A(home + "finger.htm", "Finger") + "</p>";
    return Page("Member lookup", b, base);
}

std::string FingerPage(const std::string& base, const MemberRecord& m, size_t files) {
    std::string b =
        "<table class=\"list\"><tr><td>Member</td><td><b>" + HtmlEscape(m.name) + "</b></td></tr>";
    b += "<tr><td>Member since</td><td>" + Date(m.created) + "</td></tr>";
    b += "<tr><td>Last seen</td><td>" + Date(m.lastSeen) + "</td></tr>";
    if (!m.lastVersion.empty())
        b += "<tr><td>Running</td><td>SkyHarbor " + HtmlEscape(m.lastVersion) + "</td></tr>";
    b += "<tr><td>Files in web space</td><td>" + std::to_string(files) + "</td></tr></table><p>" +
         A(base + "/~" + m.name + "/", "Home page") + "</p>";
    return Page("Finger: " + m.name, b, base);
}

const LocalRegion* RegionOfPostalCode(std::string_view zip) {
    // The regions cover five-digit codes; the first five characters decide.
    if (zip.size() < 5) return nullptr;
    std::string_view head = zip.substr(0, 5);
    for (char c : head)
        if (c < '0' || c > '9') return nullptr;
    for (const LocalRegion& r : LocalRegions())
        if (head >= std::string_view(r.zips).substr(0, 5) && head <= std::string_view(r.zips).substr(6))
            return &r;
    return nullptr;
}

std::string LocalPage(const std::string& base, const std::string& zip) {
    std::string b;
    const LocalRegion* mine = RegionOfPostalCode(zip);
    if (mine)
        b +=
            "<div class=\"box\" id=\"yours\"><p>Your postal code " + HtmlEscape(zip) + " is in the <b>" +
            HtmlEscape(mine->title) + "</b>.</p><p>" +
            A(base + "/~skylocal/" + mine->file + ".sky", "Use the " + HtmlEscape(mine->title) + " channel") +
            "</p></div>";
    b += "<p>Choose the region of your postal code. The channel file replaces your local channel.</p><ul>";
    for (const LocalRegion& r : LocalRegions()) {
        std::string link = A(base + "/~skylocal/" + r.file + ".sky", HtmlEscape(r.title));
        if (&r == mine) link = "<b>" + link + "</b>";
        b += "<li>" + link + " <span class=\"small\">(" + HtmlEscape(r.zips) + ")</span></li>";
    }
    return Page("Local channels", b + "</ul>", base);
}

std::string ChatPage(const std::string& base, const std::string& member) {
    std::string b =
        "<p>Chat goes straight from your SkyHarbor to your friend's: type <b>startchat</b> and their address "
        "in the "
        "address box, for example <code>startchat 192.0.2.10</code>.</p>"
        "<p>Your own server must be running to receive calls: type <b>start server</b>.</p>"
        "<p>To find a member, type <b>finger</b> and the member name, or open their page with <b>go</b> and "
        "the "
        "name.</p><p>" +
        (member.empty() ? Command("login", "Log in")
                        : "You are <b>" + HtmlEscape(member) + "</b>") +
        " &middot; " + A(base + "/scripts/show.dll?Topics", "Discussions") +
        "</p>";
    return Page("Chat", b, base);
}

std::string AdPage(const std::string& base, unsigned turn) {
    struct Ad {
        const char* text;
        std::string url;
    };
    const Ad ads[] = {
        {"Build your own home page with the Page Editor", base + "/~wiztemplates/base.htm"},
        {"Pick a local channel for your area", base + "/~skylocal/local2.htm"},
        {"Join the discussions", base + "/scripts/show.dll?Topics"},
        {"All the public channels", base + "/sky_start/skydata.htm"},
    };
    const Ad& ad = ads[turn % (sizeof ads / sizeof ads[0])];
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>SkyHarbor</title><link "
           "rel=\"stylesheet\" "
           "href=\"" +
           base + "/sky_start/sky.css\"></head><body class=\"ad\">" + A(ad.url, HtmlEscape(ad.text), "_top") +
           "</body></html>\n";
}

std::string TopicsPage(const std::string& base, const std::vector<Topic>& topics) {
    std::string b = "<p>" + Command("commentaddtopic:0", "Start a new topic") + "</p>";
    int category = -1;
    for (const Topic& t : topics) {
        if (t.category != category) {
            if (category != -1) b += "</ul></div>";
            category = t.category;
            b += "<div class=\"box\"><h2>Category " + std::to_string(category) + "</h2><p>" +
                 Command("commentaddtopic:" + std::to_string(category), "New topic here") + "</p><ul>";
        }
        b += "<li>" +
             A(base + "/scripts/show.dll?Topic&T=" + std::to_string(t.id), HtmlEscape(t.description)) +
             " <span class=\"small\">" + HtmlEscape(t.owner) + ", " + Date(t.created) + "</span> " +
             Command("commentaddcomment:" + std::to_string(t.id), "[comment]") + "</li>";
    }
    if (category != -1) b += "</ul></div>";
    if (topics.empty()) b += "<p>No topics yet.</p>";
    return Page("Discussions", b, base);
}

std::string TopicPage(const std::string& base, const Topic& t, const std::vector<Comment>& comments) {
    std::string b = "<p>" + HtmlEscape(t.longDescription) + "</p><p class=\"small\">Started by " +
                    HtmlEscape(t.owner) + ", " + Date(t.created) + "</p>";
    for (const Comment& c : comments) {
        b += "<div class=\"box\"><h2>" + HtmlEscape(c.heading.empty() ? "(no heading)" : c.heading) +
             "</h2><p>" + HtmlEscape(c.text) + "</p>";
        if (WebAddress(c.attachUrl))
            b += "<p>Attached: " +
                 A(c.attachUrl, HtmlEscape(c.attachDesc.empty() ? c.attachUrl : c.attachDesc)) + "</p>";
        if (WebAddress(c.linkUrl))
            b += "<p>Link: " + A(c.linkUrl, HtmlEscape(c.linkDesc.empty() ? c.linkUrl : c.linkDesc)) + "</p>";
        b += "<p class=\"small\">" + HtmlEscape(c.user) + ", " + Date(c.created) + "</p></div>";
    }
    b += "<p>" + Command("commentaddcomment:" + std::to_string(t.id), "Add a comment") + " &middot; " +
         A(base + "/scripts/show.dll?Topics", "All topics") + "</p>";
    return Page(t.description.empty() ? "Topic" : t.description, b, base);
}

std::string ErrorPage(const std::string& base, const std::string& title, const std::string& text) {
    return Page(title, "<p>" + HtmlEscape(text) + "</p>", base);
}

std::string PickerPage(std::string_view kind, const std::string& base) {
    std::string b;
    for (const Picker& p : kPickers) {
        if (kind != p.kind) continue;
        std::string img = base + "/wiz/img/" + p.file;
        b += "<p>" +
             A(img + "?" + PickerText(p.text),
               "<img src=\"" + img + "\" alt=\"\" style=\"max-width:100%;border:1px solid #ccc\"> " +
                   HtmlEscape(p.text),
               "wizard") +
             "</p>\n";
    }
    if (b.empty()) return {};
    std::string title = std::string(kind);
    title[0] = char(toupper(title[0]));
    return Page(title, "<p>Click a picture to choose it.</p>\n" + b, base);
}

std::string TemplateList(const std::string& base) {
    std::string b = "<p>Choose a template to start your page with.</p><ul>";
    for (const Template& t : kTemplates)
        b += "<li>" +
             A(base + "/~wiztemplates/base.htm?" + base + "/~wiztemplates/" + t.file, HtmlEscape(t.title),
               "select") +
             " <span class=\"small\">" + HtmlEscape(t.about) + "</span></li>";
    return Page("Page templates", b + "</ul>", base);
}

std::string TemplatePage(std::string_view name, const std::string& base) {
    std::string logo = base + "/art/bwlogo.gif";
    std::string p = "<!--##HP:HIDDEN##--><HTML>";
    if (name == "simple.htm") {
        p += ColorScheme("#FFFFFF", "#000000", "#0000FF", "#800080", "");
        p += TitleBlock(1, "My Home Page", "Welcome to my corner of SkyHarbor", logo);
        p += Paragraph(1, "ABOUT ME", "Write a few lines about yourself here.");
        p += Paragraph(1, "INTERESTS", "What do you like to do?");
        p += Paragraph(1, "CONTACT", "Send me mail or call me with startchat.");
    } else if (name == "family.htm") {
        p += ColorScheme("#FFF4E0", "#402000", "#A03000", "#704020", "");
        p += TitleBlock(2, "Our Family", "News from all of us", logo);
        p += Paragraph(4, "LATEST NEWS", "Tell everyone what happened this month.");
        p += Paragraph(2, "WHO WE ARE", "Introduce the family here.");
    } else if (name == "hobby.htm") {
        p += ColorScheme("#FAF4E1", "#202020", "#006030", "#405040", base + "/wiz/img/bg-paper.gif");
        p += TitleBlock(0, "My Hobby", "Everything about it", logo);
        p += Paragraph(1, "WHY I LOVE IT", "Explain your hobby here.");
        p += Paragraph(0, "LINKS", "Put your favourite sites here.");
    } else {
        return {};
    }
    return p + "\r\n</HTML>";
}

}  // namespace sky::member
