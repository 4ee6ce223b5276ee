// A small test runner: TEST_CASE registers a case, CHECK and friends record failures with the
// caller's line, and every case ends by checking that no object of the library or of the host
// kit is left alive. The last line of a run is "N passed, N failed".
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace testkit {

struct Abort {};

struct Case {
    const char* name;
    void (*fn)();
};
std::vector<Case>& cases();
extern int failuresInCase;  // failures recorded in the running case

void registerCase(const char* name, void (*fn)());
bool check(bool ok, const char* expr, const char* file, int line);
void fail(const char* file, int line, const char* fmt, ...);
std::string narrow(const std::wstring& s);
std::string show(const VARIANT& v);

template <class A, class B>
bool checkEq(const A& a, const B& b, const char* ea, const char* eb, const char* file, int line);

struct Registrar {
    Registrar(const char* name, void (*fn)()) { registerCase(name, fn); }
};

// Objects of the library alive now (0 when the library is not loaded).
long libraryObjects();

}  // namespace testkit

#define TEST_CASE(name)                                                  \
    static void name();                                                  \
    static ::testkit::Registrar name##_registrar(#name, name);           \
    static void name()

#define CHECK(cond) ::testkit::check(bool(cond), #cond, __FILE__, __LINE__)
#define REQUIRE(cond)                                                    \
    do {                                                                 \
        if (!::testkit::check(bool(cond), #cond, __FILE__, __LINE__))    \
            throw ::testkit::Abort{};                                    \
    } while (0)
#define CHECK_EQ(a, b) ::testkit::checkEq((a), (b), #a, #b, __FILE__, __LINE__)
#define CHECK_HR(expr, expected)                                                                     \
    do {                                                                                             \
        HRESULT hr_ = (expr);                                                                        \
        if (hr_ != HRESULT(expected))                                                                \
            ::testkit::fail(__FILE__, __LINE__, "%s returned 0x%08lx, expected 0x%08lx", #expr,      \
                            (unsigned long)hr_, (unsigned long)HRESULT(expected));                   \
    } while (0)

// ----------------------------------------------------------------------------------------------
namespace testkit {

inline std::string toText(long v) { return std::to_string(v); }
inline std::string toText(int v) { return std::to_string(v); }
inline std::string toText(short v) { return std::to_string(v); }
inline std::string toText(unsigned long v) { return std::to_string(v); }
inline std::string toText(unsigned v) { return std::to_string(v); }
inline std::string toText(unsigned long long v) { return std::to_string(v); }
inline std::string toText(double v) { return std::to_string(v); }
inline std::string toText(bool v) { return v ? "true" : "false"; }
inline std::string toText(const std::wstring& v) { return "\"" + narrow(v) + "\""; }
inline std::string toText(const wchar_t* v) { return v ? "\"" + narrow(v) + "\"" : "null"; }
inline std::string toText(const std::string& v) { return "\"" + v + "\""; }
inline std::string toText(const void* v) {
    char b[32];
    std::snprintf(b, sizeof b, "%p", v);
    return b;
}

inline bool equalValues(const std::wstring& a, const wchar_t* b) { return b && a == b; }
inline bool equalValues(const wchar_t* a, const std::wstring& b) { return a && b == a; }
template <class A, class B>
bool equalValues(const A& a, const B& b) {
    return a == b;
}

template <class A, class B>
bool checkEq(const A& a, const B& b, const char* ea, const char* eb, const char* file, int line) {
    if (equalValues(a, b)) return check(true, ea, file, line);
    fail(file, line, "%s == %s: got %s, expected %s", ea, eb, toText(a).c_str(), toText(b).c_str());
    return false;
}

}  // namespace testkit
