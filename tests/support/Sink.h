// A C++ event sink: a plain IDispatch advised on an event object's connection point. It records
// every event (DISPID, each argument's variant type, whether it came by reference, its value)
// and can answer through by-reference arguments with a handler per DISPID.
#pragma once
#include <ocidl.h>

#include <functional>
#include <map>
#include <vector>

#include "Late.h"

namespace testkit {

struct EventArg {
    VARTYPE vt;  // as received, VT_BYREF included
    Variant value;
    bool byRef() const { return (vt & VT_BYREF) != 0; }
};

struct EventCall {
    DISPID id;
    std::vector<EventArg> args;  // declaration order
};

class Sink final : public IDispatch {
public:
    // Handler: receives the raw arguments in declaration order (write through VT_BYREF).
    using Handler = std::function<void(std::vector<VARIANT*>& args)>;

    static ComPtr<Sink> create();

    // Advise/unadvise on the object's connection point for `iid` (REQUIREs success).
    void connect(IUnknown* source, REFIID iid);
    void disconnect();
    DWORD cookie() const { return cookie_; }

    void on(DISPID id, Handler h) { handlers_[id] = std::move(h); }
    void failWith(HRESULT hr) { failHr_ = hr; }
    const std::vector<EventCall>& events() const { return events_; }
    std::vector<DISPID> ids() const;
    void clear() { events_.clear(); }
    ULONG refs() const { return ULONG(refs_); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) override;

private:
    Sink() = default;
    ~Sink();
    volatile LONG refs_ = 1;
    IID iid_ = IID_NULL;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    std::map<DISPID, Handler> handlers_;
    HRESULT failHr_ = S_OK;
    std::vector<EventCall> events_;
};

}  // namespace testkit
