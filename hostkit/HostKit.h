// The host kit: stand-ins for what the library's host provides (the foundation containers, the
// host's controls), good enough to drive the library in tests, in the demo and from scripts. It
// is never linked into the library.
#pragma once
#include <windows.h>

#include "Foundation.h"
#include "OrviHostKit.h"
#include "com/ComObject.h"
#include "com/Errors.h"
#include "com/Variant.h"

namespace hostkit {

// What the kit's units use of the COM layer.
using orvi::com::Bstr;
using orvi::com::ComError;
using orvi::com::ComPtr;
using orvi::com::initOut;
using orvi::com::raise;
using orvi::com::RuntimeError;
using orvi::com::Variant;
using orvi::com::view;

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
