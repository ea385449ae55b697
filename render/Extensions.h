// GL extension entry points and the bump-lighting ARB program pair.
//
// InitExtensions runs once, right after the GL context exists: it checks the
// three ARB extensions, fetches the six entry points into demo and compiles
// BumpVertexProgram and BumpFragmentProgram. Anything missing is reported in an
// "Error" message box and ends the process with a non-zero exit code.
#pragma once

#include "platform/Win32.h"

#include <string>
#include <string_view>

// Looks up a GL entry point by name; wglGetProcAddress in the show.
using ProcLookup = PROC(WINAPI*)(LPCSTR name);

// Whether the space-separated GL extension string `extensions` (may be null)
// names `name` as a whole word.
bool HasExtension(const char* extensions, std::string_view name);

// The program texts, as loaded (without a terminator).
extern const char BumpVertexProgramText[];
extern const char BumpFragmentProgramText[];

// Checks `extensions` (the space-separated GL extension string, may be null)
// for the three ARB extensions and fetches the six entry points through
// `lookup`, in their fixed order, into demo. Returns a description of what is
// missing, one item per line; empty when everything is there.
std::string LoadExtensions(ProcLookup lookup, const char* extensions);

// Fetches the framebuffer-object entry points into demo when `extensions`
// offers GL_ARB_framebuffer_object (plain names) or, failing that,
// GL_EXT_framebuffer_object (names ending in EXT). Returns whether all of them
// are there; when not, demo keeps none.
bool LoadFramebufferObjects(ProcLookup lookup, const char* extensions);

// Generates, binds and loads one program for `target` from `text`. Returns the
// program name, or 0 with `error` set when the GL refuses the text.
unsigned int CompileProgram(unsigned int target, const char* text, std::string& error);

// The show's start-up step: the lookup is wglGetProcAddress and the
// extension string that of the current context.
void InitExtensions();

// InitExtensions with its sources given, so that a missing piece can be
// shown to take the failure path.
void InitExtensions(ProcLookup lookup, const char* extensions);
