#pragma once

#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/httpsvr/http_request.h"

namespace sky::httpsvr {

// One answered request as the server window lists it.
struct CHitDoc {
    std::string file;      // file name part of the physical path; the status text when it failed
    std::string folder;    // folder part with its trailing "/"; empty when it failed
    std::string referrer;  // "Referer" header
    std::string url;
    std::time_t time = 0;
    bool isFolder = false;
    int kind = kKindPlain;
    int hits = 1;
    int status = 0;  // HTTP code; 0 when a CGI program chose it

    bool Successful() const { return status == 200 || (status == 0 && kind == kKindCgi); }
};

CHitDoc MakeHit(const CRequest& request, std::time_t now);

// Merges `hit` into `rows`: a row with the same URL is replaced by the hit,
// which takes over its count; otherwise the hit is appended. Returns the row index.
size_t MergeHit(std::vector<CHitDoc>& rows, CHitDoc hit);

// The hits since the server started, merged into one row per URL. Only the
// most recent kMaxHits records are kept, and the rows merged from them: a row
// counts its hits among those, and goes when its last one is dropped.
class HitLog {
public:
    static constexpr size_t kMaxHits = 10000;
    // What the window says once older hits were dropped.
    static constexpr const char* kCutText = "showing the last 10,000 hits";

    explicit HitLog(size_t maxHits = kMaxHits) : max_(maxHits) {}

    struct Change {
        const CHitDoc* row = nullptr;          // the row that took the hit
        bool added = false;                    // that row is new
        std::vector<std::string> removedUrls;  // rows gone with the dropped hits
    };
    Change Add(CHitDoc hit);

    size_t hitCount() const { return records_.size(); }  // records kept
    size_t rowCount() const { return rows_.size(); }
    // Older hits were dropped to keep the log bounded.
    bool cut() const { return cut_; }
    const CHitDoc* Row(const std::string& url) const;
    // Every row, in no particular order.
    std::vector<const CHitDoc*> Rows() const;
    // The row of each kept hit, oldest first: replayed, they rebuild the rows.
    std::vector<const CHitDoc*> Records() const;

private:
    size_t max_;
    bool cut_ = false;
    // The kept hits, oldest first, as their rows' keys: a row outlives its hits.
    std::deque<const std::string*> records_;
    // Node-based: a row's address stays put while others come and go.
    std::unordered_map<std::string, std::unique_ptr<CHitDoc>> rows_;
};

// The list columns, in order.
enum HitColumn { kColHitName, kColFolder, kColHits, kColTime, kColReferrer, kColUrl };
extern const char* const kHitColumnTitles[6];

// <0, 0, >0 as `a` sorts before, with or after `b` by `column`.
int CompareHits(const CHitDoc& a, const CHitDoc& b, HitColumn column);

// "%m/%d/%y %H:%M:%S" in local time; empty when the row counts no hit.
std::string HitTimeText(const CHitDoc& hit);

}  // namespace sky::httpsvr
