#include "menubar/VeskBands.h"

#include "menubar/ToolbarNames.h"
#include "menubar/VeskBand.h"

namespace orvi {

namespace member = toolbar::member;

VeskBands::VeskBands() : band_(com::make<VeskBand>()) {}

VeskBands::~VeskBands() {
    band_.Reset();
    bands_.Reset();
    control_.Reset();
}

void VeskBands::setBands(IDispatch* bands) {
    bands_ = toolbar::bind<toolbar::BandCollection>(bands);
}

void VeskBands::setControl(IDispatch* activeBar) {
    control_ = activeBar;
}

toolbar::BandCollection* VeskBands::list() const {
    if (!bands_) com::raise(RuntimeError::ObjectNotSet);
    return bands_.Get();
}

_VeskBand* VeskBands::pointAt(const Variant& band) {
    band_->setBand(com::toObject(band.get()).Get());
    band_->setControl(control_.Get());
    return band_.Get();
}

STDMETHODIMP VeskBands::Add(BSTR BandName, _VeskBand** ret) {
    return guard([&] {
        com::initOut(ret);
        VARIANT name;
        VariantInit(&name);
        V_VT(&name) = VT_BSTR;
        V_BSTR(&name) = BandName;  // borrowed for the call
        Variant band = com::call(list(), member::Add, {Arg::value(name)});
        *ret = pointAt(band);
        (*ret)->AddRef();
    });
}

STDMETHODIMP VeskBands::get_Item(VARIANT Index, _VeskBand** ret) {
    return guard([&] {
        com::initOut(ret);
        Variant band = com::call(list(), member::Item, {Arg::value(Index)});
        *ret = pointAt(band);
        (*ret)->AddRef();
    });
}

STDMETHODIMP VeskBands::get_Count(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        // A 16-bit count on the control, widened with its sign.
        *ret = long(com::toShort(com::get(list(), member::Count).get()));
    });
}

STDMETHODIMP VeskBands::RemoveAll() {
    return guard([&] { com::call(list(), member::RemoveAll); });
}

STDMETHODIMP VeskBands::Remove(VARIANT Index) {
    return guard([&] { com::call(list(), member::Remove, {Arg::value(Index)}); });
}

}  // namespace orvi
