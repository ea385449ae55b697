#include "textures/ImageTable.h"

// Byte arrays and lengths generated from assets/ at build time.
extern const unsigned char lumimattoPng[];
extern const int lumimattoPngLength;
extern const unsigned char taustakuvaPng[];
extern const int taustakuvaPngLength;
extern const unsigned char flake8Png[];
extern const int flake8PngLength;
extern const unsigned char flake5Png[];
extern const int flake5PngLength;
extern const unsigned char flake9bPng[];
extern const int flake9bPngLength;
extern const unsigned char tekstsHiutalemap3Png[];
extern const int tekstsHiutalemap3PngLength;

const ImageEntry ImageTable[ImageCount] = {
    {lumimattoPng, lumimattoPngLength},
    {taustakuvaPng, taustakuvaPngLength},
    {flake8Png, flake8PngLength},
    {flake5Png, flake5PngLength},
    {flake9bPng, flake9bPngLength},
    {nullptr, 0},
    {tekstsHiutalemap3Png, tekstsHiutalemap3PngLength},
};
