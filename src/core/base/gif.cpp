#include "core/base/gif.h"

#include <algorithm>

namespace sky {

std::string EncodeGif(int width, int height, const std::vector<GifColour>& palette,
                      const std::function<int(int x, int y)>& pixel, int transparent) {
    // Codes start one bit wider than the colours need: 2 to 8 bits of colour.
    int bits = 2;
    while (bits < 8 && (1u << bits) < palette.size()) ++bits;
    const int colours = 1 << bits;
    std::string out = "GIF89a";
    auto u16 = [&out](int v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>((v >> 8) & 0xff);
    };
    u16(width);
    u16(height);
    out += static_cast<char>(0x80 | (bits - 1));  // a global colour table
    out += '\0';
    out += '\0';
    for (int i = 0; i < colours; ++i) {
        GifColour c = i < static_cast<int>(palette.size()) ? palette[i] : GifColour{0, 0, 0};
        out += static_cast<char>(c.r);
        out += static_cast<char>(c.g);
        out += static_cast<char>(c.b);
    }
    if (transparent >= 0) {
        out += "\x21\xf9\x04\x01";
        out += std::string("\0\0", 2);
        out += static_cast<char>(transparent);
        out += '\0';
    }
    out += ',';
    u16(0);
    u16(0);
    u16(width);
    u16(height);
    out += '\0';
    out += static_cast<char>(bits);  // minimum code size

    // After a clear code the table gains an entry with every code but the
    // first; clearing again before it reaches the next width keeps it fixed.
    const unsigned clear = 1u << bits, end = clear + 1, width_bits = bits + 1;
    const int run = colours - 2;
    std::string data;
    unsigned acc = 0, nbits = 0;
    auto put = [&](unsigned code) {
        acc |= code << nbits;
        nbits += width_bits;
        while (nbits >= 8) {
            data += static_cast<char>(acc & 0xff);
            acc >>= 8;
            nbits -= 8;
        }
    };
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (count++ % run == 0) put(clear);
            int p = pixel(x, y);
            put(p >= 0 && p < static_cast<int>(palette.size()) ? static_cast<unsigned>(p) : 0u);
        }
    put(end);
    if (nbits) data += static_cast<char>(acc & 0xff);
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out += static_cast<char>(n);
        out.append(data, i, n);
    }
    out += '\0';
    out += ';';
    return out;
}

}  // namespace sky
