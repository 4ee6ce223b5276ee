// The host kit: stand-ins for what the library's host provides (the foundation containers, the
// host's controls), good enough to drive the library in tests, in the demo and from scripts. It
// is never linked into the library.
#pragma once
#include <windows.h>

#include "Foundation.h"
#include "OrviHostKit.h"
#include "com/ComObject.h"
#include "com/Variant.h"

namespace hostkit {

using orvi::com::Bstr;
using orvi::com::ComPtr;
using orvi::com::Variant;

// Resource numbers of the kit's type libraries in whichever module holds the kit.
struct PyxLibrary {
    static const orvi::com::TypeLibDesc& typeLib() noexcept;
};
struct HostKitLibrary {
    static const orvi::com::TypeLibDesc& typeLib() noexcept;
};

// A Variant holding an object (as IDispatch), Nothing for null.
Variant objectValue(IDispatch* p);

// Live objects of the kit in this module (the library counts its own separately).
inline LONG liveObjects() noexcept {
    return orvi::com::Module::objectCount();
}

}  // namespace hostkit
