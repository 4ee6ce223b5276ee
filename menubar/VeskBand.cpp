#include "menubar/VeskBand.h"

#include "menubar/ToolbarNames.h"
#include "menubar/VeskTools.h"

namespace orvi {

namespace member = toolbar::member;

VeskBand::VeskBand() = default;

VeskBand::~VeskBand() = default;

STDMETHODIMP VeskBand::Refresh() {
    return guard([&] { com::call(target(), member::Refresh); });
}

STDMETHODIMP VeskBand::get_Wrappable(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::Wrappable).get()); });
}

STDMETHODIMP VeskBand::put_Wrappable(VARIANT_BOOL vData) {
    return guard([&] { write(member::Wrappable, Arg::boolean(vData)); });
}

STDMETHODIMP VeskBand::get_Visible(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(member::Visible).get()); });
}

STDMETHODIMP VeskBand::put_Visible(VARIANT_BOOL vData) {
    return guard([&] { write(member::Visible, Arg::boolean(vData)); });
}

STDMETHODIMP VeskBand::get_BandType(Enu_BandTypes* ret) { return answer(ret, [&] { return read(member::BandType); }); }

STDMETHODIMP VeskBand::put_BandType(Enu_BandTypes vData) {
    return guard([&] { write(member::BandType, Arg(long(vData))); });
}

STDMETHODIMP VeskBand::get_BandName(BSTR* ret) { return answer(ret, [&] { return read(member::BandName); }); }

STDMETHODIMP VeskBand::put_BandName(BSTR vData) {
    return guard([&] {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = vData;  // borrowed for the call
        write(member::BandName, Arg::value(v));
    });
}

STDMETHODIMP VeskBand::get_Flags(long* ret) { return answer(ret, [&] { return read(member::Flags); }); }

STDMETHODIMP VeskBand::put_Flags(long vData) {
    return guard([&] { write(member::Flags, Arg(vData)); });
}

STDMETHODIMP VeskBand::get_DockLine(long* ret) { return answer(ret, [&] { return read(member::DockLine); }); }

STDMETHODIMP VeskBand::put_DockLine(long vData) {
    return guard([&] { write(member::DockLine, Arg(vData)); });
}

STDMETHODIMP VeskBand::get_DockingOffset(long* ret) {
    return answer(ret, [&] { return read(member::DockingOffset); });
}

STDMETHODIMP VeskBand::put_DockingOffset(long vData) {
    return guard([&] { write(member::DockingOffset, Arg(vData)); });
}

STDMETHODIMP VeskBand::get_DockingArea(Enu_DockingArea* ret) {
    return answer(ret, [&] { return read(member::DockingArea); });
}

STDMETHODIMP VeskBand::put_DockingArea(Enu_DockingArea vData) {
    return guard([&] { write(member::DockingArea, Arg(long(vData))); });
}

STDMETHODIMP VeskBand::get_Caption(BSTR* ret) { return answer(ret, [&] { return read(member::Caption); }); }

STDMETHODIMP VeskBand::put_Caption(BSTR vData) {
    return guard([&] {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = vData;  // borrowed for the call
        write(member::Caption, Arg::value(v));
    });
}

STDMETHODIMP VeskBand::get_CurrentTool(short* ret) {
    return answer(ret, [&] { return read(member::CurrentTool); });
}

STDMETHODIMP VeskBand::put_CurrentTool(short vData) {
    return guard([&] { write(member::CurrentTool, Arg(vData)); });
}

STDMETHODIMP VeskBand::get_VeskTools(_VeskTools** ret) {
    return answer(ret, [&] { return pointed(tools_, com::get(target(), member::Tools)); });
}

}  // namespace orvi
