#include "Variant.h"

namespace orvi::com {

Variant::Variant(const VARIANT& src) : Variant() {
    HRESULT hr = VariantCopyInd(&v_, const_cast<VARIANT*>(&src));
    if (FAILED(hr)) throwHresult(hr);
}

void changeType(VARIANT& out, const VARIANT& in, VARTYPE vt) {
    VariantClear(&out);
    const VARIANT& src = deref(in);
    if (V_VT(&src) == VT_NULL && vt != VT_VARIANT) raise(RuntimeError::InvalidUseOfNull);
    if ((V_VT(&src) == VT_DISPATCH || V_VT(&src) == VT_UNKNOWN) && !V_UNKNOWN(&src) && vt != VT_DISPATCH &&
        vt != VT_UNKNOWN && vt != VT_VARIANT)
        raise(RuntimeError::ObjectNotSet);  // the value of Nothing
    // VB's conversions: Booleans become "True"/"False", not "-1"/"0".
    USHORT flags = vt == VT_BSTR ? VARIANT_ALPHABOOL : 0;
    HRESULT hr = VariantChangeTypeEx(&out, const_cast<VARIANT*>(&src), LOCALE_USER_DEFAULT, flags, vt);
    if (FAILED(hr)) throwHresult(hr);
}

namespace {
// A number read as type vt: directly when it already has that type, converted otherwise.
template <class Read>
auto number(const VARIANT& v, VARTYPE vt, Read read) {
    const VARIANT& d = deref(v);
    if (V_VT(&d) == vt) return read(d);
    Variant r;
    changeType(r.get(), d, vt);
    return read(r.get());
}
}  // namespace

long toLong(const VARIANT& v) {
    return number(v, VT_I4, [](const VARIANT& x) { return long(V_I4(&x)); });
}

short toShort(const VARIANT& v) {
    return number(v, VT_I2, [](const VARIANT& x) { return short(V_I2(&x)); });
}

double toDouble(const VARIANT& v) {
    return number(v, VT_R8, [](const VARIANT& x) { return double(V_R8(&x)); });
}

CY toCurrency(const VARIANT& v) {
    Variant r;
    changeType(r.get(), v, VT_CY);
    return V_CY(&r.get());
}

bool toBool(const VARIANT& v) {
    const VARIANT& d = deref(v);
    if (V_VT(&d) == VT_BOOL) return V_BOOL(&d) != VARIANT_FALSE;
    Variant r;
    changeType(r.get(), d, VT_BOOL);
    return V_BOOL(&r.get()) != VARIANT_FALSE;
}

Bstr toBstr(const VARIANT& v) {
    const VARIANT& d = deref(v);
    if (V_VT(&d) == VT_BSTR) return Bstr(view(V_BSTR(&d)));
    Variant r;
    changeType(r.get(), d, VT_BSTR);
    BSTR b = V_BSTR(&r.get());
    V_VT(&r.get()) = VT_EMPTY;
    return Bstr::attach(b);
}

std::wstring toString(const VARIANT& v) {
    return toBstr(v).str();
}

ComPtr<IDispatch> toObject(const VARIANT& v) {
    const VARIANT& d = deref(v);
    ComPtr<IDispatch> r;
    switch (V_VT(&d)) {
    case VT_DISPATCH: r = V_DISPATCH(&d); return r;
    case VT_DISPATCH | VT_BYREF: if (V_DISPATCHREF(&d)) r = *V_DISPATCHREF(&d); return r;
    case VT_UNKNOWN:
    case VT_UNKNOWN | VT_BYREF: {
        IUnknown* unk = V_VT(&d) == VT_UNKNOWN ? V_UNKNOWN(&d) : (V_UNKNOWNREF(&d) ? *V_UNKNOWNREF(&d) : nullptr);
        if (unk && FAILED(unk->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(r.GetAddressOf()))))
            raise(RuntimeError::TypeMismatch);
        return r;
    }
    default: raise(RuntimeError::ObjectRequired);
    }
}

}  // namespace orvi::com
