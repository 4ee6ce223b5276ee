#include "LateCall.h"

namespace orvi::com {

namespace {

Variant invokeWith(IDispatch* target, const wchar_t* name, WORD flags, const Arg* const* args, UINT count,
                   bool namedValue) {
    if (!target) raise(RuntimeError::ObjectNotSet);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throwHresult(hr == DISP_E_UNKNOWNNAME ? DISP_E_MEMBERNOTFOUND : hr);

    VARIANT local[16];
    VARIANT* rgvarg = count <= 16 ? local : new VARIANT[count];
    for (UINT i = 0; i < count; ++i) rgvarg[count - 1 - i] = args[i]->variant();
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {rgvarg, namedValue ? &putId : nullptr, count, namedValue ? 1u : 0u};
    Variant result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, namedValue ? nullptr : &result.get(),
                        &excep, &argErr);
    if (rgvarg != local) delete[] rgvarg;
    if (hr == DISP_E_EXCEPTION) throw errorFromExcepInfo(excep);
    if (FAILED(hr)) throwHresult(hr);
    return result;
}

}  // namespace

Variant invoke(IDispatch* target, const wchar_t* name, WORD flags, std::initializer_list<Arg> args) {
    const Arg* list[32];
    UINT n = 0;
    for (const Arg& a : args) {
        if (n == 32) raise(RuntimeError::WrongArgumentCount);
        list[n++] = &a;
    }
    return invokeWith(target, name, flags, list, n, false);
}

void put(IDispatch* target, const wchar_t* name, Arg value) {
    const Arg* list[1] = {&value};
    invokeWith(target, name, DISPATCH_PROPERTYPUT, list, 1, true);
}

void putRef(IDispatch* target, const wchar_t* name, Arg value) {
    const Arg* list[1] = {&value};
    invokeWith(target, name, DISPATCH_PROPERTYPUTREF, list, 1, true);
}

}  // namespace orvi::com
