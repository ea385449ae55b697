// The show's schedule: the scenes' shared resources and one track per scene.
#include "common/DemoState.h"
#include "scenes/SceneClosing.h"
#include "scenes/SpriteLayers.h"
#include "timeline/Timeline.h"

void BuildTimeline() {
    // The sprite layers are set up first; each scene joins the schedule here
    // once it exists, and a scene left null gets no track.
    InitSpriteLayers();
    ShowScenes scenes;
    scenes.gatheringPicture = ClosingScene;
    EnterScenes(demo.timeline, scenes);
}
