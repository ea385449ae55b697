#include "textures/ImageDecoder.h"

#include "textures/ImageTable.h"

#include <csetjmp>
#include <cstring>

namespace {

// The read cursor: what is being decoded and the offset of the next byte.
struct ReadCursor {
    int index = -1; // ImageTable entry, or -1 for bytes from elsewhere
    const std::uint8_t* bytes = nullptr;
    std::size_t length = 0;
    std::size_t offset = 0;
};
ReadCursor cursor;

constexpr std::size_t SignatureBytes = 8;

// What libpng hands back from one successful read.
struct RawImage {
    png_bytepp rows;
    png_uint_32 width;
    png_uint_32 height;
    int colorType;
    int bitDepth;
    int channels;
    png_colorp palette;
    int paletteSize;
};

// Everything that can longjmp stays in this function, which holds only
// trivially destructible locals; a libpng error lands back at the setjmp.
int readWholeImage(png_structp png, png_infop info, RawImage& raw) {
    if (setjmp(png_jmpbuf(png))) {
        return DecodeCorrupt;
    }
    png_set_user_limits(png, MaxImageSide, MaxImageSide);
    // An ancillary chunk over libpng's size limit is otherwise only warned
    // about and then still allocated and read, however large it claims to be.
    png_set_benign_errors(png, 0);
#ifdef HV_DECODER_SKIPS_CHECKSUMS
    // Fuzz build only: a mutated byte would otherwise end nearly every input at
    // the first checksum, before any chunk or pixel is looked at.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_set_read_fn(png, nullptr, ReadImageBytes);
    png_set_sig_bytes(png, SignatureBytes);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, nullptr, 0);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);

    raw.rows = png_get_rows(png, info);
    raw.width = png_get_image_width(png, info);
    raw.height = png_get_image_height(png, info);
    raw.colorType = png_get_color_type(png, info);
    raw.bitDepth = png_get_bit_depth(png, info);
    raw.channels = png_get_channels(png, info);
    raw.palette = nullptr;
    raw.paletteSize = 0;
    if (raw.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_get_PLTE(png, info, &raw.palette, &raw.paletteSize);
    }
    return DecodeOk;
}

bool supported(const RawImage& raw) {
    if (raw.rows == nullptr || raw.bitDepth != 8) {
        return false;
    }
    switch (raw.colorType) {
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return true;
    case PNG_COLOR_TYPE_PALETTE:
        return raw.palette != nullptr;
    default:
        return false;
    }
}

std::uint8_t toByte(float value) {
    // Truncation toward zero, kept within a byte.
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 255.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(value);
}

void convert(const RawImage& raw, const float colorScale[3], float lift, float saturation,
             std::uint8_t* out) {
    const float offset = 255.0f * lift;
    const float keep = 1.0f - saturation;
    const int bitsPerPixel = raw.bitDepth * raw.channels;
    for (png_uint_32 y = 0; y < raw.height; ++y) {
        const png_byte* row = raw.rows[y];
        const png_byte* at = row; // RGB(A): next pixel's first byte
        std::size_t bit = 0;      // palette: next index's bit position
        for (png_uint_32 x = 0; x < raw.width; ++x) {
            float r, g, b;
            std::uint8_t alpha = 255;
            if (raw.channels >= 3) {
                r = static_cast<float>(at[0]) * colorScale[0] + offset;
                g = static_cast<float>(at[1]) * colorScale[1] + offset;
                b = static_cast<float>(at[2]) * colorScale[2] + offset;
                if (raw.channels == 4) {
                    alpha = at[3];
                }
                at += raw.channels;
            } else {
                const int entry = row[bit / 8];
                bit += static_cast<std::size_t>(bitsPerPixel);
                // An index past the palette's end reads as black.
                png_color colour{0, 0, 0};
                if (entry < raw.paletteSize) {
                    colour = raw.palette[entry];
                }
                r = colour.red;
                g = colour.green;
                b = colour.blue;
            }
            float luminance = 0.299f * r + 0.587f * g + 0.114f * b;
            if (luminance > 255.0f) {
                luminance = 255.0f;
            }
            out[0] = toByte(r * saturation + luminance * keep);
            out[1] = toByte(g * saturation + luminance * keep);
            out[2] = toByte(b * saturation + luminance * keep);
            out[3] = alpha;
            out += 4;
        }
    }
}

DecodedImage decodeAtCursor(const float colorScale[3], float lift, float saturation) {
    DecodedImage image;
    if (cursor.bytes == nullptr || cursor.length < SignatureBytes ||
        png_sig_cmp(cursor.bytes, 0, SignatureBytes) != 0) {
        image.result = DecodeBadSignature;
        return image;
    }

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_infop endInfo = info ? png_create_info_struct(png) : nullptr;
    if (endInfo == nullptr) {
        png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
        image.result = DecodeNoStructures;
        return image;
    }

    cursor.offset = SignatureBytes;
    RawImage raw{};
    image.result = readWholeImage(png, info, raw);
    if (image.result == DecodeOk && !supported(raw)) {
        image.result = DecodeUnsupported;
    }
    if (image.result == DecodeOk) {
        image.width = static_cast<int>(raw.width);
        image.height = static_cast<int>(raw.height);
        image.pixels.reset(new std::uint8_t[std::size_t(raw.width) * raw.height * 4]);
        convert(raw, colorScale, lift, saturation, image.pixels.get());
    }
    png_destroy_read_struct(&png, &info, &endInfo);
    return image;
}

} // namespace

void ReadImageBytes(png_structp decoder, png_bytep destination, png_size_t length) {
    if (decoder == nullptr) {
        return;
    }
    if (cursor.offset >= cursor.length) {
        cursor.offset = cursor.length;
        png_error(decoder, "read past the end of the image");
    }
    const std::size_t available = cursor.length - cursor.offset;
    const std::size_t count = length < available ? length : available;
    std::memcpy(destination, cursor.bytes + cursor.offset, count);
    cursor.offset += count;
    if (count < length) {
        // libpng would otherwise parse whatever the rest of its buffer held.
        png_error(decoder, "read past the end of the image");
    }
}

DecodedImage DecodeImage(int index, const float colorScale[3], float lift, float saturation) {
    cursor = ReadCursor{};
    cursor.index = index;
    if (index >= 0 && index < ImageCount && ImageTable[index].length > 0) {
        cursor.bytes = ImageTable[index].bytes;
        cursor.length = static_cast<std::size_t>(ImageTable[index].length);
    }
    return decodeAtCursor(colorScale, lift, saturation);
}

DecodedImage DecodeImageBytes(const std::uint8_t* bytes, std::size_t length,
                              const float colorScale[3], float lift, float saturation) {
    cursor = ReadCursor{};
    cursor.bytes = bytes;
    cursor.length = length;
    return decodeAtCursor(colorScale, lift, saturation);
}
