// Per-module bookkeeping shared by every COM class built on this layer: live object count,
// server locks, and the module handle (the DLL or executable that contains this code).
#pragma once
#include <windows.h>

namespace orvi::com {

class Module {
public:
    static void objectCreated() noexcept { InterlockedIncrement(&objects_); }
    static void objectDestroyed() noexcept { InterlockedDecrement(&objects_); }
    static LONG objectCount() noexcept { return objects_; }

    static void lock(bool on) noexcept { on ? InterlockedIncrement(&locks_) : InterlockedDecrement(&locks_); }
    static LONG lockCount() noexcept { return locks_; }

    static bool canUnload() noexcept { return objects_ == 0 && locks_ == 0; }

    // The module that holds this code; resolved from a code address, so it works the same in a
    // DLL and when the layer is linked into an executable.
    static HMODULE handle() noexcept;
    // Full path of that module.
    static const wchar_t* path() noexcept;

private:
    static inline volatile LONG objects_ = 0;
    static inline volatile LONG locks_ = 0;
};

}  // namespace orvi::com
