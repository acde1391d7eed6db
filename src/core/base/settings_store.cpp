#include "core/base/settings_store.h"

#include <sys/stat.h>

#include <climits>
#include <functional>
#include <map>
#include <memory>

#include "core/base/atomic_file.h"
#include "core/base/file_lock.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/text_util.h"

namespace sky {

namespace {

// A value may be written with quotes around it; they are not part of it.
std::string Unquote(std::string v) {
    if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
        return v.substr(1, v.size() - 2);
    return v;
}

// A line break inside a name or value would split it into two lines.
std::string OneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

ProfileText ProfileText::Parse(std::string_view text) {
    ProfileText doc;
    doc.endsWithNewline_ = text.empty() || text.back() == '\n';
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        size_t end = (nl == std::string_view::npos) ? text.size() : nl;
        std::string_view raw = text.substr(pos, end - pos);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string t = Trim(raw);
        if (t.size() >= 2 && t.front() == '[') {
            size_t close = t.find(']');
            if (close != std::string::npos) {
                line.kind = Line::kSection;
                line.name = Trim(std::string_view(t).substr(1, close - 1));
            }
        } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
            size_t eq = t.find('=');
            if (eq != std::string::npos && eq > 0) {
                line.kind = Line::kKey;
                line.name = Trim(std::string_view(t).substr(0, eq));
            }
        }
        doc.lines_.push_back(std::move(line));
        pos = (nl == std::string_view::npos) ? text.size() : nl + 1;
    }
    return doc;
}

std::string ProfileText::Serialize() const {
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i].raw;
        if (i + 1 < lines_.size() || endsWithNewline_) out += '\n';
    }
    return out;
}

int ProfileText::FindSection(std::string_view section) const {
    std::string want = Trim(section);
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::kSection && EqualsNoCase(lines_[i].name, want))
            return static_cast<int>(i);
    return -1;
}

size_t ProfileText::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Line::kSection) ++i;
    return i;
}

bool ProfileText::Find(std::string_view section, std::string_view key, std::string* value) const {
    int s = FindSection(section);
    if (s < 0) return false;
    std::string want = Trim(key);
    for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i) {
        if (lines_[i].kind == Line::kKey && EqualsNoCase(lines_[i].name, want)) {
            if (value) {
                const std::string& raw = lines_[i].raw;
                *value = Unquote(Trim(std::string_view(raw).substr(raw.find('=') + 1)));
            }
            return true;
        }
    }
    return false;
}

void ProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string sec = OneLine(Trim(section));
    std::string k = OneLine(Trim(key));
    std::string v = OneLine(value);
    Line kl;
    kl.kind = Line::kKey;
    kl.name = k;
    kl.raw = k + "=" + v;

    int s = FindSection(sec);
    if (s < 0) {
        if (!lines_.empty() && !endsWithNewline_) endsWithNewline_ = true;
        Line sl;
        sl.kind = Line::kSection;
        sl.name = sec;
        sl.raw = "[" + sec + "]";
        lines_.push_back(std::move(sl));
        lines_.push_back(std::move(kl));
        endsWithNewline_ = true;
        return;
    }
    size_t end = SectionEnd(s);
    for (size_t i = s + 1; i < end; ++i) {
        if (lines_[i].kind == Line::kKey && EqualsNoCase(lines_[i].name, k)) {
            // Keep the key's spelling as the file had it.
            kl.name = lines_[i].name;
            kl.raw = kl.name + "=" + v;
            lines_[i] = std::move(kl);
            return;
        }
    }
    // New key: after the section's last non-blank line.
    size_t at = end;
    while (at > static_cast<size_t>(s) + 1 && Trim(lines_[at - 1].raw).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(kl));
    if (at == lines_.size() - 1) endsWithNewline_ = true;
}

bool ProfileText::Remove(std::string_view section, std::string_view key) {
    int s = FindSection(section);
    if (s < 0) return false;
    std::string want = Trim(key);
    for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i) {
        if (lines_[i].kind == Line::kKey && EqualsNoCase(lines_[i].name, want)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

std::vector<std::string> ProfileText::SectionNames() const {
    std::vector<std::string> out;
    for (const auto& l : lines_)
        if (l.kind == Line::kSection) out.push_back(l.name);
    return out;
}

std::vector<std::string> ProfileText::KeyNames(std::string_view section) const {
    std::vector<std::string> out;
    int s = FindSection(section);
    if (s < 0) return out;
    for (size_t i = s + 1, end = SectionEnd(s); i < end; ++i)
        if (lines_[i].kind == Line::kKey) out.push_back(lines_[i].name);
    return out;
}

int ProfileToInt(std::string_view value) {
    std::string t = Trim(value);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) neg = (t[i++] == '-');
    long long v = 0;
    bool any = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        any = true;
        if (v < static_cast<long long>(INT_MAX) + 1) v = v * 10 + (t[i] - '0');
        ++i;
    }
    if (!any) return 0;
    if (neg) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

SettingsStore& SettingsStore::App() {
    // The store of the settings path in force now: a process that moves its
    // home (the tests do) writes into the new one, not the first it saw.
    // Stores are kept, since callers hold on to them.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<SettingsStore>> stores;
    std::lock_guard lock(mutex);
    std::string path = SettingsPath();
    auto& store = stores[path];
    if (!store) store = std::make_unique<SettingsStore>(path);
    return *store;
}

SettingsStore::FileStamp SettingsStore::StampOf(const std::string& path) {
    FileStamp f;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return f;
    f.exists = true;
    f.dev = st.st_dev;
    f.ino = st.st_ino;
    f.size = static_cast<unsigned long long>(st.st_size);
    f.mtimeSec = st.st_mtim.tv_sec;
    f.mtimeNsec = st.st_mtim.tv_nsec;
    f.ctimeSec = st.st_ctim.tv_sec;
    f.ctimeNsec = st.st_ctim.tv_nsec;
    return f;
}

const ProfileText& SettingsStore::Current() const {
    // The stamp is taken before the read: a change in between only costs one
    // more read next time, never a stale answer.
    FileStamp now = StampOf(path_);
    if (!haveCache_ || !(now == stamp_)) {
        std::string text;
        if (!ReadWholeFile(path_, &text)) text.clear();
        cached_ = ProfileText::Parse(text);
        stamp_ = now;
        haveCache_ = true;
    }
    return cached_;
}

bool SettingsStore::Modify(const std::function<bool(ProfileText&)>& change) {
    std::lock_guard lock(mutex_);
    std::string err;
    bool ok = ModifyLocked(
        path_,
        [&](std::string* why) {
            // Another writer may have replaced the file a moment ago with the same
            // size and time stamp: under the lock, always read it afresh.
            haveCache_ = false;
            ProfileText text = Current();
            if (!change(text)) return true;
            haveCache_ = false;
            return WriteFileAtomically(path_, text.Serialize(), why);
        },
        &err);
    lastError_ = ok ? std::string() : err;
    // Most callers have no way to show it; the log is where it goes.
    if (!ok) LogWarn("settings", "cannot write " + path_ + ": " + err);
    return ok;
}

int SettingsStore::GetInt(std::string_view section, std::string_view key, int def) const {
    std::lock_guard lock(mutex_);
    std::string v;
    if (!Current().Find(section, key, &v)) return def;
    return ProfileToInt(v);
}

std::string SettingsStore::GetString(std::string_view section, std::string_view key,
                                     std::string_view def) const {
    std::lock_guard lock(mutex_);
    std::string v;
    if (!Current().Find(section, key, &v)) return std::string(def);
    return v;
}

bool SettingsStore::Has(std::string_view section, std::string_view key) const {
    std::lock_guard lock(mutex_);
    return Current().Find(section, key, nullptr);
}

bool SettingsStore::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool SettingsStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    return Modify([&](ProfileText& text) {
        text.Set(section, key, value);
        return true;
    });
}

bool SettingsStore::Remove(std::string_view section, std::string_view key) {
    return Modify([&](ProfileText& text) { return text.Remove(section, key); });
}

bool SettingsStore::Edit(const std::function<void(SettingsEdit&)>& edit) {
    return Modify([&](ProfileText& text) {
        SettingsEdit batch(text);
        edit(batch);
        return batch.changed_;
    });
}

std::string SettingsEdit::GetString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
    std::string v;
    return text_.Find(section, key, &v) ? v : std::string(def);
}

int SettingsEdit::GetInt(std::string_view section, std::string_view key, int def) const {
    std::string v;
    return text_.Find(section, key, &v) ? ProfileToInt(v) : def;
}

bool SettingsEdit::Has(std::string_view section, std::string_view key) const {
    return text_.Find(section, key, nullptr);
}

void SettingsEdit::Set(std::string_view section, std::string_view key, std::string_view value) {
    text_.Set(section, key, value);
    changed_ = true;
}

void SettingsEdit::SetInt(std::string_view section, std::string_view key, int value) {
    Set(section, key, std::to_string(value));
}

void SettingsEdit::Remove(std::string_view section, std::string_view key) {
    if (text_.Remove(section, key)) changed_ = true;
}

std::vector<std::string> SettingsStore::SectionNames() const {
    std::lock_guard lock(mutex_);
    return Current().SectionNames();
}

std::vector<std::string> SettingsStore::KeyNames(std::string_view section) const {
    std::lock_guard lock(mutex_);
    return Current().KeyNames(section);
}

std::string SettingsStore::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

}  // namespace sky
