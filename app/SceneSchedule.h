// The show's scenes wired into the timeline: their shared resources and the
// schedule of the three.
#pragma once

// Once at start-up, after the textures: sets up the sprite layers, then
// enters the three scenes into demo.timeline in play order.
void BuildTimeline();
