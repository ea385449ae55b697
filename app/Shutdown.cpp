#include "app/Shutdown.h"

#include "scenes/SpriteLayers.h"

void Shutdown() { FreeSpriteLayers(); }
