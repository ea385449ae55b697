// Binds the show's bump-lighting program pair with one material's constants,
// as the surface drawing does, for tests that draw through it.
#pragma once

#include "common/DemoState.h"
#include "platform/GL.h"

inline void BindBumpPrograms(const float light[4], const float specular[4], const float shine[4],
                             const float bump[4]) {
    glEnable(GL_VERTEX_PROGRAM_ARB);
    glEnable(GL_FRAGMENT_PROGRAM_ARB);
    demo.glBindProgramARB(GL_VERTEX_PROGRAM_ARB, demo.BumpVertexProgram);
    demo.glBindProgramARB(GL_FRAGMENT_PROGRAM_ARB, demo.BumpFragmentProgram);
    demo.glProgramEnvParameter4fvARB(GL_VERTEX_PROGRAM_ARB, 0, light);
    demo.glProgramEnvParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, 1, specular);
    demo.glProgramEnvParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, 2, shine);
    demo.glProgramEnvParameter4fvARB(GL_FRAGMENT_PROGRAM_ARB, 3, bump);
}
