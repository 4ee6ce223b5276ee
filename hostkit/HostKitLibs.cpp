#include "Pyx.h"
#include "hostkit/HostKit.h"

namespace hostkit {

const orvi::com::TypeLibDesc& HostKitLibrary::typeLib() noexcept {
    static const orvi::com::TypeLibDesc lib(LIBID_OrviHostKit, 1, 0, 1);
    return lib;
}

const orvi::com::TypeLibDesc& PyxLibrary::typeLib() noexcept {
    static const orvi::com::TypeLibDesc lib(LIBID_Pyx, 1, 0, 2);
    return lib;
}

}  // namespace hostkit
