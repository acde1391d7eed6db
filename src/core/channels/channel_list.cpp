#include "core/channels/channel_list.h"

#include <unistd.h>

#include <optional>
#include <utility>

#include "core/base/atomic_file.h"
#include "core/base/file_lock.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/base/settings_store.h"
#include "core/base/text_util.h"

namespace sky {

namespace {

// The classic profile reader's 300-byte buffer.
constexpr size_t kProfileValueMax = 299;

// Length of a well-formed UTF-8 sequence starting at `at`, 0 when there is none.
// Overlong forms and surrogates are refused so that a value never carries
// bytes another reader would decode differently.
size_t Utf8SequenceAt(std::string_view s, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(at);
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (at + len > s.size()) return 0;
    if (byte(at + 1) < lo || byte(at + 1) > hi) return 0;
    for (size_t i = 2; i < len; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return len;
}

// Cuts `s` to at most `max` bytes without leaving half a UTF-8 sequence behind.
std::string CutUtf8(std::string s, size_t max) {
    if (s.size() <= max) return s;
    auto continuation = [&](size_t i) { return (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; };
    size_t lead = max;
    while (lead > 0 && max - lead < 3 && continuation(lead)) --lead;
    size_t len = Utf8SequenceAt(s, lead);
    s.resize(len > 0 && lead < max && lead + len > max ? lead : max);
    return s;
}

// Reads the tagged values of the line format one after the other.
class TaggedReader {
public:
    explicit TaggedReader(std::string_view bytes) : data_(bytes.substr(0, bytes.find('\0'))) {}

    bool Next(std::string* tag, std::string* value) {
        size_t tilde = data_.find('~', pos_);
        if (tilde == std::string_view::npos) {
            pos_ = data_.size();
            return false;
        }
        size_t colon = data_.find(':', tilde + 1);
        if (colon == std::string_view::npos) {
            pos_ = data_.size();
            return false;
        }
        *tag = Trim(data_.substr(tilde + 1, colon - tilde - 1));
        pos_ = colon + 1;
        std::string v;
        while (pos_ < data_.size()) {
            unsigned char c = static_cast<unsigned char>(data_[pos_]);
            if (c >= 0x20 && c <= 0x7E) {
                v.push_back(static_cast<char>(c));
                ++pos_;
                continue;
            }
            if (size_t len = Utf8SequenceAt(data_, pos_)) {
                v.append(data_.substr(pos_, len));
                pos_ += len;
                continue;
            }
            ++pos_;  // the byte that ends the value is consumed with it
            break;
        }
        *value = Trim(v);
        return true;
    }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

void AppendValue(std::string& out, std::string_view tag, std::string_view value) {
    out += "\r\n~";
    out += tag;
    out += ':';
    out += value;
}

}  // namespace

std::string MainChannelFilePath() {
    return JoinPath(DataRoot(), "skychan1.sky");
}
std::string LocalChannelFilePath() {
    return JoinPath(DataRoot(), "local.sky");
}

bool CChannelItem::IsFolder() const {
    return !children.empty() || url == kFolderMark || url == kDesignerFolderMark;
}

std::unique_ptr<CChannelItem> CChannelItem::Clone() const {
    auto copy = std::make_unique<CChannelItem>(name, url);
    copy->lastPosition = lastPosition;
    copy->lastAddress = lastAddress;
    copy->introPending = introPending;
    copy->children.reserve(children.size());
    for (const auto& child : children) copy->children.push_back(child->Clone());
    return copy;
}

void CChannelList::Clear() {
    channels_.clear();
}

CChannelItem* CChannelList::AppendChannel(std::string name) {
    channels_.push_back(std::make_unique<CChannelItem>(std::move(name), std::string(kChannelMark)));
    return channels_.back().get();
}

CChannelItem* CChannelList::AppendChild(CChannelItem* parent, std::string name, std::string url) {
    parent->children.push_back(std::make_unique<CChannelItem>(std::move(name), std::move(url)));
    return parent->children.back().get();
}

void CChannelList::AddPage(CChannelItem* channel, std::string folderName, const std::string& url,
                           const std::string& pageName) {
    folderName = Trim(folderName);
    CChannelItem* folder = nullptr;
    for (const auto& entry : channel->children) {
        if (entry->name == folderName) {
            folder = entry.get();
            break;
        }
        if (folderName.empty() && entry->name == pageName) {
            entry->url = url;
            return;
        }
    }
    if (!folder) {
        if (folderName.empty()) {
            AppendChild(channel, pageName, url);
            return;
        }
        folder = AppendChild(channel, folderName, std::string(kFolderMark));
    }
    for (const auto& page : folder->children) {
        if (page->name == pageName) {
            page->url = url;
            return;
        }
    }
    AppendChild(folder, pageName, url);
}

bool CChannelList::ParseLineFormat(std::string_view bytes) {
    Clear();
    TaggedReader reader(bytes);
    CChannelItem* channel = nullptr;
    CChannelItem* folder = nullptr;
    bool sawChannel = false;
    std::string tag, value, url, urlTag;
    while (reader.Next(&tag, &value)) {
        if (tag == "CH") {
            channel = AppendChannel(value);
            folder = nullptr;
            sawChannel = true;
        } else if (tag == "FO") {
            // Entries are only ever appended, so the entry position is the
            // channel's entry count and "growing" is an append.
            folder = channel ? AppendChild(channel, value, std::string(kFolderMark)) : nullptr;
        } else if (tag == "FN") {
            if (!reader.Next(&urlTag, &url)) url.clear();
            if (channel) AppendChild(channel, value, url);
            folder = nullptr;
        } else if (tag == "PN") {
            if (!reader.Next(&urlTag, &url)) url.clear();
            if (folder) AppendChild(folder, value, url);
        }
    }
    return sawChannel;
}

bool CChannelList::ParseProfileFormat(std::string_view text, const std::string& profilePath) {
    Clear();
    profilePath_ = profilePath;
    ProfileText doc = ProfileText::Parse(text);
    auto get = [&](const std::string& section, const std::string& key, std::string_view def) {
        std::string v;
        if (!doc.Find(section, key, &v)) return std::string(def);
        return CutUtf8(std::move(v), kProfileValueMax);
    };
    auto fill = [&](CChannelItem* channel) {
        std::string section = "Tab:" + channel->name;
        for (int i = 0;; ++i) {
            std::string label = get(section, Format("Page%dLabel", i), "");
            if (label.empty()) break;
            CChannelItem* entry = AppendChild(channel, label, get(section, Format("Page%dURL", i), ""));
            for (int j = 0;; ++j) {
                std::string page = get(section, Format("Page%d_%dlabel", i, j), "");
                if (page.empty()) break;
                AppendChild(entry, page, get(section, Format("Page%d_%dURL", i, j), ""));
            }
        }
    };
    if (profilePath.find("local.sky") != std::string::npos) {
        fill(AppendChannel("local"));
    } else {
        for (int i = 0;; ++i) {
            std::string name = get("Channels", Format("C%d", i), "_END_");
            if (name == "_END_") break;
            fill(AppendChannel(name));
        }
    }
    return !channels_.empty();
}

bool CChannelList::Load(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) return false;
    if (!ParseLineFormat(bytes)) ParseProfileFormat(bytes, path);
    return true;
}

std::string CChannelList::Serialize(const std::vector<bool>* selection) const {
    std::string out;
    for (size_t i = 0; i < channels_.size(); ++i) {
        const CChannelItem& channel = *channels_[i];
        if (channel.name.starts_with("*DELETED")) continue;
        if (selection && (i >= selection->size() || !(*selection)[i])) continue;
        AppendValue(out, "**", "*********");
        AppendValue(out, "CH", channel.name);
        for (const auto& entry : channel.children) {
            if (entry->name == "*DELETED") continue;
            AppendValue(out, "**", "- - -");
            if (entry->children.empty()) {
                AppendValue(out, "FN", entry->name);
                AppendValue(out, "FU", entry->url);
                continue;
            }
            AppendValue(out, "FO", entry->name);
            for (const auto& page : entry->children) {
                out += "\r\n";
                AppendValue(out, "PN", page->name);
                AppendValue(out, "PU", page->url);
            }
        }
    }
    return out;
}

bool CChannelList::Save(const std::string& path, const std::vector<bool>* selection,
                        std::string* error) const {
    return WriteFileAtomically(path, Serialize(selection), error);
}

bool CChannelList::Import(const std::string& path, ClashResolver& resolver, bool* cancelled) {
    if (cancelled) *cancelled = false;
    CChannelList imported;
    if (!imported.Load(path)) return false;

    int clashes = 0;
    for (auto& channel : channels_) channel->matched = false;
    for (const auto& in : imported.channels_) {
        for (auto& channel : channels_) {
            if (channel->name == in->name) {
                if (!channel->matched) ++clashes;
                channel->matched = true;
                break;
            }
        }
    }

    using Choice = ClashResolver::Choice;
    std::optional<Choice> standing;
    bool declined[5] = {};
    // Names marked for replacement, restored when the user cancels.
    std::vector<std::pair<CChannelItem*, std::string>> renamed;
    for (auto& channel : channels_) {
        if (!channel->matched) continue;
        CChannelItem* namesake = nullptr;
        for (const auto& in : imported.channels_) {
            if (in->name == channel->name) {
                namesake = in.get();
                break;
            }
        }
        if (!namesake) continue;
        Choice choice;
        if (standing) {
            choice = *standing;
        } else {
            choice = resolver.AskClash(channel->name);
            if (choice == Choice::Cancel) {
                for (auto& [item, name] : renamed) item->name = name;
                for (auto& c : channels_) c->matched = false;
                if (cancelled) *cancelled = true;
                return false;
            }
            int k = static_cast<int>(choice);
            if (choice != Choice::None && clashes >= 2 && !declined[k]) {
                if (resolver.AskApplyToAll(choice))
                    standing = choice;
                else
                    declined[k] = true;
            }
        }
        switch (choice) {
            case Choice::Replace:
                renamed.emplace_back(channel.get(), channel->name);
                channel->name = "*DELETED:" + channel->name;
                break;
            case Choice::Append:
                namesake->name += "2";
                break;
            case Choice::Skip:
                namesake->skip = true;
                break;
            case Choice::None:
            case Choice::Cancel:
                break;
        }
    }

    for (const auto& in : imported.channels_) {
        if (in->skip) continue;
        if (in->name == "__REFRESH") {
            Clear();
            continue;
        }
        CChannelItem* channel = AppendChannel(Trim(in->name));
        for (const auto& entry : in->children) {
            if (entry->children.empty()) {
                AddPage(channel, "", entry->url, entry->name);
                continue;
            }
            for (const auto& page : entry->children) AddPage(channel, entry->name, page->url, page->name);
        }
    }
    return true;
}

bool ModifyChannelFile(const std::string& path, const std::function<bool(CChannelList&)>& change,
                       std::string* error) {
    std::string err;
    bool changeFailed = false;
    bool ok = ModifyLocked(
        path,
        [&](std::string* why) {
            CChannelList list;
            // A file that exists but cannot be read must not be replaced by an empty list.
            if (::access(path.c_str(), F_OK) == 0 && !list.Load(path)) {
                *why = "cannot read " + path;
                return false;
            }
            if (!change(list)) {
                changeFailed = true;
                return false;
            }
            std::string saveError;
            if (list.Save(path, nullptr, &saveError)) return true;
            *why = std::string(kSaveError) + " (" + saveError + ")";
            return false;
        },
        &err);
    if (!ok && !changeFailed) LogWarn("channels", err);
    if (error) *error = changeFailed ? std::string() : err;
    return ok;
}

bool SaveChannelFile(const std::string& path, const CChannelList& list, std::string* error) {
    return ModifyLocked(
        path, [&](std::string* why) { return list.Save(path, nullptr, why); }, error);
}

}  // namespace sky
