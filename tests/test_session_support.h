// Helpers shared by the session tests.
#pragma once
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "Errors.h"
#include "Late.h"
#include "hostkit/SessionKit.h"

namespace sessiontest {

using testkit::Late;
using testkit::Variant;

// Runs body on a new single-threaded apartment thread, whose session state starts empty, and
// returns once the thread has ended. Objects body creates must be released inside it (the
// library releases the thread's session state with its last object); `atEnd` runs on the thread
// after body, before the apartment goes.
inline void onFreshThread(const std::function<void()>& body, const std::function<void()>& atEnd = {}) {
    struct Work {
        const std::function<void()>& body;
        const std::function<void()>& atEnd;
    } work{body, atEnd};
    struct Start {
        static DWORD WINAPI run(void* p) {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            auto& w = *static_cast<Work*>(p);
            try {
                w.body();
            } catch (const testkit::Stopped&) {
            } catch (...) {
                testkit::fail(__FILE__, __LINE__, "unexpected exception on the test thread");
            }
            if (w.atEnd) w.atEnd();
            CoUninitialize();
            return 0;
        }
    };
    HANDLE thread = CreateThread(nullptr, 0, &Start::run, &work, 0, nullptr);
    if (!thread) {
        testkit::fail(__FILE__, __LINE__, "CreateThread failed");
        return;
    }
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

// This computer's name as the library passes it to the lock service.
inline std::wstring machineName() {
    char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof buffer;
    if (!GetComputerNameA(buffer, &size)) return L"NoName";
    std::wstring r;
    for (DWORD i = 0; i < size; ++i) r += wchar_t(static_cast<unsigned char>(buffer[i]));
    return r;
}

// A one-dimensional array of strings with the given lower bound.
inline Variant stringArray(LONG lowerBound, std::initializer_list<const wchar_t*> items) {
    SAFEARRAYBOUND bound{ULONG(items.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
    LONG i = lowerBound;
    for (const wchar_t* s : items) {
        BSTR b = SysAllocString(s);
        SafeArrayPutElement(array, &i, b);
        SysFreeString(b);
        ++i;
    }
    Variant v;
    V_VT(&v.get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&v.get()) = array;
    return v;
}

// The strings of a one-dimensional string array with its bounds.
struct ArrayShape {
    LONG lower = 0, upper = -1;
    std::vector<std::wstring> items;
};
inline ArrayShape shapeOf(const Variant& v) {
    ArrayShape r;
    if (v.vt() != (VT_ARRAY | VT_BSTR) || !V_ARRAY(&v.get())) return r;
    SAFEARRAY* array = V_ARRAY(&v.get());
    SafeArrayGetLBound(array, 1, &r.lower);
    SafeArrayGetUBound(array, 1, &r.upper);
    for (LONG i = r.lower; i <= r.upper; ++i) {
        BSTR b = nullptr;
        SafeArrayGetElement(array, &i, &b);
        r.items.emplace_back(b ? b : L"", SysStringLen(b));
        SysFreeString(b);
    }
    return r;
}

inline std::wstring textOf(const Variant& v) {
    return testkit::asText(v);
}

}  // namespace sessiontest
