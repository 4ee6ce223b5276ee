#include "Module.h"

namespace orvi::com {

namespace {

// A TLS slot holding the calling thread's object count as a pointer-sized integer. A plain slot
// has no thread-exit callback: a thread that ends after the module is gone calls nothing here.
DWORD allocatedSlot = TLS_OUT_OF_INDEXES;

BOOL CALLBACK allocateSlot(PINIT_ONCE, PVOID, PVOID*) {
    allocatedSlot = TlsAlloc();
    return TRUE;
}

DWORD countSlot() noexcept {
    static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
    InitOnceExecuteOnce(&once, allocateSlot, nullptr, nullptr);
    return allocatedSlot;
}

intptr_t threadCount(DWORD slot) noexcept {
    return slot == TLS_OUT_OF_INDEXES ? 0 : reinterpret_cast<intptr_t>(TlsGetValue(slot));
}

}  // namespace

void Module::objectCreated() noexcept {
    InterlockedIncrement(&objects_);
    DWORD slot = countSlot();
    if (slot != TLS_OUT_OF_INDEXES) {
        DWORD error = GetLastError();  // TlsGetValue clears it; callers may be reporting one
        TlsSetValue(slot, reinterpret_cast<void*>(threadCount(slot) + 1));
        SetLastError(error);
    }
}

void Module::objectDestroyed() noexcept {
    InterlockedDecrement(&objects_);
    DWORD slot = countSlot();
    if (slot == TLS_OUT_OF_INDEXES) return;
    DWORD error = GetLastError();
    intptr_t n = threadCount(slot) - 1;
    TlsSetValue(slot, reinterpret_cast<void*>(n));
    SetLastError(error);
    // Objects released on another thread than their own make that thread's count negative; only
    // the thread that created them goes idle.
    if (n == 0)
        for (auto hook : idleHooks_)
            if (hook) hook();
}

LONG Module::threadObjectCount() noexcept {
    DWORD error = GetLastError();
    LONG n = LONG(threadCount(countSlot()));
    SetLastError(error);
    return n;
}

void Module::shutdown() noexcept {
    DWORD slot = countSlot();
    if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
}

HMODULE Module::handle() noexcept {
    static HMODULE module = [] {
        HMODULE h = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&Module::handle), &h);
        return h;
    }();
    return module;
}

bool Module::holdsConstant(const void* p) noexcept {
    // The read-only data sections, read once from the module's headers.
    struct Range {
        const BYTE* start;
        const BYTE* end;
    };
    struct Ranges {
        Range list[16];
        int count = 0;
    };
    static const Ranges ranges = [] {
        Ranges r;
        auto* base = reinterpret_cast<const BYTE*>(handle());
        if (!base) return r;
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections && r.count < 16; ++i, ++section) {
            const DWORD c = section->Characteristics;
            if ((c & IMAGE_SCN_MEM_READ) && !(c & IMAGE_SCN_MEM_WRITE) && !(c & IMAGE_SCN_MEM_EXECUTE)) {
                const BYTE* start = base + section->VirtualAddress;
                r.list[r.count++] = {start, start + section->Misc.VirtualSize};
            }
        }
        return r;
    }();
    auto at = reinterpret_cast<const BYTE*>(p);
    for (int i = 0; i < ranges.count; ++i)
        if (at >= ranges.list[i].start && at < ranges.list[i].end) return true;
    return false;
}

const wchar_t* Module::path() noexcept {
    static wchar_t buffer[MAX_PATH * 2] = {};
    static bool done = [] {
        DWORD n = GetModuleFileNameW(handle(), buffer, sizeof buffer / sizeof buffer[0]);
        if (n == 0 || n >= sizeof buffer / sizeof buffer[0]) buffer[0] = 0;
        return true;
    }();
    (void)done;
    return buffer;
}

}  // namespace orvi::com
