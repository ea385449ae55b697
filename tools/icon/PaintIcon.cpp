// paint_icon: the program's icon at one size, painted at build time from one
// of the show's flake images.
//
//   paint_icon FLAKE.png SIZE ICON.png
#include "tools/icon/IconPicture.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "paint_icon: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return fail("usage: paint_icon FLAKE.png SIZE ICON.png");
    }
    const std::string source = argv[1];
    const std::string target = argv[3];
    char* end = nullptr;
    const long size = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || size < 16 || size > 1024) {
        return fail(std::string("the size must be from 16 to 1024 pixels, not '") + argv[2] + "'");
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, source.c_str())) {
        return fail(source + ": " + image.message);
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> flake(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, flake.data(), 0, nullptr)) {
        return fail(source + ": " + image.message);
    }

    const LinearPicture icon = PaintIcon(
        FromSrgb(flake.data(), static_cast<int>(image.width), static_cast<int>(image.height)),
        static_cast<int>(size));
    const std::vector<std::uint8_t> rgba = ToSrgb(icon);

    png_image out{};
    out.version = PNG_IMAGE_VERSION;
    out.width = static_cast<png_uint_32>(icon.width);
    out.height = static_cast<png_uint_32>(icon.height);
    out.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&out, target.c_str(), 0, rgba.data(), 0, nullptr)) {
        std::remove(target.c_str());
        return fail(target + ": " + out.message);
    }
    return 0;
}
