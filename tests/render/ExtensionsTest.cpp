// A GL that lacks what the show needs is named to the user, and the show
// ends with a failure code instead of crashing later.
#include "render/Extensions.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "tests/support/GlWindow.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

namespace {

ProcessResult probe(const std::string& hidden) {
    ProcessOptions options;
    options.environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};
    options.timeoutSeconds = 60.0;
    return RunProcess({EXTENSIONS_PROBE, hidden}, options);
}

TEST(Extensions, ACompleteGlLoadsEverything) {
    const ProcessResult run = probe("");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("loaded"), std::string::npos);
}

TEST(Extensions, AMissingPieceIsNamedInAnErrorBoxAndTheExitCodeIsNonZero) {
    for (const char* missing : {"glProgramStringARB", "glActiveTextureARB",
                                "GL_ARB_fragment_program", "GL_ARB_multitexture"}) {
        const ProcessResult run = probe(missing);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.signal, 0) << missing;
        EXPECT_GT(run.exitCode, 0) << missing;
        EXPECT_EQ(run.output.find("loaded"), std::string::npos) << missing;
        EXPECT_NE(run.output.find("Error: "), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(missing), std::string::npos) << run.output;
    }
}

TEST(Extensions, AProgramTheGlRefusesIsReportedWithItsPosition) {
    OpenShowWindow();
    std::string error;
    const unsigned int broken = CompileProgram(
        GL_FRAGMENT_PROGRAM_ARB, "!!ARBfp1.0\nMOV result.color, nowhere;\nEND\n", error);
    EXPECT_EQ(broken, 0u);
    EXPECT_NE(error.find("at character"), std::string::npos) << error;
    error.clear();
    EXPECT_NE(CompileProgram(GL_VERTEX_PROGRAM_ARB, BumpVertexProgramText, error), 0u);
    EXPECT_TRUE(error.empty()) << error;
}

} // namespace
