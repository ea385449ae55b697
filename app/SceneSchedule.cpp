#include "app/SceneSchedule.h"

#include "common/DemoState.h"
#include "scenes/SceneGatheringBlobs.h"
#include "scenes/SceneGatheringPicture.h"
#include "scenes/SceneRisingBlobs.h"
#include "scenes/SpriteLayers.h"
#include "timeline/Timeline.h"

void BuildTimeline() {
    // The sprites take their flake textures from the table, so the layers
    // come after the textures and before the first frame.
    InitSpriteLayers();
    ShowScenes scenes;
    scenes.risingBlobs = RisingBlobsScene;
    scenes.gatheringBlobs = GatheringBlobsScene;
    scenes.gatheringPicture = GatheringPictureScene;
    EnterScenes(demo.timeline, scenes);
}

void RestartScenes() {
    RebuildSpriteLayers();
    demo.slideX = SlideStart;
    demo.slideY = SlideStart;
}
