#include "menubar/VeskBands.h"

namespace orvi {

VeskBands::VeskBands() = default;
VeskBands::~VeskBands() = default;

STDMETHODIMP VeskBands::Add(BSTR BandName, _VeskBand** ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBands::get_Item(VARIANT Index, _VeskBand** ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBands::get_Count(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBands::RemoveAll() {
    return pending(__func__);
}

STDMETHODIMP VeskBands::Remove(VARIANT Index) {
    return pending(__func__);
}

}  // namespace orvi
