#include "Automation.h"

#include <vector>

#include "hostkit/WideText.h"

namespace plugin {

std::wstring Failure::what() const {
    wchar_t number[16];
    // Errors a VB client knows by a small number come back as 0x800Axxxx.
    if ((unsigned(hr) & 0xFFFF0000u) == 0x800A0000u)
        swprintf(number, 16, L"%u", unsigned(hr) & 0xFFFFu);
    else
        swprintf(number, 16, L"0x%08X", unsigned(hr));
    std::wstring s = L"error " + std::wstring(number);
    if (!description.empty()) s += L": " + description;
    if (!source.empty()) s += L" (" + source + L")";
    return s;
}

namespace {

std::wstring take(BSTR& b) {
    std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
    SysFreeString(b);
    b = nullptr;
    return s;
}

Var changed(const VARIANT& v, VARTYPE vt) {
    Var out;
    check(VariantChangeType(out.receive(), const_cast<VARIANT*>(&v), 0, vt));
    return out;
}

}  // namespace

void check(HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    Failure f{hr, {}, {}};
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR b = nullptr;
        if (SUCCEEDED(info->GetDescription(&b))) f.description = take(b);
        if (SUCCEEDED(info->GetSource(&b))) f.source = take(b);
        info->Release();
    }
    throw f;
}

std::wstring Var::text() const {
    if (V_VT(&v_) == VT_BSTR) return V_BSTR(&v_) ? std::wstring(V_BSTR(&v_), SysStringLen(V_BSTR(&v_))) : L"";
    Var s = changed(v_, VT_BSTR);
    return std::wstring(V_BSTR(&s.get()), SysStringLen(V_BSTR(&s.get())));
}

long Var::number() const {
    return V_I4(&changed(v_, VT_I4).get());
}

double Var::real() const {
    return V_R8(&changed(v_, VT_R8).get());
}

bool Var::flag() const {
    return V_BOOL(&changed(v_, VT_BOOL).get()) != VARIANT_FALSE;
}

IDispatch* Var::object() const {
    if (V_VT(&v_) == VT_DISPATCH && V_DISPATCH(&v_)) return V_DISPATCH(&v_);
    throw Failure{HRESULT(0x800A01A8), L"Object required", L""};
}

Var invoke(IDispatch* target, const wchar_t* name, WORD flags, std::initializer_list<Var> args) {
    if (!target) throw Failure{HRESULT(0x800A005B), L"Object variable not set", L""};
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    check(target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    // IDispatch takes its arguments last first; they are the caller's VARIANTs, not copies, so
    // that a reference reaches the caller's variable.
    std::vector<VARIANT> reversed;
    for (auto it = args.end(); it != args.begin();) reversed.push_back((--it)->get());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, UINT(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) params.rgdispidNamedArgs = &putId, params.cNamedArgs = 1;
    Var result;
    EXCEPINFO excep{};
    UINT argErr = 0;
    HRESULT hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.receive(), &excep, &argErr);
    if (hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        Failure f{excep.scode ? excep.scode : HRESULT(0x800A0000 | excep.wCode), take(excep.bstrDescription),
                  take(excep.bstrSource)};
        SysFreeString(excep.bstrHelpFile);
        throw f;
    }
    check(hr);
    return result;
}

void put(IDispatch* target, const wchar_t* name, const Var& value) {
    WORD flags = V_VT(&value.get()) == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    invoke(target, name, flags, {value});
}

Var argValue(const VARIANT& arg) {
    Var v;
    if (V_VT(&arg) == (VT_BYREF | VT_VARIANT))
        VariantCopy(v.receive(), V_VARIANTREF(&arg));
    else
        check(VariantCopyInd(v.receive(), const_cast<VARIANT*>(&arg)));
    return v;
}

void answer(VARIANT& arg, const Var& value) {
    VARTYPE vt = V_VT(&arg);
    if (!(vt & VT_BYREF)) throw Failure{DISP_E_TYPEMISMATCH, L"not a by-reference argument", L""};
    if (vt == (VT_BYREF | VT_VARIANT)) {
        check(VariantCopy(V_VARIANTREF(&arg), const_cast<VARIANT*>(&value.get())));
        return;
    }
    Var typed = changed(value.get(), VARTYPE(vt & ~VT_BYREF));
    switch (vt & ~VT_BYREF) {
    case VT_BOOL: *V_BOOLREF(&arg) = V_BOOL(&typed.get()); break;
    case VT_I2: *V_I2REF(&arg) = V_I2(&typed.get()); break;
    case VT_I4: *V_I4REF(&arg) = V_I4(&typed.get()); break;
    case VT_R8: *V_R8REF(&arg) = V_R8(&typed.get()); break;
    case VT_BSTR:
        SysFreeString(*V_BSTRREF(&arg));
        *V_BSTRREF(&arg) = V_BSTR(&typed.get());
        V_VT(&typed.get()) = VT_EMPTY;
        break;
    default: throw Failure{DISP_E_TYPEMISMATCH, L"an answer of an unexpected type", L""};
    }
}

void say(const std::wstring& line) {
    std::string utf8 = hostkit::narrow(line + L"\n");
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

}  // namespace plugin
