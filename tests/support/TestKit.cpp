#include "TestKit.h"

#include <cstdarg>

#include "hostkit/HostKit.h"
#include "hostkit/WideText.h"

namespace testkit {

std::string narrow(const std::wstring& s) {
    return hostkit::narrow(s);
}

std::string show(const VARIANT& v) {
    VARIANT copy;
    VariantInit(&copy);
    std::string head = format("vt=%d", V_VT(&v));
    if (FAILED(VariantChangeTypeEx(&copy, const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, VARIANT_ALPHABOOL, VT_BSTR)))
        return head;
    std::string r = head + " \"" + narrow(std::wstring(V_BSTR(&copy), SysStringLen(V_BSTR(&copy)))) + "\"";
    VariantClear(&copy);
    return r;
}

static std::string formatList(const char* fmt, va_list args) {
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, fmt, again);
    va_end(again);
    std::string r(size_t(n > 0 ? n : 0), '\0');
    if (n > 0) std::vsnprintf(r.data(), r.size() + 1, fmt, args);
    return r;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string r = formatList(fmt, args);
    va_end(args);
    return r;
}

void fail(const char* file, int line, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string message = formatList(fmt, args);
    va_end(args);
    DOCTEST_ADD_FAIL_CHECK_AT(file, line, message);
}

void stop(const char* file, int line, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string message = formatList(fmt, args);
    va_end(args);
    DOCTEST_ADD_FAIL_AT(file, line, message);
    throw doctest::detail::TestFailureException();  // not reached: the line above ends the case
}

bool record(bool ok, const char* file, int line, const char* expr, const std::string& detail) {
    doctest::detail::ResultBuilder result(doctest::assertType::DT_CHECK, file, line, expr);
    result.m_failed = !ok;
    if (!ok) result.m_decomp = detail.c_str();
    if (result.log()) DOCTEST_BREAK_INTO_DEBUGGER();
    result.react();
    return ok;
}

HMODULE libraryModule() {
    return GetModuleHandleW(L"OrviClassEvents.dll");
}

HRESULT libraryCanUnloadNow() {
    HMODULE lib = libraryModule();
    auto entry = lib ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(lib, "DllCanUnloadNow")) : nullptr;
    return entry ? entry() : E_FAIL;
}

long libraryObjects() {
    HMODULE lib = libraryModule();
    if (!lib) return 0;
    auto count = reinterpret_cast<LONG(WINAPI*)()>(GetProcAddress(lib, "OrviLiveObjectCount"));
    return count ? count() : 0;
}

NothingLeftAlive::~NothingLeftAlive() {
    long lib = libraryObjects();
    long kit = hostkit::liveObjects();
    if (lib != 0) fail(__FILE__, __LINE__, "%ld object(s) of the library still alive", lib);
    if (kit != 0) fail(__FILE__, __LINE__, "%ld object(s) of the host kit still alive", kit);
}

}  // namespace testkit
