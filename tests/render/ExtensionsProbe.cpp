// Starts the show's window and loads the extensions with one piece hidden:
// argv[1] names an entry point or an extension that this GL "lacks", or a
// program ("vertex" or "fragment") whose text is broken.
#include "app/Window.h"
#include "common/DemoState.h"
#include "platform/GL.h"
#include "render/Extensions.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string hidden;

PROC WINAPI lookupHiding(LPCSTR name) {
    return hidden == name ? nullptr : wglGetProcAddress(name);
}

} // namespace

int main(int argc, char** argv) {
    hidden = argc > 1 ? argv[1] : "";
    demo.instance = GetModuleHandleA(nullptr);
    demo.fullscreen = 0;
    if (!RegisterWindowClass() || CreateShowWindow("probe", 800, 600).handle == nullptr) {
        return 3;
    }
    std::string extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::size_t at = hidden.empty() ? std::string::npos : extensions.find(hidden + " ");
    if (at != std::string::npos) {
        extensions.erase(at, hidden.size());
    }
    InitExtensions(lookupHiding, extensions.c_str());
    std::printf("loaded\n");
    return 0;
}
