// The show's schedule: the scenes' shared resources and one track per scene.
#include "common/DemoState.h"
#include "scenes/SceneClosing.h"
#include "scenes/SceneGatheringBlobs.h"
#include "scenes/SceneRisingBlobs.h"
#include "scenes/SpriteLayers.h"
#include "timeline/Timeline.h"

void BuildTimeline() {
    // The sprite layers are set up first, then each scene gets its track.
    InitSpriteLayers();
    ShowScenes scenes;
    scenes.risingBlobs = RisingBlobsScene;
    scenes.gatheringBlobs = GatheringBlobsScene;
    scenes.gatheringPicture = ClosingScene;
    EnterScenes(demo.timeline, scenes);
}
