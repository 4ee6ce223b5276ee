#include "menubar/VeskBand.h"

namespace orvi {

VeskBand::VeskBand() = default;
VeskBand::~VeskBand() = default;

STDMETHODIMP VeskBand::Refresh() {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_Wrappable(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_Wrappable(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_Visible(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_Visible(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_BandType(Enu_BandTypes* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_BandType(Enu_BandTypes vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_BandName(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_BandName(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_Flags(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_Flags(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_DockLine(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_DockLine(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_DockingOffset(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_DockingOffset(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_DockingArea(Enu_DockingArea* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_DockingArea(Enu_DockingArea vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_Caption(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_Caption(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_CurrentTool(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::put_CurrentTool(short vData) {
    return pending(__func__);
}

STDMETHODIMP VeskBand::get_VeskTools(_VeskTools** ret) {
    return pending(__func__);
}

}  // namespace orvi
