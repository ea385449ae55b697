// The show's scenes wired into the timeline: their shared resources and the
// schedule of the three.
#pragma once

// Once at start-up, after the textures: sets up the sprite layers, then
// enters the three scenes into demo.timeline in play order.
void BuildTimeline();

// Before each pass of the show after the first: the sprite layers made again
// and the closing scene's slides back at their start, so that the pass looks
// as the first did.
void RestartScenes();
