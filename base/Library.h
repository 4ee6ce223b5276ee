// What every class of OrviClassEvents shares: its type library and the base class built on the COM
// layer.
#pragma once
#include <windows.h>

#include "OrviClassEvents.h"
#include "com/ComObject.h"
#include "com/ConnectionPoint.h"
#include "com/LateCall.h"
#include "com/Variant.h"

namespace orvi {

using com::Arg;
using com::Bstr;
using com::ComError;
using com::ComPtr;
using com::RuntimeError;
using com::Variant;

struct OrviLibrary {
    static const com::TypeLibDesc& typeLib() noexcept;
};

template <class Derived, class Itf, class... Extras>
class Object : public com::ComObject<Derived, OrviLibrary, Itf, Extras...> {};

}  // namespace orvi
