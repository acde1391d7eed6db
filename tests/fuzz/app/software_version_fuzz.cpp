#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/app/software_version.h"

// Input: the service's version answer; after the first NUL, a second one.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    size_t nul = in.find('\0');
    auto a = sky::ParseSoftwareVersion(in.substr(0, nul));
    auto b = sky::ParseSoftwareVersion(nul == std::string_view::npos ? in : in.substr(nul + 1));
    if (a && a->text.size() > sky::SoftwareVersion::kMaxText) __builtin_trap();
    if (a && a->Compare(*a) != 0) __builtin_trap();
    // The order is antisymmetric, whatever was published.
    if (a && b && a->Compare(*b) != -b->Compare(*a)) __builtin_trap();
    if (a) a->Compare(sky::ProgramVersion());
    return 0;
}
