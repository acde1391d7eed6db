#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a page needs beside it on the web space: the local images its SRC= and
// BACKGROUND= attributes name, and which of them the web space already holds.
namespace sky::homepage {

enum class RefPlace {
    Beside,     // a file in the page's own folder: `file` names it
    Elsewhere,  // an address of its own (http:, mailto:, data:, "//host", "#top"): not ours to send
    Outside,    // leaves the page's folder: "..", an absolute path, a drive, file:
    InFolder,   // below the page's folder; the web space has no folders
    BadName,    // a name the web space refuses (a leading dot, control characters, too long)
};

struct ImageRef {
    std::string value;  // the attribute value as written (entities decoded)
    RefPlace place = RefPlace::Elsewhere;
    std::string file;  // Beside only: the file name (%XX decoded, query and fragment cut)
};

// Every SRC= and BACKGROUND= value in the page's tags, in order, repeats
// included. Comments, and the text between tags, are not looked into.
std::vector<ImageRef> FindImageRefs(std::string_view html);

// Where one reference points; the same rule FindImageRefs applies.
ImageRef ClassifyRef(std::string_view value);

// File names and sizes of a web-space listing ("YYYYMMDDhhmmss,size,kind,name"
// lines); folders (kind 2) and lines that do not read are left out.
std::map<std::string, uint64_t> ListedFiles(std::string_view listing);

// What publishing a page sends besides the page itself.
struct PageAssets {
    std::vector<std::string> send;     // files beside the page, each once, in page order
    std::vector<std::string> present;  // already on the web space at the same size
    std::vector<std::pair<std::string, std::string>> skipped;  // reference as written, why not sent
};

// The page's local images, checked on disk: a name that is missing, not a
// regular file, or a link leading out of the page's folder is skipped with
// the reason; so is every reference that leaves the folder.
PageAssets LocalPageAssets(std::string_view page, const std::string& pagePath);

// Moves the files a web-space listing already holds at the same size from
// `send` to `present`; `pageFolder` is where their local copies are.
void DropListed(PageAssets& assets, const std::string& pageFolder, std::string_view listing);

}  // namespace sky::homepage
