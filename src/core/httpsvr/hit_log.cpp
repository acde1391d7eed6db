#include "core/httpsvr/hit_log.h"

#include <strings.h>

#include <algorithm>

#include "core/httpsvr/status.h"

namespace sky::httpsvr {

const char* const kHitColumnTitles[6] = {"Hit Name",      "In Folder",       "#Hits",
                                         "Time Last Hit", "Last Refered By", "Last URL"};

CHitDoc MakeHit(const CRequest& request, std::time_t now) {
    CHitDoc hit;
    hit.referrer = request.Header("referer");
    hit.url = request.url;
    hit.time = now;
    hit.isFolder = request.isFolder;
    hit.kind = request.kind;
    hit.status = request.status;
    if (hit.Successful()) {
        size_t slash = request.physicalPath.rfind('/');
        hit.file = slash == std::string::npos ? request.physicalPath : request.physicalPath.substr(slash + 1);
        hit.folder = slash == std::string::npos ? std::string() : request.physicalPath.substr(0, slash + 1);
    } else {
        hit.file = StatusText(request.status);
    }
    return hit;
}

size_t MergeHit(std::vector<CHitDoc>& rows, CHitDoc hit) {
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].url == hit.url) {
            hit.hits += rows[i].hits;
            rows[i] = std::move(hit);
            return i;
        }
    }
    rows.push_back(std::move(hit));
    return rows.size() - 1;
}

HitLog::Change HitLog::Add(CHitDoc hit) {
    Change change;
    hit.hits = 1;
    auto [at, fresh] = rows_.try_emplace(hit.url);
    records_.push_back(&at->first);
    auto& slot = at->second;
    if (!fresh) {
        hit.hits += slot->hits;
        *slot = std::move(hit);
    } else {
        slot = std::make_unique<CHitDoc>(std::move(hit));
        change.added = true;
    }
    change.row = slot.get();
    while (records_.size() > std::max<size_t>(max_, 1)) {
        cut_ = true;
        auto it = rows_.find(*records_.front());
        if (it != rows_.end() && --it->second->hits <= 0) {
            change.removedUrls.push_back(it->first);
            rows_.erase(it);
        }
        records_.pop_front();
    }
    return change;
}

const CHitDoc* HitLog::Row(const std::string& url) const {
    auto it = rows_.find(url);
    return it == rows_.end() ? nullptr : it->second.get();
}

std::vector<const CHitDoc*> HitLog::Records() const {
    std::vector<const CHitDoc*> out;
    out.reserve(records_.size());
    for (const std::string* url : records_) out.push_back(Row(*url));
    return out;
}

std::vector<const CHitDoc*> HitLog::Rows() const {
    std::vector<const CHitDoc*> out;
    out.reserve(rows_.size());
    for (const auto& [url, row] : rows_) out.push_back(row.get());
    return out;
}

namespace {

int Sign(long long v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

int CompareText(const std::string& a, const std::string& b) {
    return Sign(strcasecmp(a.c_str(), b.c_str()));
}

}  // namespace

int CompareHits(const CHitDoc& a, const CHitDoc& b, HitColumn column) {
    switch (column) {
        case kColFolder:
            return CompareText(a.folder, b.folder);
        case kColReferrer:
            return CompareText(a.referrer, b.referrer);
        case kColUrl:
            return CompareText(a.url, b.url);
        case kColHits:
            return Sign(static_cast<long long>(a.hits) - b.hits);
        case kColTime:
            return Sign(static_cast<long long>(a.time) - static_cast<long long>(b.time));
        case kColHitName:
            break;
    }
    // Folders first, then successful hits by name and folder, then failures by status.
    if (a.isFolder != b.isFolder) return a.isFolder ? -1 : 1;
    bool okA = a.Successful(), okB = b.Successful();
    if (okA != okB) return okA ? -1 : 1;
    if (!okA) return Sign(static_cast<long long>(a.status) - b.status);
    if (int c = CompareText(a.file, b.file)) return c;
    return CompareText(a.folder, b.folder);
}

std::string HitTimeText(const CHitDoc& hit) {
    if (hit.hits < 1) return {};
    std::tm tm{};
    localtime_r(&hit.time, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%m/%d/%y %H:%M:%S", &tm);
    return buf;
}

}  // namespace sky::httpsvr
