#pragma once

// Frees the snow sprites and the text-target arrays. Called exactly once, at
// the end of the loop or from the window's close path, right before the
// process ends; everything else goes with the process.
void Shutdown();
