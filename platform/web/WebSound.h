// Beyond Win32, in the web page only: where the song playing through
// PlaySoundA is heard, and getting the sound ready before it is asked for.
#pragma once

// Makes the audio context of the rate and loads the worklet into it, so that
// a PlaySoundA at that rate starts on the spot. The context stays suspended
// until PlaySoundA, which the page calls from a gesture.
void PrepareWebSound(int sampleRate);

// The song position, in seconds, that the viewer hears at the page's time
// `at` (performance.now() milliseconds): the context's output timestamp
// mapped through the worklet's frame count. Negative while the sound has been
// started but has not reached the ears yet; NaN when no sound plays or the
// browser cannot tell (no device, audio blocked, nothing handed over).
double HeardSongSeconds(double at);
