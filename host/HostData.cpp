#include "host/HostData.h"

namespace orvi::host {

namespace {

IPyxDictionary* need(IPyxDictionary* d) {
    if (!d) com::raise(RuntimeError::ObjectNotSet);
    return d;
}
IPyxVector* need(IPyxVector* v) {
    if (!v) com::raise(RuntimeError::ObjectNotSet);
    return v;
}
void check(HRESULT hr, IUnknown* obj, REFIID iid) {
    com::checkCall(hr, obj, iid);
}

}  // namespace

DictionaryPtr toDictionary(const VARIANT& v) {
    return com::as<IPyxDictionary>(v);
}
VectorPtr toVector(const VARIANT& v) {
    return com::as<IPyxVector>(v);
}
DictionaryPtr toDictionary(IDispatch* p) {
    return com::as<IPyxDictionary>(p);
}
VectorPtr toVector(IDispatch* p) {
    return com::as<IPyxVector>(p);
}

// ADO's _Recordset.
const IID kRecordsetIid = {0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

ComPtr<IDispatch> toRecordset(IDispatch* p) {
    ComPtr<IDispatch> r;
    if (p && FAILED(p->QueryInterface(kRecordsetIid, reinterpret_cast<void**>(r.GetAddressOf()))))
        com::raise(RuntimeError::TypeMismatch);
    return r;
}
ComPtr<IDispatch> toRecordset(const VARIANT& v) {
    return toRecordset(com::toObject(v).Get());
}

Variant item(IPyxDictionary* d, std::wstring_view key) {
    Bstr k(key);
    Variant r;
    check(need(d)->get_Item(k.get(), &r.get()), d, __uuidof(IPyxDictionary));
    return r;
}

Variant itemOfKey(IPyxDictionary* d, const Bstr& key) {
    Variant r;
    check(need(d)->get_Item(key.get(), &r.get()), d, __uuidof(IPyxDictionary));
    return r;
}

void setItem(IPyxDictionary* d, std::wstring_view key, const VARIANT& value) {
    Bstr k(key);
    check(need(d)->put_Item(k.get(), value), d, __uuidof(IPyxDictionary));
}

bool lookUp(IPyxDictionary* d, std::wstring_view key) {
    Bstr k(key);
    VARIANT missing;
    VariantInit(&missing);
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    VARIANT_BOOL found = VARIANT_FALSE;
    check(need(d)->LookUp(k.get(), &missing, &found), d, __uuidof(IPyxDictionary));
    VariantClear(&missing);
    return found != VARIANT_FALSE;
}

long count(IPyxDictionary* d) {
    long n = 0;
    check(need(d)->get_Count(&n), d, __uuidof(IPyxDictionary));
    return n;
}

Bstr keyAt(IPyxDictionary* d, long index) {
    Bstr k;
    check(need(d)->get_Key(index, k.put()), d, __uuidof(IPyxDictionary));
    return k;
}

long lowerBound(IPyxVector* v) {
    long n = 0;
    check(need(v)->get_LowerBound(&n), v, __uuidof(IPyxVector));
    return n;
}

long upperBound(IPyxVector* v) {
    long n = 0;
    check(need(v)->get_UpperBound(&n), v, __uuidof(IPyxVector));
    return n;
}

Variant item(IPyxVector* v, long index) {
    Variant r;
    check(need(v)->get_Item(index, &r.get()), v, __uuidof(IPyxVector));
    return r;
}

std::wstring pageKey(long page) {
    return L"Page" + std::to_wstring(page);
}

}  // namespace orvi::host
