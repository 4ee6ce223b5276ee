#include "Module.h"

namespace orvi::com {

HMODULE Module::handle() noexcept {
    static HMODULE module = [] {
        HMODULE h = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&Module::handle), &h);
        return h;
    }();
    return module;
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
