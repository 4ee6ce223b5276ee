#include "Late.h"

#include <vector>

namespace testkit {

Variant str(const wchar_t* s) {
    return Variant(s);
}

Variant obj(IDispatch* p) {
    return Variant(p);
}

Variant variantArray(LONG lowerBound, std::initializer_list<Variant> items) {
    SAFEARRAYBOUND bound{ULONG(items.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    LONG i = lowerBound;
    for (const Variant& v : items) {
        SafeArrayPutElement(array, &i, const_cast<VARIANT*>(&v.get()));
        ++i;
    }
    Variant r;
    V_VT(&r.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&r.get()) = array;
    return r;
}

Variant missing() {
    Variant v;
    V_VT(&v.get()) = VT_ERROR;
    V_ERROR(&v.get()) = DISP_E_PARAMNOTFOUND;
    return v;
}

Variant null() {
    Variant v;
    V_VT(&v.get()) = VT_NULL;
    return v;
}

static Variant byRef(VARTYPE vt, void* p) {
    Variant v;
    V_VT(&v.get()) = VT_BYREF | vt;
    V_BYREF(&v.get()) = p;
    return v;
}

Variant ref(long& x) { return byRef(VT_I4, &x); }
Variant ref(double& x) { return byRef(VT_R8, &x); }
Variant ref(BSTR& x) { return byRef(VT_BSTR, &x); }
Variant ref(VARIANT& x) { return byRef(VT_VARIANT, &x); }
Variant ref(IDispatch*& x) { return byRef(VT_DISPATCH, &x); }
Variant refShort(short& x) { return byRef(VT_I2, &x); }
Variant refBool(VARIANT_BOOL& x) { return byRef(VT_BOOL, &x); }

Late Late::create(const wchar_t* progId, Where where) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr))
        stop(where.file_name(), int(where.line()), "CLSIDFromProgID(%s) failed: 0x%08lx", narrow(progId).c_str(),
             (unsigned long)hr);
    ComPtr<IDispatch> p;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(p.GetAddressOf()));
    if (FAILED(hr))
        stop(where.file_name(), int(where.line()), "CoCreateInstance(%s) failed: 0x%08lx", narrow(progId).c_str(),
             (unsigned long)hr);
    return Late(std::move(p));
}

ULONG Late::refs() const {
    if (!p_) return 0;
    p_->AddRef();
    return p_->Release();
}

Outcome Late::invoke(const wchar_t* name, WORD flags, std::initializer_list<Variant> args) const {
    Outcome o;
    if (!p_) {
        o.hr = o.error = E_POINTER;
        return o;
    }
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    o.hr = p_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(o.hr)) {
        o.error = o.hr;
        return o;
    }
    std::vector<VARIANT> rgvarg;
    for (auto it = args.end(); it != args.begin();) rgvarg.push_back((--it)->get());
    bool isPut = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {rgvarg.data(), isPut ? &putId : nullptr, UINT(rgvarg.size()), isPut ? 1u : 0u};
    EXCEPINFO excep = {};
    o.hr = p_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, isPut ? nullptr : &o.value.get(), &excep,
                      &o.argErr);
    o.error = o.hr;
    if (o.hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        o.error = excep.scode;
        o.description = excep.bstrDescription ? excep.bstrDescription : L"";
        o.source = excep.bstrSource ? excep.bstrSource : L"";
        o.helpFile = excep.bstrHelpFile ? excep.bstrHelpFile : L"";
        o.helpContext = excep.dwHelpContext;
    }
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    return o;
}

Outcome Late::put(const wchar_t* name, const Variant& value) const {
    return invoke(name, DISPATCH_PROPERTYPUT, {value});
}

Outcome Late::putRef(const wchar_t* name, const Variant& value) const {
    return invoke(name, DISPATCH_PROPERTYPUTREF, {value});
}

static void expectOk(const Outcome& o, const wchar_t* name, const Where& where) {
    if (o.ok()) return;
    stop(where.file_name(), int(where.line()), "%s failed: 0x%08lx (0x%08lx %s, source %s)", narrow(name).c_str(),
         (unsigned long)o.hr, (unsigned long)o.error, narrow(o.description).c_str(), narrow(o.source).c_str());
}

Variant Late::value(const wchar_t* name, std::initializer_list<Variant> args, Where where) const {
    Outcome o = call(name, args);
    expectOk(o, name, where);
    return o.value;
}

Late Late::object(const wchar_t* name, std::initializer_list<Variant> args, Where where) const {
    Variant v = value(name, args, where);
    return Late(asObject(v, where));
}

long Late::number(const wchar_t* name, std::initializer_list<Variant> args, Where where) const {
    return asLong(value(name, args, where), where);
}

std::wstring Late::text(const wchar_t* name, std::initializer_list<Variant> args, Where where) const {
    return asText(value(name, args, where), where);
}

bool Late::flag(const wchar_t* name, std::initializer_list<Variant> args, Where where) const {
    return asBool(value(name, args, where), where);
}

void Late::set(const wchar_t* name, const Variant& value, Where where) const {
    expectOk(put(name, value), name, where);
}

void Late::setRef(const wchar_t* name, const Variant& value, Where where) const {
    expectOk(putRef(name, value), name, where);
}

long asLong(const Variant& v, Where where) {
    VARIANT r;
    VariantInit(&r);
    if (FAILED(VariantChangeType(&r, const_cast<VARIANT*>(&v.get()), 0, VT_I4))) {
        fail(where.file_name(), int(where.line()), "not a number: %s", show(v.get()).c_str());
        return 0;
    }
    return V_I4(&r);
}

std::wstring asText(const Variant& v, Where where) {
    VARIANT r;
    VariantInit(&r);
    if (FAILED(VariantChangeTypeEx(&r, const_cast<VARIANT*>(&v.get()), 0, VARIANT_ALPHABOOL, VT_BSTR))) {
        fail(where.file_name(), int(where.line()), "not a text: %s", show(v.get()).c_str());
        return L"";
    }
    std::wstring s(V_BSTR(&r), SysStringLen(V_BSTR(&r)));
    VariantClear(&r);
    return s;
}

bool asBool(const Variant& v, Where where) {
    VARIANT r;
    VariantInit(&r);
    if (FAILED(VariantChangeType(&r, const_cast<VARIANT*>(&v.get()), 0, VT_BOOL))) {
        fail(where.file_name(), int(where.line()), "not a Boolean: %s", show(v.get()).c_str());
        return false;
    }
    return V_BOOL(&r) != VARIANT_FALSE;
}

IDispatch* asObject(const Variant& v, Where where) {
    if (v.vt() != VT_DISPATCH) {
        fail(where.file_name(), int(where.line()), "not an object: %s", show(v.get()).c_str());
        return nullptr;
    }
    return V_DISPATCH(&v.get());
}

bool checkError(const Outcome& o, HRESULT number, const wchar_t* source, const char* file, int line) {
    bool ok = o.error == number && (!source || !*source || o.source == source);
    return record(ok, file, line, "the expected error",
                  format("expected error 0x%08lx from %s; got hr 0x%08lx, error 0x%08lx \"%s\" from \"%s\"",
                         (unsigned long)number, source ? narrow(source).c_str() : "any", (unsigned long)o.hr,
                         (unsigned long)o.error, narrow(o.description).c_str(), narrow(o.source).c_str()));
}

bool sameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return a == b;
    ComPtr<IUnknown> ua, ub;
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ua.GetAddressOf()));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ub.GetAddressOf()));
    return ua.Get() == ub.Get();
}

}  // namespace testkit
