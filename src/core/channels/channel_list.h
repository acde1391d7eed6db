#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// URL of a channel node, and the two folder marks.
inline constexpr std::string_view kChannelMark = "Channel!";
inline constexpr std::string_view kFolderMark = "_FOLDER";           // read from a file or imported
inline constexpr std::string_view kDesignerFolderMark = "__FOLDER";  // made in the designer

// The main list's file and the local channel's file, in the data root.
std::string MainChannelFilePath();
std::string LocalChannelFilePath();

// One node of the channel tree: a channel, an entry (page or folder) or a page
// in a folder. Its place in the tree and its URL tell which.
struct CChannelItem {
    std::string name;
    std::string url;
    std::vector<std::unique_ptr<CChannelItem>> children;
    bool matched = false;  // import: an imported channel has this name
    bool skip = false;     // import: not to be merged

    // The channel bar's memory, never written to a file.
    int lastPosition = 0;      // channel: entry last chosen; folder: page last chosen
    std::string lastAddress;   // channel: where the user was when leaving it
    bool introPending = true;  // channel: introduction page not yet requested

    CChannelItem() = default;
    CChannelItem(std::string n, std::string u) : name(std::move(n)), url(std::move(u)) {}

    // An entry is a folder when it has pages or carries a folder mark.
    bool IsFolder() const;
    // The bar and designer draw an entry as a folder when its URL begins with "_".
    bool ShownAsFolder() const { return !url.empty() && url[0] == '_'; }
    // A deep copy without the import marks.
    std::unique_ptr<CChannelItem> Clone() const;
};

// Asked by Import when an imported channel has the name of an existing one.
// Called on the caller's thread, in list order of the existing channels.
class ClashResolver {
public:
    enum class Choice {
        None,     // the question was closed without a choice: the channel comes in under its name
        Replace,  // "Delete the existing channel and replace it with the new channel."
        Append,   // "Append a number to the new channel and import it, ie. "MyChannel2"."
        Skip,     // "Do not import this channel."
        Cancel,   // stop the import; the list stays as it was
    };
    virtual ~ClashResolver() = default;
    virtual Choice AskClash(const std::string& channelName) = 0;
    // Asked after a choice when the import has two clashes or more; true makes
    // the choice stand for the remaining clashes. Never asked again for a
    // choice once declined in the same import.
    virtual bool AskApplyToAll(Choice choice) = 0;
};

// A resolver that gives the same answer every time (command line, tests).
class FixedClashResolver : public ClashResolver {
public:
    explicit FixedClashResolver(Choice choice) : choice_(choice) {}
    Choice AskClash(const std::string&) override { return choice_; }
    bool AskApplyToAll(Choice) override { return true; }

private:
    Choice choice_;
};

// The texts of the clash question.
inline constexpr const char* kClashTitle = "Importing a channel with the same name as an existing channel";
inline constexpr const char* kSaveError = "Could Not Open Destination File";

// An ordered list of channels. Names need not be unique.
class CChannelList {
public:
    using Items = std::vector<std::unique_ptr<CChannelItem>>;

    void Clear();
    CChannelItem* AppendChannel(std::string name);
    static CChannelItem* AppendChild(CChannelItem* parent, std::string name, std::string url);
    // Merging insertion of a page (folderName empty: a loose entry).
    static void AddPage(CChannelItem* channel, std::string folderName, const std::string& url,
                        const std::string& pageName);

    // Reads a file in the line format, else as the profile format. False only
    // when the file cannot be opened; the list is then untouched.
    bool Load(const std::string& path);
    // The line format of `bytes`, as Load reads a file; false when it holds no
    // channel value at all (Load then tries the profile format).
    bool ParseLineFormat(std::string_view bytes);
    // The profile format of `text`; `profilePath` decides the "local.sky" rule.
    bool ParseProfileFormat(std::string_view text, const std::string& profilePath);

    // Writes the line format atomically: every channel, or only those whose
    // index is selected. False (and the old file untouched) when it cannot be
    // written; `error` then says why.
    bool Save(const std::string& path, const std::vector<bool>* selection = nullptr,
              std::string* error = nullptr) const;
    // The bytes Save writes.
    std::string Serialize(const std::vector<bool>* selection = nullptr) const;

    // Merges the channel file at `path` into this list. False when the file
    // cannot be opened or the resolver cancels (`cancelled` says which);
    // nothing changes then.
    bool Import(const std::string& path, ClashResolver& resolver, bool* cancelled = nullptr);

    size_t size() const { return channels_.size(); }
    bool empty() const { return channels_.empty(); }
    CChannelItem* at(size_t i) const { return i < channels_.size() ? channels_[i].get() : nullptr; }
    Items& channels() { return channels_; }
    const Items& channels() const { return channels_; }
    const std::string& profilePath() const { return profilePath_; }

private:
    Items channels_;
    std::string profilePath_;
};

// Read-modify-write of the channel file at `path` under its lock: `change` gets
// the file as it is now (a missing file is an empty list) and the list is saved
// when it returns true. False when `change` fails (`error` left empty) or the
// file cannot be read or written (`error` says so).
bool ModifyChannelFile(const std::string& path, const std::function<bool(CChannelList&)>& change,
                       std::string* error = nullptr);

// Saves `list` over the channel file at `path` under the same lock, so a whole
// save never lands in the middle of another writer's read-modify-write.
bool SaveChannelFile(const std::string& path, const CChannelList& list, std::string* error = nullptr);

}  // namespace sky
