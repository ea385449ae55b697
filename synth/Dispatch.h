// From a kind known only while playing to code compiled for that kind: the
// per-sample loops are templates on the wave or filter type, so each inlines
// its own arithmetic instead of switching on every sample.
#pragma once

#include <type_traits>

// Calls f with std::integral_constant<Kind, k> for the first k of Kinds equal
// to kind. The last of Kinds also stands for every value not listed.
template <typename Kind, Kind First, Kind... Rest, typename F> void dispatch(Kind kind, F&& f) {
    if constexpr (sizeof...(Rest) == 0) {
        f(std::integral_constant<Kind, First>{});
    } else if (kind == First) {
        f(std::integral_constant<Kind, First>{});
    } else {
        dispatch<Kind, Rest...>(kind, f);
    }
}
