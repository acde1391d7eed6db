#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/paths.h"

// Every fuzz run works in a private SKYHARBOR_HOME.
inline std::string FuzzHome() {
    static std::string home = [] {
        std::string tmpl = "/tmp/skyharbor-fuzz-XXXXXX";
        if (!mkdtemp(tmpl.data())) std::abort();
        setenv("SKYHARBOR_HOME", tmpl.c_str(), 1);
        return tmpl + "/";
    }();
    return home;
}

inline std::string WriteInput(const uint8_t* data, size_t size) {
    std::string path = FuzzHome() + "input.mail";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}
