// The show's schedule: the scenes' shared resources and one track per scene.
#include "common/DemoState.h"
#include "timeline/Timeline.h"

void BuildTimeline() {
    // The sprite layers are set up first; each scene joins the schedule here
    // once it exists, and a scene left null gets no track.
    ShowScenes scenes;
    EnterScenes(demo.timeline, scenes);
}
