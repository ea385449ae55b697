// What happens in one frame of the show, in order: the frame's buffer, the
// render state, the due scenes through the timeline, the glow, and the
// finished picture on the output.
#pragma once

// One frame into the back buffer (demo.width x demo.height), at demo.time.
void RenderFrame();
