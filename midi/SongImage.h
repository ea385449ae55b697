// SongImage: the embedded song, a Standard MIDI File compiled into the program
// from assets/song.mid, with its length in bytes.
#pragma once

extern const unsigned char SongImage[];
extern const int SongImageLength;
