// A sample plug-in, written the way a plug-in author writes one: it sinks the bill event
// object's events and drives the form back through the object model, everything late-bound by
// name. It adds an "Approve" button to the form's toolbar, approves the bill under a network
// lock when the button is clicked, refuses the first save, and raises the check level.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>

#include "com/LateCall.h"

namespace demo {

using orvi::com::ComPtr;

void say(const std::wstring& line);

class SamplePlugin final : public IDispatch {
public:
    static ComPtr<SamplePlugin> create();
    void connect(IDispatch* billEvent);
    void disconnect();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    SamplePlugin() = default;
    ~SamplePlugin() = default;
    void onMenuBarInitialize(IDispatch* menuBar);
    void onMenuBarClick(IDispatch* tool, VARIANT_BOOL* cancel);
    void onBeforeSave(VARIANT_BOOL* cancel);
    void onBeforeMultiCheck(long* checkLevel);

    volatile LONG refs_ = 1;
    ComPtr<IDispatch> event_;  // the bill event object, held while connected
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    int saves_ = 0;
};

}  // namespace demo
