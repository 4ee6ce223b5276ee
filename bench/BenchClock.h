// Timing for the benchmarks: the best of five rounds, in nanoseconds per call.
#pragma once
#include <windows.h>

namespace bench {

inline double now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
}

template <class F>
double nsPerCall(F&& f, int perRound = 200000) {
    for (int i = 0; i < perRound / 10; ++i) f();
    double best = 1e18;
    for (int round = 0; round < 5; ++round) {
        double t0 = now();
        for (int i = 0; i < perRound; ++i) f();
        double ns = (now() - t0) * 1e9 / perRound;
        if (ns < best) best = ns;
    }
    return best;
}

}  // namespace bench
