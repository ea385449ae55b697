// PNG decoding from memory: agreement with an independent encoder, the colour
// adjustment of the show, the embedded images, and refusal of bad data.
#include "textures/ImageDecoder.h"
#include "textures/ImageTable.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const float NoScale[3] = {1.0f, 1.0f, 1.0f};
const float ShowScale[3] = {0.5f, 0.5f, 0.5f};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes readFixture(const std::string& name) {
    return readFile(std::string(HV_FIXTURE_DIR) + "/" + name);
}

// The fuzzer's seeds: one small valid PNG of each layout libpng reads.
Bytes readSeed(const std::string& name) {
    return readFile(std::string(HV_SEED_DIR) + "/" + name + ".png");
}

DecodedImage decode(const Bytes& png, const float* scale = NoScale, float lift = 0.0f,
                    float saturation = 1.0f) {
    return DecodeImageBytes(png.data(), png.size(), scale, lift, saturation);
}

// The four bytes of pixel (x, y) of an RGBA buffer `width` pixels wide.
Bytes pixelOf(const std::uint8_t* rgba, int width, int x, int y) {
    const std::uint8_t* p = rgba + (y * width + x) * 4;
    return Bytes(p, p + 4);
}

void expectRefused(const Bytes& png, const std::string& what) {
    const DecodedImage image = decode(png);
    EXPECT_NE(image.result, DecodeOk) << what;
    EXPECT_EQ(image.pixels, nullptr) << what;
}

// Byte offset of the data of the first chunk of `type`.
std::size_t chunkData(const Bytes& png, const char* type) {
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::size_t length =
            (std::size_t(png[at]) << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::string(png.begin() + at + 4, png.begin() + at + 8) == type) {
            return at + 8;
        }
        at += 12 + length;
    }
    ADD_FAILURE() << "no chunk " << type;
    return 0;
}

std::size_t chunkLength(const Bytes& png, std::size_t data) {
    return (std::size_t(png[data - 8]) << 24) | (png[data - 7] << 16) | (png[data - 6] << 8) |
           png[data - 5];
}

// Writes the CRC of the chunk whose data starts at `data` as it should be.
void fixCrc(Bytes& png, std::size_t data) {
    const std::size_t length = chunkLength(png, data);
    const uLong crc = crc32(0L, png.data() + data - 4, static_cast<uInt>(4 + length));
    for (int i = 0; i < 4; ++i) {
        png[data + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
}

// `png` with a chunk of `type` holding `length` bytes inserted after IHDR.
Bytes withChunk(const Bytes& png, const char* type, std::size_t length) {
    Bytes chunk(4 + 4 + length + 4, 'x');
    for (int i = 0; i < 4; ++i) {
        chunk[i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
        chunk[4 + i] = static_cast<std::uint8_t>(type[i]);
    }
    const uLong crc = crc32(0L, chunk.data() + 4, static_cast<uInt>(4 + length));
    for (int i = 0; i < 4; ++i) {
        chunk[8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    Bytes out(png.begin(), png.begin() + chunkData(png, "IHDR") + 13 + 4);
    out.insert(out.end(), chunk.begin(), chunk.end());
    out.insert(out.end(), png.begin() + static_cast<long>(out.size() - chunk.size()), png.end());
    return out;
}

struct Fixture {
    const char* name;
    int width, height;
};
const Fixture Decodable[] = {{"rgba", 13, 7}, {"rgb", 9, 5}, {"palette", 11, 6}};

} // namespace

TEST(DecodeImage, UnadjustedPixelsMatchWhatPillowReads) {
    for (const Fixture& f : Decodable) {
        const DecodedImage image = decode(readFixture(std::string(f.name) + ".png"));
        const Bytes expected = readFixture(std::string(f.name) + ".rgba");
        ASSERT_EQ(image.result, DecodeOk) << f.name;
        EXPECT_EQ(image.width, f.width) << f.name;
        EXPECT_EQ(image.height, f.height) << f.name;
        ASSERT_EQ(expected.size(), std::size_t(f.width) * f.height * 4) << f.name;
        EXPECT_EQ(Bytes(image.pixels.get(), image.pixels.get() + expected.size()), expected)
            << f.name;
    }
}

TEST(DecodeImage, ShowArgumentsHalveRgbaColoursAndKeepAlpha) {
    const DecodedImage image = decode(readFixture("rgba.png"), ShowScale, 0.0f, 1.0f);
    const Bytes pillow = readFixture("rgba.rgba");
    ASSERT_EQ(image.result, DecodeOk);
    EXPECT_EQ(pixelOf(image.pixels.get(), 13, 5, 2), (Bytes{127, 100, 0, 77}));
    EXPECT_EQ(pixelOf(image.pixels.get(), 13, 12, 6), (Bytes{127, 127, 127, 255}));
    for (std::size_t i = 0; i < pillow.size(); ++i) {
        const int expected = (i % 4 == 3) ? pillow[i] : pillow[i] / 2;
        ASSERT_EQ(image.pixels[i], expected) << "byte " << i;
    }
}

TEST(DecodeImage, PaletteColoursIgnoreScaleAndLiftAndAreOpaque) {
    const Bytes png = readFixture("palette.png");
    const Bytes pillow = readFixture("palette.rgba");
    for (float lift : {0.0f, 0.3f}) {
        const DecodedImage image = decode(png, ShowScale, lift, 1.0f);
        ASSERT_EQ(image.result, DecodeOk);
        EXPECT_EQ(pixelOf(image.pixels.get(), 11, 7, 1), (Bytes{10, 20, 30, 255}));
        EXPECT_EQ(Bytes(image.pixels.get(), image.pixels.get() + pillow.size()), pillow);
    }
}

TEST(DecodeImage, SaturationZeroTurnsColourToItsLuminance) {
    const DecodedImage image = decode(readFixture("rgb.png"), NoScale, 0.0f, 0.0f);
    ASSERT_EQ(image.result, DecodeOk);
    EXPECT_EQ(pixelOf(image.pixels.get(), 9, 4, 3), (Bytes{76, 76, 76, 255}));
    for (int i = 0; i < 9 * 5; ++i) {
        ASSERT_EQ(image.pixels[i * 4], image.pixels[i * 4 + 1]) << "pixel " << i;
        ASSERT_EQ(image.pixels[i * 4], image.pixels[i * 4 + 2]) << "pixel " << i;
    }
}

TEST(DecodeImage, LiftBrightensAndStopsAt255) {
    const Bytes png = readFixture("rgba.png");
    const Bytes pillow = readFixture("rgba.rgba");
    const float none[3] = {0.0f, 0.0f, 0.0f};
    const DecodedImage flat = decode(png, none, 0.1f, 1.0f); // 25.5 everywhere
    const DecodedImage bright = decode(png, NoScale, 0.5f, 1.0f);
    ASSERT_EQ(flat.result, DecodeOk);
    ASSERT_EQ(bright.result, DecodeOk);
    for (std::size_t i = 0; i < pillow.size(); ++i) {
        if (i % 4 == 3) {
            continue;
        }
        ASSERT_EQ(flat.pixels[i], 25) << "byte " << i;
        ASSERT_EQ(bright.pixels[i], pillow[i] >= 128 ? 255 : pillow[i] + 127) << "byte " << i;
    }
}

TEST(DecodeImage, EmbeddedImagesHaveTheirListedSizes) {
    const int sizes[ImageCount] = {128, 256, 128, 128, 128, 0, 128};
    for (int index = 0; index < ImageCount; ++index) {
        if (index == 5) {
            continue;
        }
        const DecodedImage image = DecodeImage(index, ShowScale, 0.0f, 1.0f);
        EXPECT_EQ(image.result, DecodeOk) << "image " << index;
        EXPECT_EQ(image.width, sizes[index]) << "image " << index;
        EXPECT_EQ(image.height, sizes[index]) << "image " << index;
    }
}

TEST(DecodeImage, TextMaskHas4946LitCells) {
    const DecodedImage image = DecodeImage(6, ShowScale, 0.0f, 1.0f);
    ASSERT_EQ(image.result, DecodeOk);
    int lit = 0;
    for (int i = 0; i < image.width * image.height; ++i) {
        lit += image.pixels[i * 4] != 0;
        ASSERT_EQ(image.pixels[i * 4 + 3], 255) << "pixel " << i;
    }
    EXPECT_EQ(lit, 4946);
}

TEST(DecodeImage, DataWithoutSignatureGivesFiveAndNoPixels) {
    Bytes png = readFixture("rgba.png");
    png[1] = 'Q';
    DecodedImage image = decode(png);
    EXPECT_EQ(image.result, DecodeBadSignature);
    EXPECT_EQ(image.pixels, nullptr);

    // Shorter than a signature: nothing is read past the end.
    EXPECT_EQ(decode(Bytes{0x89, 'P', 'N', 'G'}).result, DecodeBadSignature);
    // The empty entry of the table and indexes outside it hold no PNG.
    for (int index : {5, -1, ImageCount}) {
        image = DecodeImage(index, ShowScale, 0.0f, 1.0f);
        EXPECT_EQ(image.result, DecodeBadSignature) << "index " << index;
        EXPECT_EQ(image.pixels, nullptr) << "index " << index;
    }
}

TEST(DecodeImage, DamagedImagesAreRefusedWithoutCrashing) {
    const Bytes png = readFixture("rgba.png");
    for (std::size_t length = 8; length < png.size(); ++length) {
        expectRefused(Bytes(png.begin(), png.begin() + length), "cut to " + std::to_string(length));
    }

    Bytes badData = png;
    badData[chunkData(png, "IDAT") + 5] ^= 0x40;
    expectRefused(badData, "IDAT byte flipped");
    Bytes badHeaderCrc = png;
    badHeaderCrc[chunkData(png, "IHDR") + 13] ^= 0x01;
    expectRefused(badHeaderCrc, "IHDR CRC flipped");

    std::mt19937 random(99);
    for (int round = 0; round < 20; ++round) {
        Bytes garbage(png.begin(), png.begin() + 8);
        for (int i = 0; i < 64 + round * 50; ++i) {
            garbage.push_back(static_cast<std::uint8_t>(random()));
        }
        expectRefused(garbage, "garbage round " + std::to_string(round));
    }
}

TEST(DecodeImage, OversizedChunksAreRefusedBeforeTheyAreRead) {
    const Bytes png = readFixture("rgba.png");
    const Bytes pillow = readFixture("rgba.rgba");

    // A small text chunk is skipped over and the picture is unchanged.
    const DecodedImage small = decode(withChunk(png, "tEXt", 1000));
    ASSERT_EQ(small.result, DecodeOk);
    EXPECT_EQ(Bytes(small.pixels.get(), small.pixels.get() + pillow.size()), pillow);

    // Eight megabytes and more of ancillary data is refused, not allocated.
    expectRefused(withChunk(png, "tEXt", 9000000), "9 MB text chunk");

    // 42 bytes that announce a 704 MB palette-suggestion chunk.
    Bytes announced(png.begin(), png.begin() + chunkData(png, "IHDR") + 13 + 4);
    const Bytes header = {0x2a, 0x00, 0x00, 0x00, 's', 'P', 'L', 'T', 0x82};
    announced.insert(announced.end(), header.begin(), header.end());
    expectRefused(announced, "announced 704 MB chunk");
}

TEST(DecodeImage, FormatsOutsideTheShowsAreRefused) {
    for (const char* name : {"grey8.png", "greyalpha.png", "grey16.png", "palette4.png"}) {
        const DecodedImage image = decode(readFixture(name));
        EXPECT_EQ(image.result, DecodeUnsupported) << name;
        EXPECT_EQ(image.pixels, nullptr) << name;
    }
    expectRefused(readFixture("wide.png"), "5000 pixels wide");
}

TEST(DecodeImage, ChecksumErrorsAreRefused) {
    struct Damage {
        const char* file;
        const char* chunk;
        bool adler; // false: flip a CRC bit; true: flip the zlib Adler-32 and mend the CRC
    };
    const Damage cases[] = {
        {"rgba.png", "IHDR", false},    {"rgba.png", "IDAT", false},    {"rgba.png", "IEND", false},
        {"palette.png", "PLTE", false}, {"palette.png", "IDAT", false}, {"rgba.png", "IDAT", true},
        {"palette.png", "IDAT", true},
    };
    for (const Damage& d : cases) {
        Bytes png = readFixture(d.file);
        const std::size_t data = chunkData(png, d.chunk);
        const std::size_t end = data + chunkLength(png, data);
        if (d.adler) {
            png[end - 1] ^= 0x01; // the last byte of the stream: Adler-32's low byte
            fixCrc(png, data);
        } else {
            png[end + 3] ^= 0x01;
        }
        const std::string what =
            std::string(d.file) + " " + d.chunk + (d.adler ? " Adler-32" : " CRC");
        const DecodedImage image = decode(png);
        EXPECT_EQ(image.result, DecodeCorrupt) << what;
        EXPECT_EQ(image.pixels, nullptr) << what;
    }
}

TEST(DecodeImage, EachPngLayoutIsDecodedOrRefusedAsUnsupported) {
    struct Layout {
        const char* seed;
        int result;
        int width = 0, height = 0; // of decoded images
    };
    const Layout layouts[] = {
        {"rgb8", DecodeOk, 6, 4},
        {"rgba8", DecodeOk, 6, 4},
        {"palette8", DecodeOk, 7, 5},
        {"rgb8-trns", DecodeOk, 6, 4},
        {"palette8-trns", DecodeOk, 7, 5},
        {"palette8-ancillary", DecodeOk, 4, 4},
        {"rgba8-split-idat", DecodeOk, 16, 16},
        {"rgb8-9x9-interlaced", DecodeOk, 9, 9},
        {"rgba8-9x9-interlaced", DecodeOk, 9, 9},
        {"palette8-9x9-interlaced", DecodeOk, 9, 9},
        {"palette1", DecodeUnsupported},
        {"palette2", DecodeUnsupported},
        {"palette4", DecodeUnsupported},
        {"palette4-interlaced", DecodeUnsupported},
        {"grey1", DecodeUnsupported},
        {"grey2", DecodeUnsupported},
        {"grey4", DecodeUnsupported},
        {"grey8", DecodeUnsupported},
        {"grey16", DecodeUnsupported},
        {"grey8-trns", DecodeUnsupported},
        {"grey16-trns-interlaced", DecodeUnsupported},
        {"greyalpha8", DecodeUnsupported},
        {"greyalpha16", DecodeUnsupported},
        {"greyalpha8-interlaced", DecodeUnsupported},
        {"rgb16", DecodeUnsupported},
        {"rgb16-trns", DecodeUnsupported},
        {"rgba16", DecodeUnsupported},
    };
    for (const Layout& layout : layouts) {
        const DecodedImage image = decode(readSeed(layout.seed), ShowScale);
        EXPECT_EQ(image.result, layout.result) << layout.seed;
        if (layout.result != DecodeOk) {
            EXPECT_EQ(image.pixels, nullptr) << layout.seed;
            continue;
        }
        ASSERT_NE(image.pixels, nullptr) << layout.seed;
        EXPECT_EQ(image.width, layout.width) << layout.seed;
        EXPECT_EQ(image.height, layout.height) << layout.seed;
        // Only RGBA images carry alpha; a transparency chunk does not.
        const bool rgba = std::string(layout.seed).rfind("rgba", 0) == 0;
        for (int i = 0; i < image.width * image.height && !rgba; ++i) {
            ASSERT_EQ(image.pixels[i * 4 + 3], 255) << layout.seed << " pixel " << i;
        }
    }
}

TEST(DecodeImage, InterlacedImagesMatchTheirPlainTwins) {
    for (const std::string name : {"rgb8-9x9", "rgba8-9x9", "palette8-9x9"}) {
        const DecodedImage plain = decode(readSeed(name), ShowScale);
        const DecodedImage interlaced = decode(readSeed(name + "-interlaced"), ShowScale);
        ASSERT_EQ(plain.result, DecodeOk) << name;
        ASSERT_EQ(interlaced.result, DecodeOk) << name;
        ASSERT_EQ(interlaced.width * interlaced.height, 81) << name;
        EXPECT_EQ(Bytes(interlaced.pixels.get(), interlaced.pixels.get() + 81 * 4),
                  Bytes(plain.pixels.get(), plain.pixels.get() + 81 * 4))
            << name;
    }
}
