#include "LateCall.h"

namespace orvi::com {

namespace {

// The member's DISPID; a null name is the default member.
DISPID memberId(IDispatch* target, const wchar_t* name) {
    if (!target) raise(RuntimeError::ObjectNotSet);
    if (!name) return DISPID_VALUE;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throwHresult(hr == DISP_E_UNKNOWNNAME ? DISP_E_MEMBERNOTFOUND : hr);
    return id;
}

Variant invokeWith(IDispatch* target, const wchar_t* name, WORD flags, const Arg* const* args, UINT count,
                   bool namedValue, HRESULT* failure = nullptr) {
    DISPID id = memberId(target, name);
    HRESULT hr = S_OK;

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
    if (failure && FAILED(hr)) {
        // The caller records the failure and keeps whatever was answered.
        if (hr == DISP_E_EXCEPTION) hr = errorFromExcepInfo(excep).hr();
        *failure = hr;
        return result;
    }
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

CallOutcome tryCall(IDispatch* target, const wchar_t* name, std::initializer_list<Arg> args) noexcept {
    CallOutcome r;
    try {
        const Arg* list[32];
        UINT n = 0;
        for (const Arg& a : args) {
            if (n == 32) raise(RuntimeError::WrongArgumentCount);
            list[n++] = &a;
        }
        HRESULT failure = S_OK;
        r.result = invokeWith(target, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, list, n, false, &failure);
        r.failed = FAILED(failure);
        r.hr = failure;
    } catch (const ComError& e) {
        r.failed = true;
        r.hr = e.hr();
    } catch (...) {
        r.failed = true;
        r.hr = E_OUTOFMEMORY;
    }
    return r;
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
