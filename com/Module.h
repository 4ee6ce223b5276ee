// Per-module bookkeeping shared by every COM class built on this layer: live object count (in
// all and per thread), server locks, and the module handle (the DLL or executable that contains
// this code).
//
// Per-thread state a module keeps for its apartment threads is released through the thread-idle
// hook: it runs on a thread when the last object of the module that the thread created goes, so
// the state goes while the thread's apartment is still alive, and nothing of it (no thread-exit
// callback) is left to call into the module once it can unload.
#pragma once
#include <windows.h>

namespace orvi::com {

class Module {
public:
    static void objectCreated() noexcept;
    static void objectDestroyed() noexcept;
    static LONG objectCount() noexcept { return objects_; }
    // Objects of this module alive that were created on the calling thread.
    static LONG threadObjectCount() noexcept;

    static void lock(bool on) noexcept { on ? InterlockedIncrement(&locks_) : InterlockedDecrement(&locks_); }
    static LONG lockCount() noexcept { return locks_; }

    static bool canUnload() noexcept { return objects_ == 0 && locks_ == 0; }

    // Adds a hook run on a thread whose last object has gone (up to kMaxIdleHooks per module;
    // set them up in DLL_PROCESS_ATTACH, before any object exists).
    static void onThreadIdle(void (*hook)() noexcept) noexcept {
        for (auto& h : idleHooks_)
            if (!h || h == hook) {
                h = hook;
                return;
            }
    }
    // Gives back the per-thread bookkeeping (the module's DLL_PROCESS_DETACH).
    static void shutdown() noexcept;

    // The module that holds this code; resolved from a code address, so it works the same in a
    // DLL and when the layer is linked into an executable.
    static HMODULE handle() noexcept;
    // Full path of that module.
    static const wchar_t* path() noexcept;
    // Whether `p` points into the module's read-only data (its string constants among them):
    // what is there stays as it is, at that address, while the module is loaded.
    static bool holdsConstant(const void* p) noexcept;

private:
    static inline volatile LONG objects_ = 0;
    static inline volatile LONG locks_ = 0;
    static constexpr int kMaxIdleHooks = 4;
    static inline void (*idleHooks_[kMaxIdleHooks])() noexcept = {};
};

}  // namespace orvi::com
