#include "app/SineTable.h"

#include "common/DemoState.h"

#include <cmath>
#include <limits>

namespace {

// Far above the error of a double sine, and of an extended one, at any
// entry; far below the gap between two floats.
constexpr double RoundingMargin = 0x1p-40;

// The extended-precision sine rounded to float, mostly without computing it:
// a double sine that lies well inside the rounding interval of its float
// rounds as the extended one does, and costs a twentieth of it. Only near an
// interval's edge does the extended sine decide. The product is exact in
// both precisions: a 16-bit index times a 24-bit step.
float RoundedSine(int i, float step) {
    const double fast = std::sin(static_cast<double>(i) * static_cast<double>(step));
    const float rounded = static_cast<float>(fast);
    const float infinity = std::numeric_limits<float>::infinity();
    const double below = 0.5 * (static_cast<double>(rounded) +
                                static_cast<double>(std::nextafter(rounded, -infinity)));
    const double above = 0.5 * (static_cast<double>(rounded) +
                                static_cast<double>(std::nextafter(rounded, infinity)));
    const double margin = std::abs(fast) * RoundingMargin;
    if (fast == 0.0 || (fast - below > margin && above - fast > margin)) {
        return rounded;
    }
    const long double angle = static_cast<long double>(i) * static_cast<long double>(step);
    return static_cast<float>(std::sin(angle));
}

} // namespace

void FillSineTable() {
    const float step = static_cast<float>(2.0 * 3.14159265358979323846 / SineTableSize);
    for (int i = SineTableSize - 1; i >= 0; --i) {
        demo.sineTable[i] = RoundedSine(i, step);
    }
}
