#include "core/mail/message_render.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <uudeview.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/base/atomic_file.h"
#include "core/base/paths.h"
#include "core/base/text_util.h"
#include "core/mail/mail_store.h"
#include "core/mail/uu_lock.h"

extern char** environ;

namespace sky {

namespace {

// Lines the decoding library misreads: it reads lines as C strings, so a NUL
// inside one makes it read past what it copied, and a Subject that ends in
// "/" sends its part-number scan past the end of the text. Mail has no
// business carrying NULs, and a "." after such a "/" changes nothing the
// reader sees (the page takes the subject from the original).
class DecoderSafeLines {
public:
    // Rewrites one line (without its line break); true when it changed. The
    // library also ends a line at a lone CR, so each CR-separated piece
    // counts as a line of its own.
    bool Fix(std::string& line) {
        bool changed = false;
        for (char& c : line)
            if (c == '\0') {
                c = ' ';
                changed = true;
            }
        size_t start = 0;
        while (start <= line.size()) {
            size_t cr = line.find('\r', start);
            size_t end = cr == std::string::npos ? line.size() : cr;
            std::string piece = line.substr(start, end - start);
            if (FixPiece(piece)) {
                line.replace(start, end - start, piece);
                end = start + piece.size();
                changed = true;
            }
            if (cr == std::string::npos) break;
            start = end + 1;
        }
        return changed;
    }

private:
    bool FixPiece(std::string& piece) {
        if (StartsWithNoCase(piece, "subject:"))
            inSubject_ = true;
        else if (piece.empty() || (piece[0] != ' ' && piece[0] != '\t'))
            inSubject_ = false;
        if (!inSubject_) return false;
        size_t end = piece.find_last_not_of(" \t");
        if (end == std::string::npos || piece[end] != '/') return false;
        piece.insert(end + 1, ".");
        return true;
    }

    bool inSubject_ = false;
};

std::FILE* CreateFile(const std::string& path, bool exclusive) {
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
    int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) ::close(fd);
    return f;
}

bool ReadLine(std::FILE* in, std::string* line, bool* newline) {
    line->clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line->push_back(static_cast<char>(c));
    *newline = c == '\n';
    return c != EOF || !line->empty();
}

// The message as the decoding library may read it: `path` itself, or a
// fixed copy in *scratch, a hidden file of the work folder.
std::string DecoderSafeCopy(const std::string& path, const std::string& work, std::string* scratch) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return path;
    std::string line;
    bool newline = false;
    bool needed = false;
    {
        DecoderSafeLines fix;
        while (!needed && ReadLine(in, &line, &newline)) needed = fix.Fix(line);
    }
    std::string name = work + ".decode-copy.eml";
    std::FILE* out = needed ? CreateFile(name, false) : nullptr;
    if (!out) {
        std::fclose(in);
        return path;
    }
    *scratch = name;
    std::rewind(in);
    DecoderSafeLines fix;
    while (ReadLine(in, &line, &newline)) {
        fix.Fix(line);
        std::fwrite(line.data(), 1, line.size(), out);
        if (newline) std::fputc('\n', out);
    }
    std::fclose(in);
    std::fclose(out);
    return *scratch;
}

bool IsAddressChar(unsigned char c) {
    if (c <= 0x20 || c >= 0x7f) return false;
    return std::strchr("\"(),:;<>[\\]", c) == nullptr;
}

bool IsSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

void Escaped(std::string_view s, std::string* out) {
    for (char c : s) {
        switch (c) {
            case '\n':
                *out += "<BR>";
                break;
            case '"':
                *out += "&#34;";
                break;
            case '&':
                *out += "&#38;";
                break;
            case '<':
                *out += "&#60;";
                break;
            case '>':
                *out += "&#62;";
                break;
            default:
                out->push_back(c);
        }
    }
}

struct Span {
    size_t start, len;
};

void ClearFolder(const std::string& dir) {
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string p = dir + e->d_name;
            struct stat st {};
            if (::lstat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(p.c_str());
        }
        ::closedir(d);
    }
}

bool IsReservedName(const std::string& name) {
    for (const char* r : {"PlainText.htm", "MorePlainText.htm", "Enhanced.htm", "index.htm"})
        if (EqualsNoCase(name, r)) return true;
    return false;
}

// The last path component of a name from the message, without control
// characters; never empty, ".", ".." or one of our own page names.
std::string SafePartName(const char* raw, size_t index) {
    std::string name = raw ? raw : "";
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::string clean;
    for (unsigned char c : name)
        if (c >= 0x20 && c != 0x7f) clean.push_back(static_cast<char>(c));
    clean = Trim(clean);
    if (clean.size() > 200) clean = clean.substr(clean.size() - 200);
    if (clean.empty() || clean == "." || clean == "..") clean = Format("part%04zu.bin", index + 1);
    if (IsReservedName(clean)) clean = "_" + clean;
    return clean;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Copies the library's decoded temporary file to a file we create ourselves
// (no links followed, nothing replaced), within `budget` bytes.
bool CopyDecoded(const char* from, const std::string& to, long long* budget) {
    std::FILE* in = std::fopen(from, "rbe");
    if (!in) return false;
    std::FILE* out = CreateFile(to, true);
    if (!out) {
        std::fclose(in);
        return false;
    }
    char buf[65536];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
        if (static_cast<long long>(n) > *budget) {
            ok = false;
            break;
        }
        *budget -= static_cast<long long>(n);
        if (std::fwrite(buf, 1, n, out) != n) {
            ok = false;
            break;
        }
    }
    std::fclose(in);
    std::fclose(out);
    if (!ok) ::unlink(to.c_str());
    return ok;
}

}  // namespace

std::string TextToHtml(std::string_view text) {
    const size_t n = text.size();
    std::vector<Span> web;
    for (size_t pos = 0; pos < n;) {
        size_t start = text.find("http://", pos);
        if (start == std::string_view::npos) start = text.find("www.", pos);
        if (start == std::string_view::npos) break;
        size_t end = start;
        while (end < n && !IsSpace(text[end])) ++end;
        size_t len = end - start;
        if (text[end - 1] == '.') --len;
        web.push_back({start, len});
        pos = end;
    }
    std::vector<Span> mail;
    for (size_t i = 1; i + 1 < n; ++i) {
        if (text[i] != '@' || !IsAddressChar(text[i - 1]) || !IsAddressChar(text[i + 1])) continue;
        size_t j = i;
        while (j > 0 && IsAddressChar(text[j - 1])) --j;
        size_t k = i + 1;
        while (k < n && IsAddressChar(text[k])) ++k;
        size_t len = k - j;
        if (text[k - 1] == '.') --len;
        mail.push_back({j, len});
        i = k;
    }
    std::string out;
    out.reserve(n + n / 8);
    size_t w = 0, m = 0;
    for (size_t p = 0; p < n;) {
        while (w < web.size() && web[w].start < p) ++w;
        while (m < mail.size() && mail[m].start < p) ++m;
        if (w < web.size() && web[w].start == p) {
            std::string_view link = text.substr(p, web[w].len);
            out += "<A HREF=";
            if (link.find("http://") == std::string_view::npos) out += "http://";
            Escaped(link, &out);
            out += ">";
            Escaped(link, &out);
            out += "</A>";
            p += link.size();
            if (link.empty()) Escaped(text.substr(p++, 1), &out);
            continue;
        }
        if (m < mail.size() && mail[m].start == p) {
            std::string_view addr = text.substr(p, mail[m].len);
            out += "<A HREF=mailto:";
            Escaped(addr, &out);
            out += ">";
            Escaped(addr, &out);
            out += "</A>";
            p += addr.size();
            continue;
        }
        Escaped(text.substr(p, 1), &out);
        ++p;
    }
    return out;
}

bool AppendTextPart(const std::string& path, std::FILE* out, bool stripHeaders, std::string* plainText) {
    std::string text;
    if (!ReadWholeFile(path, &text)) return false;
    if (stripHeaders && (StartsWithNoCase(text, "Return-Path") || StartsWithNoCase(text, "Received:"))) {
        // Parts the library wrote have bare line feeds.
        size_t crlf = text.find("\r\n\r\n"), lf = text.find("\n\n");
        if (crlf != std::string::npos && (lf == std::string::npos || crlf < lf))
            text.erase(0, crlf + 4);
        else if (lf != std::string::npos)
            text.erase(0, lf + 2);
    }
    if (plainText) *plainText += text;
    std::string html = TextToHtml(text);
    return std::fwrite(html.data(), 1, html.size(), out) == html.size();
}

std::string ShowWelcome(const std::string& workFolder) {
    std::string path = workFolder + "index.htm";
    WriteFileAtomically(
        path,
        "<HTML><H3>Welcome to SkyMail</H3><P>Press buttons on the toolbar to read and write your E-Mail");
    return path;
}

DecodedMessage DecodeMessageInProcess(const std::string& path, const std::string& workFolderIn,
                                      const std::function<void(const std::string&)>& status) {
    DecodedMessage r;
    std::string work = workFolderIn;
    if (!work.empty() && work.back() != '/') work += '/';
    ClearFolder(work);
    MailHeaderReader reader;
    if (!reader.Open(path)) {
        r.messages.push_back("Error Opening");
        return r;
    }
    if (!reader.ReadHeaders()) {
        r.messages.push_back("Error Reading Headers");
        return r;
    }
    r.sender = reader.from();
    r.date = reader.date();
    r.subject = reader.subject();
    r.contentType = reader.contentType();
    auto say = [&](const char* s) {
        if (status) status(s);
    };

    std::lock_guard<std::mutex> lock(UuMutex());
    UuInitializeQuiet();
    UUSetOption(UUOPT_USETEXT, 1, nullptr);
    UUSetOption(UUOPT_SAVEPATH, 0, const_cast<char*>(work.c_str()));
    UUSetOption(UUOPT_OVERWRITE, 0, nullptr);
    say("Loading Message...");
    std::string scratch;
    std::string source = DecoderSafeCopy(path, work, &scratch);
    UULoadFile(const_cast<char*>(source.c_str()), nullptr, 0);

    std::string plainPath = work + "PlainText.htm";
    std::FILE* plain = nullptr;
    long long budget = kMaxDecodedBytes;
    auto startPlain = [&](const char* errorFormat) {
        if (plain) std::fclose(plain);
        plain = CreateFile(plainPath, false);
        if (!plain) r.messages.push_back(Format(errorFormat, plainPath.c_str()));
        return plain != nullptr;
    };
    bool wholeMessage = false;
    uulist* item = nullptr;
    size_t index = 0;
    for (; (item = UUGetFileListItem(static_cast<int>(index))) != nullptr; ++index) {
        if (index >= kMaxParts) {
            r.truncated = true;
            break;
        }
        std::string original = item->filename ? item->filename : "";
        std::string mime = item->mimetype ? item->mimetype : "";
        std::string name = SafePartName(item->filename, index);
        for (int k = 1; Exists(work + name); ++k)
            name = Format("%d_%s", k, SafePartName(item->filename, index).c_str());
        if (original.size() < 3 || original.compare(original.size() - 3, 3, "txt") != 0)
            say("Decoding Attachment...");
        bool decoded = false;
        if (item->size > budget) {
            r.truncated = true;
        } else if (UUDecodeToTemp(item) == UURET_OK && item->binfile) {
            decoded = CopyDecoded(item->binfile, work + name, &budget);
            if (!decoded && budget <= 0) r.truncated = true;
            UURemoveTemp(item);
        }
        bool first0001 = EqualsNoCase(original, "0001.txt");
        if (index == 0 && !first0001) {
            wholeMessage = true;
            // The first part is not text: the whole message is the text.
            if (startPlain("Error opening file: %s")) AppendTextPart(path, plain, true, &r.plainText);
            r.parts.push_back({"PlainText.htm", mime});
            r.page = "PlainText.htm";
        }
        if (wholeMessage && original.find(".txt") != std::string::npos) {
            // The page already holds the whole message, text parts included.
        } else if (first0001) {
            if (startPlain("Error openning file: %s") && decoded)
                AppendTextPart(work + name, plain, true, &r.plainText);
            r.parts.push_back({"PlainText.htm", mime});
            r.page = "PlainText.htm";
        } else if (!mime.empty() && original == "0002.txt" && mime == "text/html") {
            std::string from = work + name, to = work + "Enhanced.htm";
            if (!decoded || Exists(to) || ::rename(from.c_str(), to.c_str()) != 0) {
                r.messages.push_back(Format("Rename Error: %s ->%s", from.c_str(), to.c_str()));
            } else {
                r.parts.push_back({"Enhanced.htm", mime});
                r.page = "Enhanced.htm";
            }
        } else if (original.find(".txt") != std::string::npos) {
            std::string morePath = work + "MorePlainText.htm";
            std::FILE* more = CreateFile(morePath, false);
            if (more) {
                if (decoded) AppendTextPart(work + name, more, true, &r.plainText);
                std::fclose(more);
                std::string html;
                if (plain && ReadWholeFile(morePath, &html)) std::fwrite(html.data(), 1, html.size(), plain);
            }
        } else {
            r.parts.push_back({name, mime});
        }
    }
    UUCleanUp();
    if (!scratch.empty()) std::remove(scratch.c_str());
    if (r.truncated && plain)
        std::fputs("<P><B>[This message is too large to show whole; the rest was left out.]</B>", plain);
    if (plain) std::fclose(plain);
    r.ok = true;
    return r;
}

namespace {

// Frames on the pipe from the decoding process: a tag byte, a 4-byte length, the bytes.
void PutFrame(int fd, char tag, const std::string& text) {
    uint32_t n = static_cast<uint32_t>(text.size());
    std::string frame(1, tag);
    frame.append(reinterpret_cast<const char*>(&n), sizeof n);
    frame += text;
    const char* p = frame.data();
    size_t left = frame.size();
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        p += w;
        left -= static_cast<size_t>(w);
    }
}

bool ReadExactly(int fd, char* p, size_t n) {
    while (n > 0) {
        ssize_t r = ::read(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool GetFrame(int fd, char* tag, std::string* text) {
    uint32_t n = 0;
    if (!ReadExactly(fd, tag, 1) || !ReadExactly(fd, reinterpret_cast<char*>(&n), sizeof n)) return false;
    if (n > (64u << 20)) return false;
    text->resize(n);
    return n == 0 || ReadExactly(fd, text->data(), n);
}

}  // namespace

bool WriteDecodedMessage(int out, const std::string& path, const std::string& workFolder) {
    DecodedMessage m =
        DecodeMessageInProcess(path, workFolder, [out](const std::string& s) { PutFrame(out, 'S', s); });
    PutFrame(out, 'o', m.ok ? "1" : "");
    for (const std::string& text : m.messages) PutFrame(out, 'm', text);
    PutFrame(out, 'p', m.page);
    for (const MessagePart& part : m.parts) {
        PutFrame(out, 'n', part.name);
        PutFrame(out, 't', part.mimeType);
    }
    PutFrame(out, 'x', m.plainText);
    PutFrame(out, 's', m.sender);
    PutFrame(out, 'd', m.date);
    PutFrame(out, 'j', m.subject);
    PutFrame(out, 'c', m.contentType);
    PutFrame(out, 'T', m.truncated ? "1" : "");
    PutFrame(out, 'E', "");
    return m.ok;
}

std::string DecodeHelperPath() {
    if (const char* p = std::getenv("SKYHARBOR_DECODE"); p && *p) return p;
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string exe(buf, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1) + "skyharbor-decode";
}

namespace {

DecodedMessage CouldNotDecode() {
    DecodedMessage failed;
    failed.messages.push_back("This message could not be decoded.");
    return failed;
}

// The helper's environment: ours, with TMPDIR in the work folder so the
// library's scratch files never land anywhere else.
std::vector<std::string> HelperEnvironment(const std::string& work) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.emplace_back(*e);
    env.push_back("TMPDIR=" + work);
    return env;
}

}  // namespace

// The decoding library is old C that misreads hostile messages (it reads past
// the ends of its strings). It runs in a helper program of its own, started
// fresh for each message (no fork of this process, whose other threads may
// hold locks), so whatever it does to its memory ends with that process; the
// page and parts it wrote stay in the work folder.
DecodedMessage DecodeMessage(const std::string& path, const std::string& workFolder,
                             const std::function<void(const std::string&)>& status) {
    std::string work = workFolder;
    if (!work.empty() && work.back() != '/') work += '/';
    std::string helper = DecodeHelperPath();
    int fds[2];
    if (helper.empty() || ::pipe2(fds, O_CLOEXEC) != 0) return CouldNotDecode();
    // Above the standard descriptors, so the helper's fd 3 is made by dup2.
    int writeEnd = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
    ::close(fds[1]);
    if (writeEnd < 0) {
        ::close(fds[0]);
        return CouldNotDecode();
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, writeEnd, kDecodeResultFd);
    posix_spawn_file_actions_addclosefrom_np(&fa, kDecodeResultFd + 1);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> env = HelperEnvironment(work);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string a0 = helper, a1 = path, a2 = work;
    char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, helper.c_str(), &fa, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    ::close(writeEnd);
    if (rc != 0) {
        ::close(fds[0]);
        return CouldNotDecode();
    }
    DecodedMessage r;
    bool complete = false;
    char tag = 0;
    std::string text;
    // A helper that hangs is ended, not waited for.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDecodeSeconds);
    auto readable = [&] {
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fds[0], POLLIN, 0};
            int n = ::poll(&p, 1, static_cast<int>(left.count()));
            if (n > 0) return true;
            if (n < 0 && errno != EINTR) return false;
        }
    };
    while (!complete && readable() && GetFrame(fds[0], &tag, &text)) {
        switch (tag) {
            case 'S':
                if (status) status(text);
                break;
            case 'o':
                r.ok = !text.empty();
                break;
            case 'm':
                r.messages.push_back(text);
                break;
            case 'p':
                r.page = text;
                break;
            case 'n':
                r.parts.push_back({text, ""});
                break;
            case 't':
                if (!r.parts.empty()) r.parts.back().mimeType = text;
                break;
            case 'x':
                r.plainText = text;
                break;
            case 's':
                r.sender = text;
                break;
            case 'd':
                r.date = text;
                break;
            case 'j':
                r.subject = text;
                break;
            case 'c':
                r.contentType = text;
                break;
            case 'T':
                r.truncated = !text.empty();
                break;
            case 'E':
                complete = true;
                break;
        }
    }
    if (!complete) ::kill(pid, SIGKILL);
    ::close(fds[0]);
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (!complete) return CouldNotDecode();
    return r;
}

}  // namespace sky
