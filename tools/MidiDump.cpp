// midi_dump: prints what the MIDI reader reports, one note message a line as
// "on|off channel key velocity seconds". Without an argument it reads the
// embedded song; with a path it reads that file.
#include "midi/MidiReader.h"
#include "midi/SongImage.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    std::vector<unsigned char> file;
    const unsigned char* image = SongImage;
    int length = SongImageLength;
    if (argc > 1) {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot open %s\n", argv[1]);
            return 1;
        }
        file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        image = file.data();
        length = static_cast<int>(file.size());
    }
    auto print = [](const NoteReport& r) {
        std::printf("%s %d %d %d %.9g\n", r.kind == NoteKind::NoteOn ? "on" : "off", r.channel,
                    r.key, r.velocity, static_cast<double>(r.time));
    };
    readSong(image, length, print);
    return 0;
}
