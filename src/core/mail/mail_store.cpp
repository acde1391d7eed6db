#include "core/mail/mail_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <locale.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <thread>
#include <unordered_map>

#include "core/base/file_lock.h"
#include "core/base/paths.h"
#include "core/base/text_util.h"

namespace sky {

namespace {

// Renames without ever replacing an existing file.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef SYS_renameat2
    if (syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SyncDir(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// mktime looks at the zone file on every call; a folder of thousands of
// messages asks for few distinct zone offsets, so they are kept per quarter
// hour (zone changes fall on such boundaries).
std::time_t LocalToTime(std::tm tm) {
    static thread_local std::unordered_map<long long, long long> offsets;
    std::tm copy = tm;
    long long asUtc = timegm(&copy);
    long long key = asUtc / 900;
    if (auto it = offsets.find(key); it != offsets.end()) return static_cast<std::time_t>(asUtc - it->second);
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return t;
    if (offsets.size() > 4096) offsets.clear();
    offsets[key] = asUtc - t;
    return t;
}

}  // namespace

std::string MailUserDir(std::string_view accountName) {
    std::string dir(accountName);
    for (char& c : dir)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '-';
    // No hidden folder, no "." or "..", and never the work folder that gets cleared.
    if (!dir.empty() && dir[0] == '.') dir[0] = '-';
    if (dir.empty() || dir == "_TEMP") return kDefaultUserDir;
    return dir;
}

std::string GetMailFolderPath(std::string_view folderName, std::string_view user) {
    std::string name(folderName);
    if (name.find('/') != std::string::npos || name == "." || name == "..") return {};
    std::string dir = MailUserDir(user);
    GetDataDir(dir);
    GetDataDir(dir + "/email");
    if (name.empty()) return GetDataDir(dir + "/email");
    return GetDataDir(dir + "/email/" + name);
}

std::string MailWorkFolder() {
    return GetDataDir("_TEMP");
}

void SyncMailFolder(const std::string& folderPath) {
    SyncDir(folderPath);
}

MailHeaderReader::~MailHeaderReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool MailHeaderReader::Open(const std::string& path) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    buffer_.clear();
    pos_ = 0;
    return fd_ >= 0;
}

// One line of at most 4,096 bytes up to its line feed, line break removed.
bool MailHeaderReader::ReadLine(std::string* line) {
    line->clear();
    bool any = false;
    while (line->size() < 4096) {
        if (pos_ == buffer_.size()) {
            buffer_.resize(8192);
            ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
            buffer_.resize(n > 0 ? n : 0);
            pos_ = 0;
            if (n <= 0) break;
        }
        size_t room = 4096 - line->size();
        size_t lf = buffer_.find('\n', pos_);
        size_t end = lf == std::string::npos ? buffer_.size() : lf;
        size_t take = std::min(end - pos_, room);
        line->append(buffer_, pos_, take);
        pos_ += take;
        any = true;
        if (take == room) break;
        if (lf != std::string::npos) {
            ++pos_;
            break;
        }
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return any;
}

bool MailHeaderReader::ReadHeaders() {
    if (fd_ < 0) return false;
    text_ = "\n";
    std::string line, next;
    if (!ReadLine(&line)) return false;
    bool haveLine = true;
    while (haveLine) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) {
            if (!line.empty()) text_ += line + "\n";
            break;
        }
        std::string name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
        text_ += name;
        text_.append(line, colon, std::string::npos);
        haveLine = false;
        while (ReadLine(&next)) {
            if (!next.empty() && (next[0] == ' ' || next[0] == '\t')) {
                text_ += '\r';
                text_ += next;
                continue;
            }
            line = next;
            haveLine = true;
            break;
        }
        text_ += '\n';
    }
    lower_ = ToLower(text_);
    subject_ = GetHeader("\nSubject:");
    from_ = GetHeader("\nFrom:");
    date_ = GetHeader("\nDate:");
    contentType_ = GetHeader("\nContent-Type:");
    return true;
}

bool MailHeaderReader::GetHeader(std::string_view name, std::string* value, bool bracketsToSquare) const {
    value->clear();
    size_t at = lower_.find(ToLower(name));
    if (name.empty() || at == std::string::npos) return false;
    std::string v;
    for (size_t i = at + name.size(); i < text_.size() && text_[i] != '\n'; ++i) {
        unsigned char c = text_[i];
        if (c >= 0x20 && c < 0x7f) {
            if (bracketsToSquare && c == '<') c = '[';
            if (bracketsToSquare && c == '>') c = ']';
            v.push_back(static_cast<char>(c));
        } else {
            v.push_back(' ');
        }
    }
    *value = Trim(v);
    return true;
}

std::string MailHeaderReader::GetHeader(std::string_view name) const {
    std::string v;
    GetHeader(name, &v);
    return v;
}

namespace {

// Month and day names are those of the mail format, whatever the user's locale.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
}

}  // namespace

bool ReadMessageSummary(const std::string& path, MessageSummary* out) {
    MailHeaderReader r;
    if (!r.Open(path) || !r.ReadHeaders()) return false;
    MessageSummary s;
    s.from = r.from();
    s.subject = r.subject();
    s.dateText = r.date();
    size_t lastColon = s.dateText.rfind(':');
    if (lastColon != std::string::npos) s.dateText.resize(lastColon);
    s.path = path;
    std::string status;
    r.GetHeader("X-SkyStatus:", &status, true);
    s.unread = status.find("Read") == std::string::npos;
    s.hasAttachments = r.contentType().find("multipart") != std::string::npos;

    // The list parses a copy without comments, addresses and the weekday.
    std::string d = s.dateText;
    size_t p = d.find('(');
    if (p != std::string::npos && p > 0) d.resize(p);
    p = d.find('<');
    if (p != std::string::npos && p > 0) d.resize(p);
    p = d.find(',');
    if (p != std::string::npos) d = d.substr(p + 1);
    d = Trim(d);
    std::tm tm{};
    const char* end = strptime_l(d.c_str(), "%d %b %Y %H:%M", &tm, CLocale());
    if (end && Trim(end).empty()) {
        s.date = LocalToTime(tm);
        s.dateValid = s.date != static_cast<std::time_t>(-1);
    }
    *out = std::move(s);
    return true;
}

std::string SubjectColumn(const MessageSummary& s) {
    return s.hasAttachments ? s.subject + "[**]" : s.subject;
}

std::string ReceivedColumn(const MessageSummary& s) {
    if (!s.dateValid) return s.dateText;
    std::tm tm{};
    localtime_r(&s.date, &tm);
    char buf[128];
    strftime_l(buf, sizeof buf, "%d %b %Y [%H:%M %Y - %A]", &tm, CLocale());
    return buf;
}

namespace {

// File names stay well below the 255-byte limit, with room for a suffix.
constexpr size_t kMaxIdChars = 200;
constexpr int kMaxNameSuffix = 10000;

// FNV-1a: stable from one version to the next, so a long id keeps its name.
uint64_t NameHash(std::string_view s) {
    uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

std::string StoredMessageId(const std::string& path) {
    MailHeaderReader reader;
    std::string id;
    if (reader.Open(path) && reader.ReadHeaders()) reader.GetHeader("\nMessage-ID:", &id);
    return id;
}

}  // namespace

std::string MessageFileName(std::string_view messageId, std::string_view tempPath, long tick) {
    std::string id = messageId.empty()
                         ? Format("ID%.*s%ld", static_cast<int>(tempPath.size()), tempPath.data(), tick)
                         : std::string(messageId);
    std::string raw = id;
    for (char& c : id) {
        unsigned char u = c;
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))) c = '-';
    }
    if (id.size() > kMaxIdChars) {
        // The tail is a hash of the whole id, so long ids that share a start
        // still get different names.
        id.resize(kMaxIdChars - 17);
        id += Format("-%016llx", static_cast<unsigned long long>(NameHash(raw)));
    }
    return "S" + id + ".mail";
}

StoreResult StoreIncomingMessage(const std::string& tempPath, long tick, bool syncFolder,
                                 std::string_view user) {
    StoreResult r;
    // Only a header line that starts with the name counts, not the same words
    // inside another header.
    std::string id = StoredMessageId(tempPath);
    std::string inbox = GetMailFolderPath("InBox", user);
    if (inbox.empty()) {
        r.error = "cannot make the InBox folder";
        return r;
    }
    std::string name = MessageFileName(id, tempPath, tick);
    std::string stem = name.substr(0, name.size() - 5);
    // Different ids can map to one name: the taken name is a duplicate only
    // when its message carries the same id; otherwise the next free
    // "<name>1", "<name>2" ... is used.
    for (int suffix = 0; suffix <= kMaxNameSuffix; ++suffix) {
        std::string target = inbox + (suffix == 0 ? name : stem + std::to_string(suffix) + ".mail");
        int err = RenameNoReplace(tempPath, target);
        if (err == EEXIST) {
            if (!id.empty() && StoredMessageId(target) == id) {
                r.duplicate = true;
                return r;
            }
            continue;
        }
        if (err != 0) {
            r.error = Format("cannot store %s: %s", target.c_str(), strerror(err));
            return r;
        }
        if (syncFolder) SyncDir(inbox);
        r.stored = true;
        r.path = target;
        return r;
    }
    r.error = "too many messages in InBox share the name " + name;
    return r;
}

bool SetMailStatus(const std::string& path, std::string_view value) {
    std::string dir = path.substr(0, path.find_last_of('/') + 1);
    // One lock for the folder's status changes: two changes to one message
    // from the program and skyharbor-cli must not undo each other.
    // The lock file sits beside the folder, not among its messages.
    FileLock lock(dir.size() > 1 ? dir.substr(0, dir.size() - 1) : dir + "status");
    if (!lock.ok()) return false;
    std::FILE* in = std::fopen(path.c_str(), "rbe");
    if (!in) return false;
    std::string tmpl = dir + ".skyXXXXXX";
    int fd = mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        std::fclose(in);
        return false;
    }
    std::FILE* out = fdopen(fd, "wb");
    std::string statusLine = "X-SkyStatus: " + std::string(value) + "\r\n";
    bool written = false;
    bool ok = true;
    std::string line;
    bool inHeaders = true;
    // Header lines: a status line is replaced whatever its length; the line
    // that ends the block (empty, or without ":") gets the status before it.
    while (inHeaders) {
        line.clear();
        int c;
        while ((c = std::getc(in)) != EOF) {
            line.push_back(static_cast<char>(c));
            if (c == '\n') break;
        }
        if (line.empty()) break;
        bool complete = line.back() == '\n';
        std::string_view content(line);
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
            content.remove_suffix(1);
        bool continuation = !content.empty() && (content[0] == ' ' || content[0] == '\t');
        if (!continuation && content.substr(0, 11) == "X-SkyStatus" && !written) {
            ok = ok && std::fputs(statusLine.c_str(), out) >= 0;
            written = true;
            // Continuation lines of the old status line go with it.
            int peek;
            while ((peek = std::getc(in)) == ' ' || peek == '\t') {
                while ((c = std::getc(in)) != EOF && c != '\n') {
                }
            }
            if (peek != EOF) std::ungetc(peek, in);
            continue;
        }
        if (!continuation && (content.empty() || content.find(':') == std::string_view::npos || !complete)) {
            if (!written) ok = ok && std::fputs(statusLine.c_str(), out) >= 0;
            written = true;
            inHeaders = false;
        }
        ok = ok && std::fwrite(line.data(), 1, line.size(), out) == line.size();
    }
    if (!written) ok = ok && std::fputs(statusLine.c_str(), out) >= 0;
    char buf[65536];
    size_t n;
    while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0) ok = std::fwrite(buf, 1, n, out) == n;
    ok = ok && !std::ferror(in);
    std::fclose(in);
    ok = std::fflush(out) == 0 && ok;
    ok = ::fsync(fileno(out)) == 0 && ok;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fileno(out), st.st_mode & 07777);
    std::fclose(out);
    if (!ok || ::rename(tmpl.c_str(), path.c_str()) != 0) {
        ::unlink(tmpl.c_str());
        return false;
    }
    return true;
}

std::vector<std::string> ListFolders(std::string_view user) {
    std::vector<std::string> names;
    std::string root = GetMailFolderPath("", user);
    DIR* d = ::opendir(root.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        struct stat st {};
        if (::stat((root + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<MessageSummary> LoadFolder(const std::string& folderPath) {
    std::string dir = folderPath;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::vector<std::pair<std::string, bool>> names;  // name, known to be a regular file
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 5 && EndsWith(n, ".mail") && (e->d_type == DT_REG || e->d_type == DT_UNKNOWN))
                names.emplace_back(std::move(n), e->d_type == DT_REG);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    std::vector<MessageSummary> summaries(names.size());
    std::vector<char> found(names.size(), 0);
    auto readRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            const std::string p = dir + names[i].first;
            struct stat st {};
            if (!names[i].second && (::lstat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode))) continue;
            if (ReadMessageSummary(p, &summaries[i])) {
                found[i] = 1;
            } else if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
                // Only an empty file has no header at all.
                ::unlink(p.c_str());
            }
        }
    };
    // A large folder is mostly waiting on open and read: spread it over the cores.
    const size_t workers =
        names.size() < 1024 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    if (workers == 1) {
        readRange(0, names.size());
    } else {
        std::vector<std::thread> threads;
        const size_t chunk = (names.size() + workers - 1) / workers;
        for (size_t w = 1; w < workers; ++w)
            threads.emplace_back(readRange, std::min(names.size(), w * chunk),
                                 std::min(names.size(), (w + 1) * chunk));
        readRange(0, std::min(names.size(), chunk));
        for (std::thread& t : threads) t.join();
    }
    std::vector<MessageSummary> unread, read;
    for (size_t i = 0; i < names.size(); ++i)
        if (found[i]) (summaries[i].unread ? unread : read).push_back(std::move(summaries[i]));
    // Each unread message goes on top of the list as it is found.
    std::vector<MessageSummary> out;
    out.reserve(unread.size() + read.size());
    std::move(unread.rbegin(), unread.rend(), std::back_inserter(out));
    std::move(read.begin(), read.end(), std::back_inserter(out));
    return out;
}

MoveResult MoveMessages(const std::vector<std::string>& paths, std::string_view targetFolderName) {
    MoveResult r;
    std::string target = GetMailFolderPath(targetFolderName);
    if (target.empty()) return r;
    for (const std::string& src : paths) {
        std::string dest = target + BaseName(src);
        if (dest == src) {
            r.messages.push_back(kMoveToItself);
            return r;
        }
        int err = RenameNoReplace(src, dest);
        if (err != 0) {
            r.messages.push_back(err == EEXIST || err == EACCES ? kMoveExists : kMoveUnknown);
            continue;
        }
        r.moved.push_back(src);
    }
    r.status = Format("%zu Message(s) Moved to %.*s ", paths.size(),
                      static_cast<int>(targetFolderName.size()), targetFolderName.data());
    return r;
}

int DeleteMessages(const std::vector<std::string>& paths) {
    int n = 0;
    for (const std::string& p : paths) n += ::unlink(p.c_str()) == 0;
    return n;
}

int ClearWorkFolder() {
    std::string dir = MailWorkFolder();
    int n = 0;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string p = dir + e->d_name;
            struct stat st {};
            if (::lstat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) n += ::unlink(p.c_str()) == 0;
        }
        ::closedir(d);
    }
    return n;
}

}  // namespace sky
