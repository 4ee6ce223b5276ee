// Base of every COM class of this layer: reference counting, QueryInterface generated from the
// list of bases, the IDispatch of the default dual interface (through DispatchTable) and
// ISupportErrorInfo. A class lists what it implements once:
//
//   class BillEvent final : public ComObject<BillEvent, OrviLibrary, _BillEvent, EventSource<BillEvent>>
//
// `Impl` is the default dual interface, or a layer of shared member implementations over it that
// names the interface as `using Interface = ...` (see CheckRelays). `Lib` supplies the type
// library (Lib::typeLib());
// `Extras` are mixins that implement further interfaces and answer
// `void* castTo(REFIID)` for them. The derived class supplies `static constexpr const wchar_t*
// kSource`, the error source of its members (its ProgID).
//
// Objects are created with make<T>(...) and start with one reference owned by the returned ComPtr.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <type_traits>
#include <utility>

#include "Dispatch.h"
#include "Errors.h"
#include "Module.h"
#include "Variant.h"

namespace orvi::com {

using Microsoft::WRL::ComPtr;

// Out-parameter helpers for member bodies: null pointers are E_POINTER, outputs start empty.
template <class T>
inline void initOut(T** out) {
    if (!out) raise(E_POINTER, L"Invalid pointer");
    *out = nullptr;
}
inline void initOut(VARIANT* out) {
    if (!out) raise(E_POINTER, L"Invalid pointer");
    init(*out);
}
template <class T, class = std::enable_if_t<std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_same_v<T, CY>>>
inline void initOut(T* out) {
    if (!out) raise(E_POINTER, L"Invalid pointer");
    *out = T{};
}
template <class T>
inline void initOut(T* out, T value) {
    if (!out) raise(E_POINTER, L"Invalid pointer");
    *out = value;
}

namespace detail {
template <class T, class = void>
struct InterfaceOf {
    using type = T;
};
template <class T>
struct InterfaceOf<T, std::void_t<typename T::Interface>> {
    using type = typename T::Interface;
};
}  // namespace detail

template <class Derived, class Lib, class Impl, class... Extras>
class ComObject : public Impl, public Extras..., public ISupportErrorInfo {
public:
    using Itf = typename detail::InterfaceOf<Impl>::type;

    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(Itf))
            *ppv = static_cast<Itf*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else
            (void)((*ppv = static_cast<Extras*>(this)->castTo(riid)) || ...);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete static_cast<Derived*>(this);
        return ULONG(n);
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_INVALIDARG;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override { return table().getTypeInfo(index, info); }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return table().getIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return table().invoke(static_cast<Itf*>(this), Derived::kSource, id, flags, params, result, excep, argErr);
    }

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == __uuidof(Itf) || riid == IID_IDispatch ? S_OK : S_FALSE;
    }

    static const DispatchTable& table() {
        static const DispatchTable& t = DispatchTable::of(Lib::typeLib(), __uuidof(Itf));
        return t;
    }

protected:
    ComObject() noexcept { Module::objectCreated(); }
    virtual ~ComObject() { Module::objectDestroyed(); }

    // Runs a member body at the COM boundary: exceptions become the HRESULT and error info,
    // with this class as the default error source.
    template <class F>
    HRESULT guard(F&& f) noexcept {
        return boundary(Derived::kSource, std::forward<F>(f));
    }

    // A property get in one line: the out-parameter starts empty (null is E_POINTER), then takes
    // what `value` answers, converted to its type (see com::store).
    //   STDMETHODIMP get_FieldTop(short* ret) { return answer(ret, [&] { return read(L"FTop"); }); }
    template <class T, class F>
    HRESULT answer(T* ret, F&& value) noexcept {
        return guard([&] {
            com::initOut(ret);
            store(ret, value());  // unqualified: the overload for a held host object is found by its type
        });
    }

    // As answer, but a failure is this class's own: raised again with its number and description
    // and this class as the source (see com::reraiseAs).
    template <class T, class F>
    HRESULT answerOwn(T* ret, F&& value) noexcept {
        return guard([&] {
            com::initOut(ret);
            com::reraiseAs(Derived::kSource, [&] { store(ret, value()); });
        });
    }

private:
    volatile LONG refs_ = 1;
};

// Takes over a reference the caller owns. (mingw-w64's ComPtr::Attach adds a reference of its
// own, unlike the WRL original, so it must not be used for this.)
template <class T>
ComPtr<T> adopt(T* p) noexcept {
    ComPtr<T> r;
    *r.ReleaseAndGetAddressOf() = p;
    return r;
}

// A failure to allocate propagates as std::bad_alloc, for the caller's boundary to report.
template <class T, class... Args>
ComPtr<T> make(Args&&... args) {
    return adopt(new T(std::forward<Args>(args)...));
}

// The object a member keeps, made the first time it is asked for.
template <class T>
ComPtr<T>& madeOnce(ComPtr<T>& kept) {
    if (!kept) kept = make<T>();
    return kept;
}

// Creates a T and answers riid from it: the body of a class factory's CreateInstance. A failing
// constructor's error reaches the creator with its record, under the class's source.
template <class T>
HRESULT createInstance(REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    try {
        T* p = new T();
        HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    } catch (...) {
        if constexpr (requires { T::kSource; })
            return reportFailure(T::kSource);
        else
            return reportFailure(nullptr);
    }
}

}  // namespace orvi::com
