#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sky {

struct GifColour {
    uint8_t r, g, b;
};

// A small GIF image for pages the program or the service makes itself. No
// compressor is needed: every pixel is one code, and a clear code comes
// often enough that the code width never grows. The palette (at most 256
// colours) is padded to a power of two; a pixel outside it is colour 0.
// `transparent` names the colour that is not drawn, -1 for none.
std::string EncodeGif(int width, int height, const std::vector<GifColour>& palette,
                      const std::function<int(int x, int y)>& pixel, int transparent = -1);

}  // namespace sky
