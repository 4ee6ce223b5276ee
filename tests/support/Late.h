// Talking to objects the way a plug-in does: late-bound, by member name, with the argument forms
// VB, script and C++ callers use.
#pragma once
#include <initializer_list>
#include <source_location>
#include <string>

#include "TestKit.h"
#include "com/Variant.h"

namespace testkit {

// The helpers below that fail the running test report the test's own line: `Where` defaults to
// the place of the call.
using Where = std::source_location;

using orvi::com::Bstr;
using orvi::com::ComPtr;
using orvi::com::Variant;

struct Outcome {
    HRESULT hr = S_OK;     // what Invoke returned
    HRESULT error = S_OK;  // the error: the EXCEPINFO's scode for DISP_E_EXCEPTION, otherwise hr
    std::wstring description, source, helpFile;
    DWORD helpContext = 0;
    Variant value;
    UINT argErr = ~0u;
    bool ok() const { return SUCCEEDED(hr); }
};

// Argument builders. By-reference arguments point at the caller's variables.
Variant str(const wchar_t* s);
Variant obj(IDispatch* p);
// A Variant array (VT_ARRAY | VT_VARIANT) of the items, its first index `lowerBound`.
Variant variantArray(LONG lowerBound, std::initializer_list<Variant> items);
inline Variant variantArray(std::initializer_list<Variant> items) {
    return variantArray(0, items);
}
Variant missing();
// An Integer (VT_I2) and Null.
inline Variant integer(short x) {
    return Variant(x);
}
Variant null();
Variant ref(long& x);
Variant ref(double& x);
Variant ref(BSTR& x);
Variant ref(VARIANT& x);
Variant ref(IDispatch*& x);
Variant refShort(short& x);
Variant refBool(VARIANT_BOOL& x);

class Late {
public:
    Late() = default;
    explicit Late(IDispatch* p) : p_(p) {}
    explicit Late(ComPtr<IDispatch> p) : p_(std::move(p)) {}
    // Creates an object by ProgID (fails the test when it cannot).
    static Late create(const wchar_t* progId, Where where = Where::current());

    IDispatch* get() const noexcept { return p_.Get(); }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    ULONG refs() const;  // reference count, read through AddRef/Release

    Outcome invoke(const wchar_t* name, WORD flags, std::initializer_list<Variant> args = {}) const;
    Outcome call(const wchar_t* name, std::initializer_list<Variant> args = {}) const {
        return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
    }
    Outcome put(const wchar_t* name, const Variant& value) const;
    Outcome putRef(const wchar_t* name, const Variant& value) const;

    // When success is expected: the value (a failure stops the test, reported at its line).
    Variant value(const wchar_t* name, std::initializer_list<Variant> args = {}, Where where = Where::current()) const;
    Late object(const wchar_t* name, std::initializer_list<Variant> args = {}, Where where = Where::current()) const;
    long number(const wchar_t* name, std::initializer_list<Variant> args = {}, Where where = Where::current()) const;
    std::wstring text(const wchar_t* name, std::initializer_list<Variant> args = {},
                      Where where = Where::current()) const;
    bool flag(const wchar_t* name, std::initializer_list<Variant> args = {}, Where where = Where::current()) const;
    void set(const wchar_t* name, const Variant& value, Where where = Where::current()) const;
    void setRef(const wchar_t* name, const Variant& value, Where where = Where::current()) const;

private:
    ComPtr<IDispatch> p_;
};

// The value as Long / text / Boolean / object (for checks; a value of another kind fails the test
// at its line).
long asLong(const Variant& v, Where where = Where::current());
std::wstring asText(const Variant& v, Where where = Where::current());
bool asBool(const Variant& v, Where where = Where::current());
IDispatch* asObject(const Variant& v, Where where = Where::current());

// Checks that an outcome is the expected error (number and source; source "" = any).
#define CHECK_ERROR(outcome, number, src) ::testkit::checkError((outcome), HRESULT(number), (src), __FILE__, __LINE__)
bool checkError(const Outcome& o, HRESULT number, const wchar_t* source, const char* file, int line);

// Whether two interface pointers are the same object (compared as IUnknown).
bool sameObject(IUnknown* a, IUnknown* b);
inline bool sameObject(IDispatch* a, IDispatch* b) {
    return sameObject(static_cast<IUnknown*>(a), static_cast<IUnknown*>(b));
}

}  // namespace testkit
