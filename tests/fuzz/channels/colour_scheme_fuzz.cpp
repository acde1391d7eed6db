#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/base/settings_store.h"
#include "core/channels/channel_nav.h"

// Any settings file gives a scheme of real colours, and that scheme written
// back reads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/sky-colour-fuzz-XXXXXX";
        const char* made = mkdtemp(tmpl);
        if (!made) abort();
        static std::string kept(made);
        atexit([] {
            for (const char* name : {"/skyharbor.ini", "/.skyharbor.ini.lock", "/next.ini"})
                unlink((kept + name).c_str());
            rmdir(kept.c_str());
        });
        return kept;
    }();
    const std::string path = dir + "/skyharbor.ini", next = dir + "/next.ini";
    FILE* f = fopen(next.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
    // A new file each time, so the store never takes it for the last one.
    if (rename(next.c_str(), path.c_str()) != 0) abort();

    sky::SettingsStore store(path);
    for (int depth : {16, 256, 1 << 24}) {
        sky::ChannelColours c = sky::ReadChannelColours(store, depth);
        for (unsigned v :
             {c.channelBack, c.channelText, c.navBack, c.navText, c.subBack, c.subText, c.topBack})
            if (v > 0xFFFFFFu) __builtin_trap();
    }
    sky::ChannelColours c = sky::ReadChannelColours(store, 16);
    if (sky::WriteChannelColours(store, c) && !(sky::ReadChannelColours(store, 16) == c)) __builtin_trap();
    return 0;
}
