// The pieces the two blob scenes share: the bump-lit surface's programs and
// texture pair, the swirl of the snow about the view axis, and the swaying
// background planes.
#pragma once

// Binds colour/height texture `colourSlot` on unit 1 and bump texture
// `bumpSlot` on unit 0, both repeating with linear filters; unit 0 stays active.
void BindBlobTextures(int colourSlot, int bumpSlot);

// Enables both program targets and binds the bump-lighting pair.
void EnableBumpPrograms();

// Disables both program targets.
void DisableBumpPrograms();

// The swirl of a flake at distance d from the view axis through the origin:
// a quarter turn times twirl on the axis, falling off as 1 / (d + 1)^2.
float SwirlAngle(float d, float twirl);

// Binds the background image, repeating with linear filters.
void BindBackgroundTexture();

// One background plane: the unit square (-1, -1)..(1, 1) in z = 0, textured
// once over its face.
void DrawBackgroundPlane();
