#include "app/Shutdown.h"

#include "common/DemoState.h"

void Shutdown() {
    delete[] demo.textTargets;
    demo.textTargets = nullptr;
    delete[] demo.textSizes;
    demo.textSizes = nullptr;
}
