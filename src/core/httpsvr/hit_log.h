#pragma once

#include <ctime>
#include <string>
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

// The list columns, in order.
enum HitColumn { kColHitName, kColFolder, kColHits, kColTime, kColReferrer, kColUrl };
extern const char* const kHitColumnTitles[6];

// <0, 0, >0 as `a` sorts before, with or after `b` by `column`.
int CompareHits(const CHitDoc& a, const CHitDoc& b, HitColumn column);

// "%m/%d/%y %H:%M:%S" in local time; empty when the row counts no hit.
std::string HitTimeText(const CHitDoc& hit);

}  // namespace sky::httpsvr
