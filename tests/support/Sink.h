// A C++ event sink: a plain IDispatch advised on an event object's connection point. It records
// every event (DISPID, each argument's variant type, whether it came by reference, its value)
// and can answer through by-reference arguments with a handler per event. Events are named as the
// source interface names them: their DISPIDs come from its type information.
#pragma once
#include <ocidl.h>

#include <functional>
#include <map>
#include <string>
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

    // The DISPID of an event of the connected interface, by name (fails the test at the caller's
    // line when there is none).
    DISPID id(const wchar_t* event, Where where = Where::current()) const;
    void on(const wchar_t* event, Handler h, Where where = Where::current()) { handlers_[id(event, where)] = std::move(h); }
    void failWith(HRESULT hr) { failHr_ = hr; }
    const std::vector<EventCall>& events() const { return events_; }
    std::vector<DISPID> ids() const;
    // The names of the events received, in order.
    std::vector<std::wstring> names() const;
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
    // The events of the connected source interface, read from its type information when
    // connecting (the type information itself is not kept: it may be an object of the library).
    std::map<std::wstring, DISPID, std::less<>> eventIds_;
    DWORD cookie_ = 0;
    std::map<DISPID, Handler> handlers_;
    HRESULT failHr_ = S_OK;
    std::vector<EventCall> events_;
};

// The type information of an object's source interface `events`, from the object's own type
// library (fails the test when it cannot be had).
ComPtr<ITypeInfo> eventsInfo(IUnknown* source, REFIID events, Where where = Where::current());
// The DISPID of a member of an interface, by name; DISPID_UNKNOWN when there is none.
DISPID memberId(ITypeInfo* info, const wchar_t* name);
// Every member of an interface by name.
std::map<std::wstring, DISPID, std::less<>> memberIds(ITypeInfo* info);

}  // namespace testkit
