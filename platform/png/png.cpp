#include "platform/png/png.h"

#include <png.h>

namespace png {

Image decode(std::span<const std::uint8_t> bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    Image out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    return out;
}

std::vector<std::uint8_t> encode(const Image& in) {
    if (!in.valid() || in.rgba.size() != static_cast<std::size_t>(in.width) * in.height * 4) return {};
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(in.width);
    image.height = static_cast<png_uint_32>(in.height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, in.rgba.data(), 0, nullptr)) return {};
    std::vector<std::uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, in.rgba.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

} // namespace png
