// PlaySoundA of the Win32 subset.
#include "platform/Win32.h"

BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE, DWORD flags) {
    // Only asynchronous playback of an in-memory image is part of the subset.
    if (sound == nullptr || (flags & (SND_MEMORY | SND_ASYNC)) != (SND_MEMORY | SND_ASYNC)) {
        return FALSE;
    }
    return TRUE;
}
