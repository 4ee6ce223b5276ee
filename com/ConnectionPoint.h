// Connection points for the event objects: one source interface, any number of sinks.
//
// Sinks are plain IDispatch objects (Advise asks for the source interface first and falls back to
// IDispatch, which is what script and VB sinks offer). An event goes to the sinks connected when
// it starts, except those unadvised before their turn: once Unadvise has returned, a sink is not
// called again. While events are being raised, an unadvised sink is only marked, and its
// reference is released when the outermost event is over. So a handler may unadvise any sink, release its reference to the event
// object, or raise another event, and every pointer in use stays valid. A sink whose handler
// fails does not stop the event: the failure is dropped and the next sink is called, because the
// host that raised the event has no way to act on a plug-in's error.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

#include "TypeLib.h"

namespace orvi::com {

class ConnectionPoint final : public IConnectionPoint {
public:
    // `container` owns this object: references to the connection point are references to it.
    ConnectionPoint(IConnectionPointContainer* container, REFIID iid) noexcept : container_(container), iid_(iid) {}
    ~ConnectionPoint();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    // Calls every connected sink with the arguments (rgvarg order: last argument first).
    void fire(DISPID id, VARIANTARG* args, UINT count) noexcept;
    size_t sinkCount() const noexcept;

private:
    struct Sink {
        DWORD cookie;
        IDispatch* sink;
        bool removed;  // unadvised while an event was being raised
    };
    void purge() noexcept;
    IConnectionPointContainer* container_;
    IID iid_;
    std::vector<Sink> sinks_;
    DWORD nextCookie_ = 1;
    int firing_ = 0;  // events being raised (they nest when handlers raise events)
};

// The arguments of one event, in declaration order. By-value arguments are passed as values of
// their own type (strings as copies); by-reference arguments point at the raiser's variables, so
// what a handler assigns is what the raiser reads afterwards.
class EventArgs {
public:
    EventArgs() = default;
    EventArgs(const EventArgs&) = delete;
    EventArgs& operator=(const EventArgs&) = delete;
    ~EventArgs() {
        for (UINT i = 0; i < count_; ++i)
            if (V_VT(&args_[i]) == VT_BSTR) SysFreeString(V_BSTR(&args_[i]));
    }

    EventArgs& value(long x) { return push(VT_I4).lVal = x, *this; }
    EventArgs& value(short x) { return push(VT_I2).iVal = x, *this; }
    EventArgs& boolean(VARIANT_BOOL x) { return push(VT_BOOL).boolVal = x, *this; }
    EventArgs& object(IDispatch* x) { return push(VT_DISPATCH).pdispVal = x, *this; }
    EventArgs& text(BSTR x) {
        VARIANT& v = push(VT_BSTR);
        v.bstrVal = SysAllocStringLen(x, SysStringLen(x));
        if (x && !v.bstrVal) V_VT(&v) = VT_EMPTY;
        return *this;
    }
    EventArgs& ref(long* x) { return push(VT_BYREF | VT_I4, x).plVal = x, *this; }
    EventArgs& ref(double* x) { return push(VT_BYREF | VT_R8, x).pdblVal = x, *this; }
    EventArgs& ref(BSTR* x) { return push(VT_BYREF | VT_BSTR, x).pbstrVal = x, *this; }
    EventArgs& ref(IDispatch** x) { return push(VT_BYREF | VT_DISPATCH, x).ppdispVal = x, *this; }
    EventArgs& refBool(VARIANT_BOOL* x) { return push(VT_BYREF | VT_BOOL, x).pboolVal = x, *this; }

    UINT count() const noexcept { return count_; }
    // A by-reference argument was given a null pointer (a caller error: nothing to point at).
    bool hasNullReference() const noexcept { return nullReference_; }
    // The arguments in rgvarg order (last argument first).
    VARIANTARG* reversed() noexcept {
        for (UINT i = 0; i < count_; ++i) rev_[i] = args_[count_ - 1 - i];
        return rev_;
    }

private:
    static constexpr UINT kMax = 16;
    VARIANT& push(VARTYPE vt, const void* reference) {
        if (!reference) nullReference_ = true;
        return push(vt);
    }
    VARIANT& push(VARTYPE vt) {
        VARIANT& v = args_[count_ < kMax ? count_++ : kMax - 1];
        VariantInit(&v);
        V_VT(&v) = vt;
        return v;
    }
    VARIANT args_[kMax];
    VARIANT rev_[kMax];
    UINT count_ = 0;
    bool nullReference_ = false;
};

// Mixin for ComObject: IConnectionPointContainer with one connection point for the class's
// source interface, and IProvideClassInfo2 so that script hosts can find that interface.
// Derived supplies kClsid (coclass) and kEventIid (source dispinterface) as static members and
// Lib::typeLib() through its ComObject base.
template <class Derived, class Lib>
class EventSource : public IConnectionPointContainer, public IProvideClassInfo2 {
public:
    void* castTo(REFIID riid) noexcept {
        if (riid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
        if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2) return static_cast<IProvideClassInfo2*>(this);
        return nullptr;
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != Derived::kEventIid) return CONNECT_E_NOCONNECTION;
        *out = &point_;
        point_.AddRef();
        return S_OK;
    }
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override {
        if (!info) return E_POINTER;
        return Lib::typeLib().typeInfo(Derived::kClsid, info);
    }
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override {
        if (!guid) return E_POINTER;
        *guid = GUID_NULL;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *guid = Derived::kEventIid;
        return S_OK;
    }

protected:
    EventSource() noexcept : point_(static_cast<IConnectionPointContainer*>(this), Derived::kEventIid) {}
    void raiseEvent(DISPID id, VARIANTARG* args, UINT count) noexcept { point_.fire(id, args, count); }
    void raiseEvent(DISPID id, EventArgs& args) noexcept { point_.fire(id, args.reversed(), args.count()); }
    void raiseEvent(DISPID id) noexcept { point_.fire(id, nullptr, 0); }
    size_t connectedSinks() const noexcept { return point_.sinkCount(); }

private:
    ConnectionPoint point_;
};

// An enumerator over one connection point (the only one an event object has).
HRESULT enumSinglePoint(IConnectionPoint* point, IEnumConnectionPoints** out) noexcept;

template <class Derived, class Lib>
STDMETHODIMP EventSource<Derived, Lib>::EnumConnectionPoints(IEnumConnectionPoints** out) {
    return enumSinglePoint(&point_, out);
}

}  // namespace orvi::com
