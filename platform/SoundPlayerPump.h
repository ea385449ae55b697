// The sound player's hooks in the layer's event pump (Win32Shim.cpp), which
// runs on the thread that calls PlaySoundA: a lost audio device is replaced
// there. Implemented with the player, in SoundPlayer.cpp.
#pragma once

#include <SDL.h>

// SDL reported an output device removed (SDL_AUDIODEVICEREMOVED).
void NoteSoundDeviceRemoved(SDL_AudioDeviceID removed);

// Once per pump, after the events: replaces the player's device when it was
// removed or SDL reports it stopped, and retries a failed replacement once a
// second. Does nothing while no sound plays.
void TendSoundDevice();
