#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/net/mail_socket.h"

namespace sky {

// Reply lines, split out so they can be checked on their own. Each returns 0,
// 3 (not "+") or 4 (no number where one belongs).
int ParseStatReply(std::string_view line, long* count);
int ParseListReply(std::string_view line, long* size);

// POP3 over MailSocket. Result codes: 0 success; 1 not connected or the host
// could not be resolved; 2 the socket failed or no reply came; 3 the server
// said no (or refused USER); 4 the reply made no sense (or PASS was refused);
// 5 the connection could not be protected as asked (see lastError()).
class Pop3Client : public MailSocket {
public:
    // Time-out of the replies to STAT, LIST, RETR and DELE.
    int replyTimeoutSeconds = 10;
    // Time-out of everything else (greeting, login, message lines).
    int readTimeoutSeconds = kDefaultTimeoutSeconds;
    // A message may not grow past this; 0: no limit.
    long long maxMessageBytes = 0;
    // Longer reply lines end the session (lastError() says so).
    static constexpr size_t kMaxReplyBytes = 64 * 1024;

    int Connect(const ServerAddress& server, const std::string& user, const std::string& password,
                MailSecurity security = MailSecurity::kNone, const std::string& caFile = {});
    int Stat(long* count);
    int List(long n, long* size);
    // The multi-line LIST: each message number with its size (-1 when the
    // line gives none), in ascending order.
    struct ListEntry {
        long number = 0;
        long size = -1;
    };
    int ListAll(std::vector<ListEntry>* entries);
    int Retr(long n);
    // Streams the message of the last Retr to `out` up to its final "." line,
    // with the dot-stuffing undone. 0 when the whole message arrived, 2 when
    // the connection failed or ended first, 6 when writing failed, 7 when the
    // message grew past maxMessageBytes (the rest is left unread).
    int ReadMessageTo(std::FILE* out, long* bytes);
    int Dele(long n);
    // Says goodbye and closes. The server commits the DELEs only when it
    // answers QUIT, so the answer is read: 0 "+OK", 2 no answer, 3 refused.
    int Quit();

    const std::string& lastReply() const { return reply_; }

private:
    // One whole reply line, however the socket hands it over.
    int ReadReply(std::string* line, int timeoutSeconds);
    int Command(const std::string& line, int timeoutSeconds);
    std::string reply_;
};

}  // namespace sky
