// Timing for the benchmarks: the best of five rounds, in nanoseconds per call.
#pragma once
#include <windows.h>

#include <algorithm>
#include <utility>

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

// Two operations measured in alternating rounds, so that whatever else the machine does weighs on
// both alike: the best round of each, in nanoseconds per call.
template <class F, class G>
std::pair<double, double> nsPerCallSideBySide(F&& f, G&& g, int perRound = 200000, int rounds = 9) {
    for (int i = 0; i < perRound / 10; ++i) f(), g();
    double bestF = 1e18, bestG = 1e18;
    for (int round = 0; round < rounds; ++round) {
        double t0 = now();
        for (int i = 0; i < perRound; ++i) f();
        double t1 = now();
        for (int i = 0; i < perRound; ++i) g();
        double t2 = now();
        bestF = std::min(bestF, (t1 - t0) * 1e9 / perRound);
        bestG = std::min(bestG, (t2 - t1) * 1e9 / perRound);
    }
    return {bestF, bestG};
}

}  // namespace bench
