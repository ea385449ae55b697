// libFuzzer target: arbitrary bytes through the PNG decoder and libpng, with
// the show's colour arguments and with an extreme adjustment, so both
// conversion paths see every image. It links the decoder built without the
// checksum checks, so that mutations get past them to the chunk and pixel code.
#include "textures/ImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const float show[3] = {0.5f, 0.5f, 0.5f};
    static const float extreme[3] = {3.0f, -2.0f, 1.0f};
    DecodedImage image = DecodeImageBytes(data, size, show, 0.0f, 1.0f);
    if (image.result == DecodeOk) {
        if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) {
            std::abort();
        }
        // Touch the last byte so a short buffer shows under AddressSanitizer.
        volatile std::uint8_t last = image.pixels[std::size_t(image.width) * image.height * 4 - 1];
        (void)last;
        image = DecodeImageBytes(data, size, extreme, -0.5f, 2.5f);
    } else if (image.pixels != nullptr) {
        std::abort();
    }
    return 0;
}
