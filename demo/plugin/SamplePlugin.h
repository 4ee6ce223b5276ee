// The sample plug-in (OrviDemo.SamplePlugin): one object a form hands each of its event objects
// to. Connect finds which of the three event interfaces the object offers and sinks it through
// its connection point; from then on the plug-in answers the form's events and drives the form
// back through the event object, late-bound by name:
//
//   bill form       adds "Approve" to the toolbar; the click takes a network lock on the bill,
//                   reads and writes fields (by key and through the layout model), and keeps the
//                   lock until the bill is saved; a save before approval is vetoed; small bills
//                   skip the first check level and every check sends a message
//   bill list form  adds "CreditCheck"; the click checks the current row's customer against the
//                   credit limits read from the middle tier; rows are coloured by amount
//   base-data form  adds "Electronics"; the click selects that class group and an item in it;
//                   its items' rows are coloured
//
// Members through IDispatch: Connect(EventObject), Disconnect(), Connections (a Long).
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "Automation.h"

namespace plugin {

// {0BD85432-6354-4C2B-A6D7-82C2297BDC7A}
extern const CLSID CLSID_SamplePlugin;
inline constexpr const wchar_t* kProgId = L"OrviDemo.SamplePlugin";

// Objects of this DLL alive, and server locks (DllCanUnloadNow).
extern volatile LONG liveObjects;

class Connection;

class SamplePlugin final : public IDispatch {
public:
    SamplePlugin();

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* n) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                        UINT* argErr) override;

private:
    ~SamplePlugin();
    void connect(IDispatch* eventObject);
    void disconnect();

    volatile LONG refs_ = 1;
    std::vector<Connection*> connections_;  // owned references
};

}  // namespace plugin
