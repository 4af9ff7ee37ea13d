// A minimal PNG encoder: one IHDR, one zlib-compressed IDAT, IEND. Enough for
// screenshots; no interlacing, no filtering beyond "none".
#pragma once

#include <cstdint>
#include <vector>

namespace setup_driver {

// Encodes a picture of 8-bit RGB pixels, rows top to bottom, 3 * width bytes
// a row with no padding. Returns an empty vector when the picture is empty,
// its pixel buffer is of the wrong size, or compression fails.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t> &rgb);

} // namespace setup_driver
