#include "TestKit.h"

#include <cstdarg>
#include <cstring>

#include "hostkit/HostKit.h"

namespace testkit {

std::vector<Case>& cases() {
    static std::vector<Case> all;
    return all;
}

int failuresInCase = 0;

namespace {
long checks = 0;
}  // namespace

void registerCase(const char* name, void (*fn)()) {
    cases().push_back({name, fn});
}

std::string narrow(const std::wstring& s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string r(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), r.data(), n, nullptr, nullptr);
    return r;
}

std::string show(const VARIANT& v) {
    VARIANT copy;
    VariantInit(&copy);
    char head[32];
    std::snprintf(head, sizeof head, "vt=%d", V_VT(&v));
    if (FAILED(VariantChangeTypeEx(&copy, const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, VARIANT_ALPHABOOL, VT_BSTR)))
        return head;
    std::string r = std::string(head) + " \"" + narrow(std::wstring(V_BSTR(&copy), SysStringLen(V_BSTR(&copy)))) + "\"";
    VariantClear(&copy);
    return r;
}

bool check(bool ok, const char* expr, const char* file, int line) {
    ++checks;
    if (!ok) fail(file, line, "check failed: %s", expr);
    return ok;
}

void fail(const char* file, int line, const char* fmt, ...) {
    ++failuresInCase;
    const char* base = std::strrchr(file, '/');
    std::printf("  %s:%d: ", base ? base + 1 : file, line);
    va_list args;
    va_start(args, fmt);
    std::vprintf(fmt, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}

long libraryObjects() {
    HMODULE lib = GetModuleHandleW(L"OrviClassEvents.dll");
    if (!lib) return 0;
    auto count = reinterpret_cast<LONG(WINAPI*)()>(GetProcAddress(lib, "OrviLiveObjectCount"));
    return count ? count() : 0;
}

}  // namespace testkit

