#include "app/ShowFrame.h"

#include "common/DemoState.h"
#include "render/Frame.h"
#include "timeline/Timeline.h"

void RenderFrame() {
    BeginFrame();
    // The frame resets the render state for itself and sets the glow's level,
    // which a scene may change; the scenes then start from the reset state
    // again. Back to back the two resets set the same state: the second one
    // is the scenes' own guarantee, whatever the frame does before them.
    ResetRenderState();
    demo.glowGain = FrameGlowGain;
    ResetRenderState();
    RunTimeline(demo.time, demo.frameDelta);
    FinishFrame();
}
