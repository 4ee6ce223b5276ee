#include "SamplePlugin.h"

#include "OrviClassEvents.h"
#include "com/ComObject.h"

namespace demo {

using orvi::com::Arg;
using orvi::com::Bstr;
using orvi::com::ComError;
using orvi::com::Variant;
namespace late = orvi::com;

void say(const std::wstring& line) {
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), utf8.data(), n, nullptr, nullptr);
    std::fputs((utf8 + "\n").c_str(), stdout);
    std::fflush(stdout);
}

static std::wstring text(const Variant& v) {
    return orvi::com::toString(v.get());
}
static IDispatch* object(const Variant& v) {
    return V_VT(&v.get()) == VT_DISPATCH ? V_DISPATCH(&v.get()) : nullptr;
}

ComPtr<SamplePlugin> SamplePlugin::create() {
    return orvi::com::adopt(new SamplePlugin());
}

STDMETHODIMP_(ULONG) SamplePlugin::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return ULONG(n);
}

STDMETHODIMP SamplePlugin::QueryInterface(REFIID riid, void** ppv) {
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != DIID___BillEvent) return *ppv = nullptr, E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

void SamplePlugin::connect(IDispatch* billEvent) {
    event_ = billEvent;
    ComPtr<IConnectionPointContainer> container;
    billEvent->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()));
    container->FindConnectionPoint(DIID___BillEvent, point_.GetAddressOf());
    point_->Advise(static_cast<IDispatch*>(this), &cookie_);
}

void SamplePlugin::disconnect() {
    if (point_) point_->Unadvise(cookie_);
    point_.Reset();
    event_.Reset();
}

STDMETHODIMP SamplePlugin::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    // Arguments arrive last first.
    auto arg = [&](UINT i) -> VARIANT& { return params->rgvarg[params->cArgs - 1 - i]; };
    try {
        switch (id) {
        case 2: onMenuBarInitialize(V_DISPATCH(&arg(0))); break;           // MenuBarInitialize(oMenuBar)
        case 5: onMenuBarClick(V_DISPATCH(&arg(0)), V_BOOLREF(&arg(1))); break;  // MenuBarClick(VeskTool, Cancel)
        case 8: onBeforeSave(V_BOOLREF(&arg(0))); break;                  // BeforeSave(bCancel)
        case 32: onBeforeMultiCheck(V_I4REF(&arg(3))); break;             // BeforeMultiCheck(..., lCheckLevel, ...)
        default: break;
        }
    } catch (const ComError& e) {
        say(L"  [plug-in] error " + std::to_wstring(unsigned(e.hr())) + L": " + e.description() + L" (" + e.source() + L")");
    }
    return S_OK;
}

void SamplePlugin::onMenuBarInitialize(IDispatch* menuBar) {
    // A new tool with the first free ID, placed after "Save" on the band "Standard".
    Variant tools = late::get(menuBar, L"VeskTools");
    long freeId = orvi::com::toLong(late::call(object(tools), L"GetFreeToolID").get());
    Variant tool = late::call(object(tools), L"Add", {L"Approve"});
    late::put(object(tool), L"Caption", Arg(L"审核"));
    late::put(object(tool), L"TooltipText", Arg(L"Approve this bill"));
    Variant bands = late::get(menuBar, L"VeskBands");
    Variant band = late::call(object(bands), L"Item", {L"Standard"});
    Variant bandTools = late::get(object(band), L"VeskTools");
    late::call(object(bandTools), L"InsertAfter", {L"Save", Arg::ref(tool)});
    long count = orvi::com::toLong(late::get(object(bandTools), L"Count").get());
    say(L"  [plug-in] MenuBarInitialize: added tool \"Approve\" with ID " + std::to_wstring(freeId) +
        L" after \"Save\" on band Standard (" + std::to_wstring(count) + L" tools now)");
}

void SamplePlugin::onMenuBarClick(IDispatch* tool, VARIANT_BOOL* cancel) {
    std::wstring name = text(late::get(tool, L"ToolName"));
    say(L"  [plug-in] MenuBarClick on \"" + name + L"\"");
    if (name != L"Approve") return;
    Variant qel = late::get(event_.Get(), L"QelLib");
    Variant user = late::get(object(qel), L"User");
    Variant account = late::get(object(qel), L"Account");
    say(L"  [plug-in] operator " + text(late::get(object(user), L"UserName")) + L" (ID " +
        text(late::get(object(user), L"UserID")) + L"), account set " + text(late::get(object(account), L"AccountName")));
    Variant net = late::get(object(qel), L"Net");
    long task = orvi::com::toLong(late::call(object(net), L"BeginMutex", {1L, L"  SO_APPROVE  "}).get());
    say(L"  [plug-in] network lock on SO_APPROVE granted: task " + std::to_wstring(task));
    late::put(event_.Get(), L"ReSaveSuccess", Arg::boolean(VARIANT_TRUE));
    bool committed = orvi::com::toBool(late::call(object(net), L"CommitMutex", {task}).get());
    say(L"  [plug-in] approved bill " + text(late::get(event_.Get(), L"CurBillID")) + L"; lock released: " +
        (committed ? L"yes" : L"no"));
    *cancel = VARIANT_FALSE;
}

void SamplePlugin::onBeforeSave(VARIANT_BOOL* cancel) {
    if (++saves_ == 1) {
        *cancel = VARIANT_TRUE;
        say(L"  [plug-in] BeforeSave: refused (approve the bill first)");
    } else {
        say(L"  [plug-in] BeforeSave: allowed");
    }
}

void SamplePlugin::onBeforeMultiCheck(long* checkLevel) {
    say(L"  [plug-in] BeforeMultiCheck: check level " + std::to_wstring(*checkLevel) + L" raised to " +
        std::to_wstring(*checkLevel + 1));
    *checkLevel += 1;
}

}  // namespace demo
