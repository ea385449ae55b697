// The two sprite layers of the show: the SnowLayer of the first two scenes and
// the TextLayer of the gathering picture, whose first sprites carry target
// positions read from the text map so that they can gather into a picture.
#pragma once

// Builds both layers of demo (snowLayer, textLayer) from seed 1234 and the
// text targets and sizes from demo.textMap. Runs once, before the first
// frame; the layers' positions and spins are then the scenes' to change.
void InitSpriteLayers();

// Both layers and the text targets made again as InitSpriteLayers made them,
// for a pass of the show after its first.
void RebuildSpriteLayers();

// Destroys and deletes the SnowLayer's sprites and frees the text targets and
// sizes. The TextLayer is left to the end of the process.
void FreeSpriteLayers();
