#include "layout/MLayout.h"

#include "host/HostForm.h"
#include "host/MSession.h"

namespace orvi::layout {

namespace member = host::member;

void RaiseBadIndex(const wchar_t* text) {
    com::raise(kBadIndex, session::LoadLangText(text));
}

ComPtr<IDispatch> DataSrvOf(com::Target billCtl) {
    return com::toObject(com::get(billCtl, member::DataSrv).get());
}

host::VectorPtr PagesOf(com::Target billCtl) {
    ComPtr<IDispatch> dataSrv = DataSrvOf(billCtl);
    return host::toVector(com::get(dataSrv.Get(), member::ClassTypeEntry).get());
}

host::DictionaryPtr TableInfoOf(com::Target billCtl) {
    ComPtr<IDispatch> dataSrv = DataSrvOf(billCtl);
    return host::toDictionary(com::get(dataSrv.Get(), member::TableInfo).get());
}

Variant ItemOf(IPyxDictionary* d, BSTR key) {
    if (!d) com::raise(RuntimeError::ObjectNotSet);
    Variant r;
    com::checkCall(d->get_Item(key, &r.get()), d, __uuidof(IPyxDictionary));
    return r;
}

Bstr TakeText(Variant&& value) {
    VARIANT& v = value.get();
    if (V_VT(&v) != VT_BSTR) return com::toBstr(v);
    Bstr text = Bstr::attach(V_BSTR(&v));
    V_VT(&v) = VT_EMPTY;
    return text;
}

void SizeControl(com::Target billCtl) noexcept {
    com::ignoring([&] { com::call(billCtl, member::SizeControl); });
}

std::optional<bool> EqualsNumber(const VARIANT& value, double number) {
    const VARIANT& v = com::deref(value);
    if (V_VT(&v) == VT_NULL) return std::nullopt;
    return com::toDouble(v) == number;
}

}  // namespace orvi::layout
