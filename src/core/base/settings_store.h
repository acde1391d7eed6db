#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// One parsed profile file. Lines are kept as they were so that a write changes
// only the line it must; everything else (comments, unknown keys, odd lines)
// survives byte for byte.
class ProfileText {
public:
    static ProfileText Parse(std::string_view text);
    std::string Serialize() const;

    // Section and key names are matched without regard to case; the first
    // matching section and the first matching key in it win.
    bool Find(std::string_view section, std::string_view key, std::string* value) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);
    bool Remove(std::string_view section, std::string_view key);
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

private:
    struct Line {
        enum Kind { kOther, kSection, kKey } kind = kOther;
        std::string raw;   // the line as read, without its line break
        std::string name;  // section or key name, trimmed
    };
    // Index of the section header line, or -1 when absent.
    int FindSection(std::string_view section) const;
    // Index one past the last line that belongs to the section at `header`.
    size_t SectionEnd(size_t header) const;

    std::vector<Line> lines_;
    bool endsWithNewline_ = true;
};

// A batch of changes made inside SettingsStore::Edit. Reads see the file as
// it was under the lock plus the changes made so far in the batch.
class SettingsEdit {
public:
    std::string GetString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    int GetInt(std::string_view section, std::string_view key, int def) const;
    bool Has(std::string_view section, std::string_view key) const;
    std::vector<std::string> KeyNames(std::string_view section) const { return text_.KeyNames(section); }

    void Set(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);
    void Remove(std::string_view section, std::string_view key);

private:
    friend class SettingsStore;
    explicit SettingsEdit(ProfileText& text) : text_(text) {}
    ProfileText& text_;
    bool changed_ = false;
};

// The settings store: named integer and string values in sections of one INI
// file. Every read sees the file as it is now (it is parsed again only when
// it changed on disk) and every write reads it again and rewrites it
// atomically under the file's lock, so the program and skyharbor-cli may
// share it without losing each other's writes.
class SettingsStore {
public:
    explicit SettingsStore(std::string path);

    // The store at SettingsPath() as it is now. The program's own code takes
    // its store from the app context; this is for skyharbor-cli and tests.
    static SettingsStore& App();

    const std::string& path() const { return path_; }

    int GetInt(std::string_view section, std::string_view key, int def) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    bool Has(std::string_view section, std::string_view key) const;

    bool WriteInt(std::string_view section, std::string_view key, int value);
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool Remove(std::string_view section, std::string_view key);
    // Several changes written as one: the file is read again under its lock,
    // `edit` runs, and the result is written once (not at all when nothing
    // changed). Another store's writes are never interleaved with the batch.
    // `edit` must not use this store, or it waits for ever.
    bool Edit(const std::function<void(SettingsEdit&)>& edit);

    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Why the last write failed.
    std::string lastError() const;

private:
    // What identifies one version of the file on disk.
    struct FileStamp {
        bool exists = false;
        unsigned long long dev = 0, ino = 0, size = 0;
        long long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const std::string& path);

    // The file as parsed; read again only when its stamp changed. Call with mutex_ held.
    const ProfileText& Current() const;
    // Read-modify-write under the file's lock; `change` returns false when it
    // changed nothing, and the file is then left alone.
    bool Modify(const std::function<bool(ProfileText&)>& change);

    std::string path_;
    mutable std::mutex mutex_;
    mutable bool haveCache_ = false;
    mutable FileStamp stamp_;
    mutable ProfileText cached_;
    std::string lastError_;
};

// Integer value of a profile string: optional sign and leading digits, 0 when
// there are none (as the classic profile reader does).
int ProfileToInt(std::string_view value);

}  // namespace sky
