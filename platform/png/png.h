// PNG pictures held in the program, decoded from memory into 8-bit RGBA.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace png {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // width * height * 4 bytes, rows top to bottom

    bool valid() const { return width > 0 && height > 0; }
};

// An invalid (empty) image when the bytes are not a PNG libpng can read.
Image decode(std::span<const std::uint8_t> bytes);

// The image as PNG bytes; empty on failure. Used by our picture-drawing tools.
std::vector<std::uint8_t> encode(const Image& image);

} // namespace png
