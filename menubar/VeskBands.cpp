#include "menubar/VeskBands.h"

#include "menubar/ToolbarNames.h"
#include "menubar/VeskBand.h"

namespace orvi {

namespace member = toolbar::member;

VeskBands::VeskBands() = default;

VeskBands::~VeskBands() = default;

STDMETHODIMP VeskBands::Add(BSTR BandName, _VeskBand** ret) {
    return answer(ret, [&] {
        return pointed(band_, com::call(target(), member::Add, {Arg::value(com::borrowed(BandName))}));
    });
}

STDMETHODIMP VeskBands::get_Item(VARIANT Index, _VeskBand** ret) {
    return answer(ret, [&] { return pointed(band_, com::call(target(), member::Item, {Arg::value(Index)})); });
}

STDMETHODIMP VeskBands::get_Count(long* ret) { return answer(ret, [&] { return toolbar::countOf(target()); }); }

STDMETHODIMP VeskBands::RemoveAll() {
    return guard([&] { com::call(target(), member::RemoveAll); });
}

STDMETHODIMP VeskBands::Remove(VARIANT Index) {
    return guard([&] { com::call(target(), member::Remove, {Arg::value(Index)}); });
}

}  // namespace orvi
