#include "tests/support/PngPicture.h"

#include <png.h>

Picture ReadPng(const std::filesystem::path& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        picture.width = image.width;
        picture.height = image.height;
    } else {
        picture.rgb.clear();
    }
    return picture;
}
