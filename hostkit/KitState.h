// The state a kit keeps for the whole process (its recorded calls, its settings): one `State`,
// made on first use and never destroyed (objects of the kit may still use it while the process
// ends), read and changed only through a LockedState, which holds the state's `lock` (a
// CRITICAL_SECTION that State's constructor initialises).
#pragma once
#include <windows.h>

namespace hostkit {

template <class State>
class LockedState {
public:
    LockedState() : state_(instance()) { EnterCriticalSection(&state_.lock); }
    ~LockedState() { LeaveCriticalSection(&state_.lock); }
    LockedState(const LockedState&) = delete;
    LockedState& operator=(const LockedState&) = delete;
    State* operator->() const noexcept { return &state_; }

private:
    static State& instance() {
        static State* state = new State();
        return *state;
    }
    State& state_;
};

}  // namespace hostkit
