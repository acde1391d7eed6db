#include "core/mail/smtp_client.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <uudeview.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/base/paths.h"
#include "core/base/text_util.h"
#include "core/mail/uu_lock.h"

namespace sky {

namespace {

constexpr size_t kChunk = 65536;

std::string Base64(std::string_view data) {
    std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
    int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    out.resize(n);
    return out;
}

bool Positive(int code) {
    return code >= 200 && code <= 299;
}

}  // namespace

std::vector<std::string> ExtractAddresses(std::string_view list) {
    std::vector<std::string> out;
    std::string piece;
    bool quoted = false;
    int angle = 0;
    auto take = [&](std::string_view p) {
        std::string addr;
        bool q = false;
        size_t lt = std::string_view::npos;
        for (size_t i = 0; i < p.size(); ++i) {
            if (p[i] == '"') q = !q;
            if (p[i] == '<' && !q) {
                lt = i;
                break;
            }
        }
        if (lt != std::string_view::npos) {
            size_t gt = p.find('>', lt);
            addr = std::string(
                p.substr(lt + 1, gt == std::string_view::npos ? std::string_view::npos : gt - lt - 1));
        } else {
            MailSocket::Token(p, " \t\r\n", 0, &addr);
        }
        addr = Trim(addr);
        bool clean = !addr.empty() && addr.size() <= 255;
        for (char c : addr)
            if (c == '\r' || c == '\n' || c == '<' || c == '>' || c == ' ' || c == '\t') clean = false;
        if (clean) out.push_back(addr);
    };
    for (char c : list) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '<') ++angle;
        if (!quoted && c == '>' && angle > 0) --angle;
        if (!quoted && angle == 0 && (c == ',' || c == ';')) {
            take(piece);
            piece.clear();
            continue;
        }
        piece.push_back(c);
    }
    take(piece);
    return out;
}

std::string HeaderSafe(std::string_view value) {
    std::string s(value);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

void DotStuff(std::string_view text, std::string* out, bool* atLineStart) {
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (*atLineStart && c == '.') out->push_back('.');
        if (c == '\n') {
            if (out->empty() || out->back() != '\r') out->push_back('\r');
            out->push_back('\n');
            *atLineStart = true;
            continue;
        }
        if (c == '\r') {
            out->push_back('\r');
            // A lone CR becomes a line end of its own.
            if (i + 1 < text.size() && text[i + 1] != '\n') {
                out->push_back('\n');
                *atLineStart = true;
            } else {
                *atLineStart = false;
            }
            continue;
        }
        out->push_back(c);
        *atLineStart = false;
    }
}

std::string SmtpDate() {
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    tzset();
    return Format("%2.2d %s %d %2.2d:%2.2d:%2.2d %s", tm.tm_mday, kMonths[tm.tm_mon], tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, tzname[0]);
}

int SmtpClient::ReadReply(int timeoutSeconds, std::string* text) {
    std::string line, piece;
    size_t total = 0;
    if (text) text->clear();
    std::string all;
    for (;;) {
        line.clear();
        while (line.empty() || line.back() != '\n') {
            if (ReadLine(&piece, 1024, timeoutSeconds) <= 0) return 1;
            total += piece.size();
            if (total > kMaxReplyBytes) {
                // An endless "220-..." is a server to leave, not to store.
                lastError_ = Format("the server's reply is longer than %zu KiB", kMaxReplyBytes / 1024);
                Close();
                return 1;
            }
            line += piece;
        }
        if (text) *text += line;
        if (all.size() < 4096) all += line;
        std::string tok;
        MailSocket::Token(line, " \r\n", 0, &tok);
        bool more = (!tok.empty() && tok.back() == '-') || (line.size() > 3 && line[3] == '-');
        if (more) continue;
        int code = 0;
        for (size_t i = 0; i < line.size() && i < 3 && line[i] >= '0' && line[i] <= '9'; ++i)
            code = code * 10 + (line[i] - '0');
        lastReply_ = Trim(HeaderSafe(all));
        return code;
    }
}

std::vector<std::string> ParseEhloCapabilities(std::string_view text) {
    std::vector<std::string> caps;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string l = Trim(text.substr(pos, end - pos));
        if (l.size() > 4) caps.push_back(ToLower(l.substr(4)));
        pos = end + 1;
    }
    return caps;
}

int SmtpClient::Connect(const ServerAddress& server, const std::string& domain, const SmtpAuth& auth) {
    Quit();
    int rc = MailSocket::Connect(server.host, server.port);
    if (rc == 1) return 1;
    if (rc != 0) return 2;
    if (auth.security == MailSecurity::kTls && !StartTls(server.host, auth.caFile)) {
        Close();
        return 4;
    }
    std::string text;
    if (ReadReply(replyTimeoutSeconds, &text) == 1 && !IsConnected()) return 2;
    bool extended = auth.security != MailSecurity::kNone || !auth.user.empty();
    if (!extended) {
        if (!Send("HELO " + domain + "\r\n")) return 3;
        return Positive(ReadReply(replyTimeoutSeconds)) ? 0 : 3;
    }
    auto ehlo = [&]() {
        if (!Send("EHLO " + domain + "\r\n")) return false;
        if (!Positive(ReadReply(replyTimeoutSeconds, &text))) return false;
        capabilities_ = ParseEhloCapabilities(text);
        return true;
    };
    auto has = [&](std::string_view cap) {
        for (const std::string& c : capabilities_)
            if (c == cap || c.rfind(std::string(cap) + " ", 0) == 0) return true;
        return false;
    };
    if (!ehlo()) {
        if (lastError_.empty()) lastError_ = "the server refused EHLO";
        return 3;
    }
    if (auth.security == MailSecurity::kStartTls) {
        if (!has("starttls")) {
            lastError_ = "the server does not offer STARTTLS";
            Close();
            return 4;
        }
        if (!Send("STARTTLS\r\n") || ReadReply(replyTimeoutSeconds) != 220 ||
            !StartTls(server.host, auth.caFile)) {
            if (lastError_.empty()) lastError_ = "the server refused STARTTLS";
            Close();
            return 4;
        }
        if (!ehlo()) return 3;
    }
    if (auth.user.empty()) return 0;
    std::string mechs;
    for (const std::string& c : capabilities_)
        if (c.rfind("auth ", 0) == 0 || c.rfind("auth=", 0) == 0) mechs += " " + c.substr(5) + " ";
    if (mechs.find(" plain ") != std::string::npos) {
        std::string token = std::string(1, '\0') + auth.user + std::string(1, '\0') + auth.password;
        if (Send("AUTH PLAIN " + Base64(token) + "\r\n") && ReadReply(replyTimeoutSeconds) == 235) return 0;
    } else if (mechs.find(" login ") != std::string::npos) {
        if (Send("AUTH LOGIN\r\n") && ReadReply(replyTimeoutSeconds) == 334 &&
            Send(Base64(auth.user) + "\r\n") && ReadReply(replyTimeoutSeconds) == 334 &&
            Send(Base64(auth.password) + "\r\n") && ReadReply(replyTimeoutSeconds) == 235)
            return 0;
    } else {
        lastError_ = "the server offers no login this program knows (PLAIN, LOGIN)";
        return 5;
    }
    lastError_ = "the server refused the user name or password";
    return 5;
}

bool SmtpClient::Flush(std::string* pending) {
    if (teeing_ && copy && !pending->empty()) copy(*pending);
    bool ok = pending->empty() || Send(*pending);
    pending->clear();
    return ok;
}

bool SmtpClient::SendAttachment(const std::string& path, std::string* pending) {
    std::string dir = PrivateTempDir();
    std::string tmpl = (dir.empty() ? std::string("/tmp/") : dir) + "SKYXXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) return true;
    std::FILE* out = fdopen(fd, "w+b");
    {
        std::lock_guard<std::mutex> lock(UuMutex());
        UuInitializeQuiet();
        size_t slash = path.find_last_of('/');
        std::string name = HeaderSafe(slash == std::string::npos ? path : path.substr(slash + 1));
        UUEncodeMulti(out, nullptr, const_cast<char*>(path.c_str()), B64ENCODED, name.data(), nullptr, 0);
        UUCleanUp();
    }
    std::fflush(out);
    std::rewind(out);
    *pending += "--";
    *pending += kMimeBoundary;
    *pending += "\r\n";
    char buf[kChunk];
    size_t n;
    long total = 0;
    bool atLineStart = true;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, out)) > 0) {
        DotStuff(std::string_view(buf, n), pending, &atLineStart);
        total += static_cast<long>(n);
        if (pending->size() >= kChunk && !Flush(pending)) {
            ok = false;
            break;
        }
        if (progress && !progress(total)) break;
    }
    if (ok && !atLineStart) *pending += "\r\n";
    std::fclose(out);
    ::unlink(tmpl.c_str());
    return ok;
}

int SmtpClient::SendMessage(const std::string& to, const std::string& cc, const std::string& from,
                            const std::string& subject, const std::string& body,
                            const std::vector<std::string>& attachmentPaths) {
    refused_.clear();
    teeing_ = false;
    struct StopTee {
        bool* flag;
        ~StopTee() { *flag = false; }
    } stopTee{&teeing_};
    if (!IsConnected() || to.size() < 3) return 1;
    std::vector<std::string> rcpt = ExtractAddresses(to);
    for (std::string& a : ExtractAddresses(cc)) rcpt.push_back(std::move(a));
    if (rcpt.empty()) return 2;
    for (const std::string& a : blindCopies)
        if (std::find(rcpt.begin(), rcpt.end(), a) == rcpt.end()) rcpt.push_back(a);
    std::string sender = HeaderSafe(from);
    if (!Send("MAIL from:<" + sender + ">\r\n") || !Positive(ReadReply(replyTimeoutSeconds))) return 3;
    // Every recipient or none: a refused one stops the message.
    for (const std::string& a : rcpt)
        if (!Send("RCPT to:<" + a + ">\r\n") || !Positive(ReadReply(replyTimeoutSeconds))) {
            refused_ = a;
            std::string answer = lastReply_;
            Send("RSET\r\n");
            ReadReply(replyTimeoutSeconds);
            lastReply_ = answer;
            return 4;
        }
    if (!Send("DATA\r\n") || ReadReply(replyTimeoutSeconds) != 354) return 5;
    teeing_ = true;

    std::string out;
    bool atLineStart = true;
    auto header = [&](std::string_view name, std::string_view value) {
        DotStuff(std::string(name) + HeaderSafe(value) + "\r\n", &out, &atLineStart);
    };
    header("From: ", from);
    header("To: ", to);
    if (!Trim(cc).empty()) header("Cc: ", cc);
    header("Subject: ", subject);
    header("Date: ", SmtpDate());
    for (const std::string& h : extraHeaders) header("", h);
    if (copy && !copyHeaders.empty()) {
        if (!Flush(&out)) return 6;
        for (const std::string& h : copyHeaders) copy(HeaderSafe(h) + "\r\n");
    }
    if (attachmentPaths.empty()) {
        out += "\r\n";
        DotStuff(body, &out, &atLineStart);
        out += "\r\n\r\n";
    } else {
        out += "Mime-Version: 1.0\r\n";
        out += "Content-Type: multipart/mixed; boundary=\"" + std::string(kMimeBoundary) + "\"\r\n\r\n";
        out += "This is a multi-part message in MIME format.\r\n\r\n";
        out += "--" + std::string(kMimeBoundary) + "\r\n";
        out += "Content-Type: text/plain; charset=\"us-ascii\"\r\n\r\n";
        atLineStart = true;
        DotStuff(body, &out, &atLineStart);
        out += "\r\n\r\n";
        for (const std::string& path : attachmentPaths)
            if (!SendAttachment(path, &out)) return 6;
        out += "\r\n--" + std::string(kMimeBoundary) + "--";
    }
    out += "\r\n";
    if (!Flush(&out)) return 6;
    teeing_ = false;
    out = ".\r\n";
    if (!Flush(&out)) return 6;
    return ReadReply(replyTimeoutSeconds) == 250 ? 0 : 5;
}

bool SmtpClient::Quit() {
    if (!IsConnected()) return false;
    bool ok = Send("Quit\r\n") && Positive(ReadReply(replyTimeoutSeconds));
    Close();
    return ok;
}

std::string QuoteText(const std::string& subject, const std::string& sender, const std::string& date,
                      const std::string& text) {
    std::string q = "\r\n\r\n> **--------- Original Message follows...";
    q += "\r\n> ** Original Subject: " + subject;
    q += "\r\n> ** Original Sender: " + sender;
    q += "\r\n> ** Original Date: " + date;
    q += "\r\n> **---------";
    q += "\r\n\r\n> ";
    for (char c : text) {
        unsigned char u = c;
        if (c == '\n')
            q += "\r\n> ";
        else if (u < 0x20 || u == 0x7f)
            q += ' ';
        else
            q += c;
    }
    return q;
}

}  // namespace sky
