// The tests' framework is doctest. This header adds what every test here shares:
// - TEST_CASE(name) runs its body in a `NothingLeftAlive` fixture: when the body is over (also
//   when a REQUIRE stopped it), no object of the library or of the host kit may be alive;
// - CHECK_HR(expr, expected) compares HRESULTs and shows them in hexadecimal;
// - fail / stop: a failure with a printf-style message at a given file and line (for helpers
//   that report against their caller's line);
// - doctest's text for wide strings and VARIANTs.
// Checks return whether they held (DOCTEST_CONFIG_ASSERTS_RETURN_VALUES), so a test can add
// context to a failed one: `if (!CHECK(...)) MESSAGE(...)` or an INFO before it.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#ifndef DOCTEST_CONFIG_ASSERTS_RETURN_VALUES
#define DOCTEST_CONFIG_ASSERTS_RETURN_VALUES
#endif
#include <doctest.h>

namespace testkit {

std::string narrow(const std::wstring& s);
std::string show(const VARIANT& v);
// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
// A failure of the running case at file:line; `stop` also ends the case.
void fail(const char* file, int line, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));
[[noreturn]] void stop(const char* file, int line, const char* fmt, ...) __attribute__((format(gnu_printf, 3, 4)));

// A check of the running case at file:line (a helper's check reported at its caller's line):
// `ok` is the result, `expr` what was checked, `detail` what the report shows when it failed.
bool record(bool ok, const char* file, int line, const char* expr, const std::string& detail);

// What a failed REQUIRE or `stop` throws to end the case (caught only where a case runs code on
// a thread of its own).
using Stopped = doctest::detail::TestFailureException;

// The library's module in this process (null when it is not loaded), and what its
// DllCanUnloadNow answers (E_FAIL when it is not loaded).
HMODULE libraryModule();
HRESULT libraryCanUnloadNow();
// Objects of the library alive now (0 when the library is not loaded).
long libraryObjects();

// Every test case's fixture: its destructor runs after the body and fails the case while any
// object of the library or of the host kit is still alive.
struct NothingLeftAlive {
    NothingLeftAlive() = default;
    NothingLeftAlive(const NothingLeftAlive&) = delete;
    NothingLeftAlive& operator=(const NothingLeftAlive&) = delete;
    ~NothingLeftAlive();
};

// An HRESULT, shown in hexadecimal by a failed check.
struct Hr {
    HRESULT value;
    bool operator==(const Hr& other) const { return value == other.value; }
};

}  // namespace testkit

#undef TEST_CASE
#define TEST_CASE(name) DOCTEST_TEST_CASE_FIXTURE(::testkit::NothingLeftAlive, #name)

#define CHECK_HR(expr, expected)                                                                     \
    DOCTEST_CHECK_MESSAGE(::testkit::Hr{(expr)} == ::testkit::Hr{HRESULT(expected)}, #expr)

namespace doctest {
template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& s) { return ("\"" + testkit::narrow(s) + "\"").c_str(); }
};
template <>
struct StringMaker<wchar_t*> {
    static String convert(const wchar_t* s) { return s ? ("\"" + testkit::narrow(s) + "\"").c_str() : "null"; }
};
template <>
struct StringMaker<const wchar_t*> : StringMaker<wchar_t*> {};
template <size_t N>
struct StringMaker<wchar_t[N]> {
    static String convert(const wchar_t (&s)[N]) { return StringMaker<wchar_t*>::convert(s); }
};
template <size_t N>
struct StringMaker<const wchar_t[N]> : StringMaker<wchar_t[N]> {};
template <>
struct StringMaker<testkit::Hr> {
    static String convert(const testkit::Hr& hr) { return testkit::format("0x%08lx", (unsigned long)hr.value).c_str(); }
};
template <>
struct StringMaker<VARIANT> {
    static String convert(const VARIANT& v) { return testkit::show(v).c_str(); }
};
}  // namespace doctest
