#include "layout/VeskFields.h"

namespace orvi {

VeskFields::VeskFields() = default;
VeskFields::~VeskFields() = default;

STDMETHODIMP VeskFields::get_Item(VARIANT Index, _VeskField** ret) {
    return pending(__func__);
}

STDMETHODIMP VeskFields::get_Count(long* ret) {
    return pending(__func__);
}

}  // namespace orvi
