#include "app/SineTable.h"

#include "common/DemoState.h"

#include <cmath>

void FillSineTable() {
    const float step = static_cast<float>(2.0 * 3.14159265358979323846 / SineTableSize);
    for (int i = SineTableSize - 1; i >= 0; --i) {
        const long double angle = static_cast<long double>(i) * static_cast<long double>(step);
        demo.sineTable[i] = static_cast<float>(std::sin(angle));
    }
}
