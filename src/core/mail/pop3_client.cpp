#include "core/mail/pop3_client.h"

#include "core/base/text_util.h"

namespace sky {

namespace {

constexpr size_t kReplyBytes = 512;
// Longer message lines are passed on in pieces of this size.
constexpr size_t kLineBytes = 65536;
// A mailbox listing bigger than this is not believed.
constexpr size_t kMaxListEntries = 1000000;

std::string_view CutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool ParseNumber(const std::string& token, long* out) {
    if (token.empty() || token.size() > 18) return false;
    long v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

}  // namespace

int ParseStatReply(std::string_view line, long* count) {
    if (line.empty() || line[0] != '+') return 3;
    std::string tok;
    if (MailSocket::Token(CutLineEnd(line), " ", 1, &tok) != 0 || !ParseNumber(tok, count)) return 4;
    return 0;
}

int ParseListReply(std::string_view line, long* size) {
    if (line.empty() || line[0] != '+') return 3;
    std::string tok;
    if (MailSocket::Token(CutLineEnd(line), " ()", 2, &tok) != 0 || !ParseNumber(tok, size)) return 4;
    return 0;
}

int Pop3Client::ReadReply(std::string* line, int timeoutSeconds) {
    line->clear();
    std::string piece;
    while (line->empty() || line->back() != '\n') {
        if (ReadLine(&piece, kReplyBytes, timeoutSeconds) <= 0) return 2;
        if (line->size() + piece.size() > kMaxReplyBytes) {
            // A server that never ends its line is not waited for.
            lastError_ = Format("the server's reply is longer than %zu KiB", kMaxReplyBytes / 1024);
            Close();
            return 2;
        }
        *line += piece;
    }
    return 0;
}

int Pop3Client::Command(const std::string& line, int timeoutSeconds) {
    if (!IsConnected()) return 1;
    if (!Send(line)) return 2;
    if (ReadReply(&reply_, timeoutSeconds) != 0) return 2;
    return reply_[0] == '+' ? 0 : 3;
}

int Pop3Client::Connect(const ServerAddress& server, const std::string& user, const std::string& password,
                        MailSecurity security, const std::string& caFile) {
    Quit();
    int rc = MailSocket::Connect(server.host, server.port);
    if (rc == 1) return 1;
    if (rc != 0) return 2;
    if (security == MailSecurity::kTls && !StartTls(server.host, caFile)) {
        Close();
        return 5;
    }
    if (ReadReply(&reply_, readTimeoutSeconds) != 0) {
        Close();
        return 2;
    }
    // A server that greets with "-ERR" will not take a login.
    if (reply_[0] != '+') {
        lastError_ = "the server refused the connection: " + std::string(CutLineEnd(reply_));
        Close();
        return 3;
    }
    if (security == MailSecurity::kStartTls) {
        int s = Command("STLS\r\n", readTimeoutSeconds);
        if (s != 0) {
            if (s == 3) lastError_ = "the server does not offer STLS";
            Close();
            return s == 3 ? 5 : s;
        }
        if (!StartTls(server.host, caFile)) {
            Close();
            return 5;
        }
    }
    int u = Command("USER " + user + "\r\n", readTimeoutSeconds);
    if (u != 0) {
        if (u == 3) lastError_ = "the server refused the user name";
        return u;
    }
    int p = Command("PASS " + password + "\r\n", readTimeoutSeconds);
    if (p == 3) {
        lastError_ = "the server refused the password";
        return 4;
    }
    return p;
}

int Pop3Client::Stat(long* count) {
    int rc = Command("STAT\r\n", replyTimeoutSeconds);
    if (rc != 0) return rc;
    return ParseStatReply(reply_, count);
}

int Pop3Client::List(long n, long* size) {
    int rc = Command(Format("LIST %ld\r\n", n), replyTimeoutSeconds);
    if (rc != 0) return rc;
    return ParseListReply(reply_, size);
}

int Pop3Client::ListAll(std::vector<ListEntry>* entries) {
    entries->clear();
    int rc = Command("LIST\r\n", replyTimeoutSeconds);
    if (rc != 0) return rc;
    std::string line;
    size_t listed = 0;
    for (;;) {
        if (ReadReply(&line, replyTimeoutSeconds) != 0) return 2;
        std::string_view l = CutLineEnd(line);
        if (l == ".") return 0;
        if (++listed > kMaxListEntries) {
            lastError_ = "the server lists too many messages";
            Close();
            return 2;
        }
        std::string number, size;
        ListEntry e;
        if (MailSocket::Token(l, " ()", 0, &number) != 0 || !ParseNumber(number, &e.number) || e.number < 1)
            continue;
        if (MailSocket::Token(l, " ()", 1, &size) != 0 || !ParseNumber(size, &e.size)) e.size = -1;
        // Listed in order, each once.
        if (!entries->empty() && e.number <= entries->back().number) continue;
        entries->push_back(e);
    }
}

int Pop3Client::Retr(long n) {
    return Command(Format("RETR %ld\r\n", n), replyTimeoutSeconds);
}

int Pop3Client::ReadMessageTo(std::FILE* out, long* bytes) {
    *bytes = 0;
    std::string line;
    bool atLineStart = true;
    for (;;) {
        int n = ReadLine(&line, kLineBytes, readTimeoutSeconds);
        if (n <= 0) return 2;
        std::string_view data(line);
        bool complete = line.back() == '\n';
        if (atLineStart && !data.empty() && data[0] == '.') {
            // Only a line that is exactly "." ends the message, whatever its
            // line end; a stuffed line keeps all but its first dot.
            if (complete && CutLineEnd(data) == ".") return 0;
            data.remove_prefix(1);
        }
        atLineStart = complete;
        if (maxMessageBytes > 0 && *bytes + static_cast<long long>(data.size()) > maxMessageBytes) return 7;
        if (!data.empty() && std::fwrite(data.data(), 1, data.size(), out) != data.size()) return 6;
        *bytes += static_cast<long>(data.size());
        // The stream ended inside a line: the message is not whole.
        if (!atLineStart && static_cast<size_t>(n) < kLineBytes) return 2;
    }
}

int Pop3Client::Dele(long n) {
    return Command(Format("DELE %ld\r\n", n), replyTimeoutSeconds);
}

int Pop3Client::Quit() {
    if (!IsConnected()) return 1;
    int rc = Command("Quit\r\n", replyTimeoutSeconds);
    Close();
    return rc;
}

}  // namespace sky
