// What every class of OrviClassEvents shares: its type library, the list of members that are not
// implemented yet, and the base class built on the COM layer.
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
    // Members ("Interface.Member") that answer "not implemented" until their behaviour is built.
    static const wchar_t* const* pending() noexcept;
};

// Error raised by members of pending behaviour: E_NOTIMPL, "<Member> is not implemented yet".
HRESULT reportPending(const wchar_t* source, const char* function) noexcept;

template <class Derived, class Itf, class... Extras>
class Object : public com::ComObject<Derived, OrviLibrary, Itf, Extras...> {
protected:
    HRESULT pending(const char* function) noexcept { return reportPending(Derived::kSource, function); }
};

}  // namespace orvi
