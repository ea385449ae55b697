#include "common/DemoState.h"

DemoState demo;
