#include "host/HostData.h"

namespace orvi::host {

namespace {

// One call of a container's own interface: a null container is error 91; a failing call raises
// the container's error.
template <class C, class M, class... A>
void call(C* c, M method, A... args) {
    if (!c) com::raise(RuntimeError::ObjectNotSet);
    com::checkCall((c->*method)(args...), c, __uuidof(C));
}

// The same for a member that answers in its last parameter.
template <class T, class C, class M, class... A>
T answerOf(C* c, M method, A... args) {
    T out{};
    call(c, method, args..., &out);
    return out;
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
    com::InBstr k(key);
    return answerOf<Variant>(d, &IPyxDictionary::get_Item, k.get());
}

Variant itemOfKey(IPyxDictionary* d, const Bstr& key) {
    return answerOf<Variant>(d, &IPyxDictionary::get_Item, key.get());
}

void setItem(IPyxDictionary* d, std::wstring_view key, const VARIANT& value) {
    com::InBstr k(key);
    call(d, &IPyxDictionary::put_Item, k.get(), value);
}

bool lookUp(IPyxDictionary* d, std::wstring_view key) {
    com::InBstr k(key);
    VARIANT missing;
    VariantInit(&missing);
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    VARIANT_BOOL found = VARIANT_FALSE;
    call(d, &IPyxDictionary::LookUp, k.get(), &missing, &found);
    VariantClear(&missing);
    return found != VARIANT_FALSE;
}

long count(IPyxDictionary* d) {
    return answerOf<long>(d, &IPyxDictionary::get_Count);
}

Bstr keyAt(IPyxDictionary* d, long index) {
    Bstr k;
    call(d, &IPyxDictionary::get_Key, index, k.put());
    return k;
}

long lowerBound(IPyxVector* v) {
    return answerOf<long>(v, &IPyxVector::get_LowerBound);
}

long upperBound(IPyxVector* v) {
    return answerOf<long>(v, &IPyxVector::get_UpperBound);
}

Variant item(IPyxVector* v, long index) {
    return answerOf<Variant>(v, &IPyxVector::get_Item, index);
}

std::wstring pageKey(long page) {
    return L"Page" + std::to_wstring(page);
}

}  // namespace orvi::host
