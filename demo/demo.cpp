// The demo host: a simulated bill form session driven the way the client's bill form drives the
// library, with the sample plug-in connected.
//
//   orvi-demo.exe [OrviClassEvents.dll OrviHostKit.dll]   (registers the DLLs it is given first)
#include <windows.h>

#include <cstdio>

#include "OrviClassEvents.h"
#include "SamplePlugin.h"
#include "com/ComObject.h"
#include "hostkit/SessionKit.h"
#include "hostkit/SimBill.h"
#include "hostkit/ToolbarKit.h"

using namespace demo;
using orvi::com::Arg;
using orvi::com::ComError;
using orvi::com::Variant;
namespace late = orvi::com;

namespace {

bool registerDll(const char* path) {
    HMODULE dll = LoadLibraryA(path);
    auto reg = dll ? reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(dll, "DllRegisterServer")) : nullptr;
    HRESULT hr = reg ? reg() : E_FAIL;
    if (dll) FreeLibrary(dll);
    std::printf("registered %s: %s\n", path, SUCCEEDED(hr) ? "ok" : "FAILED");
    return SUCCEEDED(hr);
}

std::wstring text(const Variant& v) {
    return orvi::com::toString(v.get());
}

long liveLibraryObjects() {
    HMODULE lib = GetModuleHandleW(L"OrviClassEvents.dll");
    auto count = lib ? reinterpret_cast<LONG(WINAPI*)()>(GetProcAddress(lib, "OrviLiveObjectCount")) : nullptr;
    return count ? count() : 0;
}

void run() {
    // The client's login has published the session in the shared property store.
    hostkit::SessionHost session;
    session.set(L"PropsString", L"UserID=7;UserName=wang;Language=CHS;AcctID=3");
    session.set(L"UserName", L"王工");
    session.set(L"AcctName", L"演示账套");
    session.set(L"AcctID", L"3");
    ComPtr<IDispatch> login;
    CLSID loginClass;
    CLSIDFromProgID(L"OrviHostKit.Login", &loginClass);
    CoCreateInstance(loginClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(login.GetAddressOf()));
    session.set(L"OrviLogin", login.Get());

    // The bill form creates its event object and the plug-in connects to it.
    say(L"host: creating OrviClassEvents.BillEvent");
    CLSID clsid;
    CLSIDFromProgID(L"OrviClassEvents.BillEvent", &clsid);
    ComPtr<IDispatch> ev;
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(ev.GetAddressOf())));
    ComPtr<SamplePlugin> plugin = SamplePlugin::create();
    plugin->connect(ev.Get());

    // Binding: the form hands over its bill control.
    hostkit::SampleBill bill = hostkit::buildSampleBill();
    late::put(ev.Get(), L"BillCtl", Arg(static_cast<IDispatch*>(bill.billCtl.Get())));
    say(L"host: bill bound");
    for (const wchar_t* p : {L"FID", L"BillName", L"TableName", L"PrimaryKey", L"EntryPrimaryKey", L"ClassTypeKey",
                             L"LayerNames", L"LayerCount", L"ShowType", L"BillHeight", L"BillWidth", L"BillStatus",
                             L"CurBillID"})
        say(std::wstring(L"  ") + p + L" = " + text(late::get(ev.Get(), p)));
    Variant pages = late::get(ev.Get(), L"ClassTypeEntry");
    long last = orvi::com::toLong(late::get(V_DISPATCH(&pages.get()), L"UpperBound").get());
    for (long p = 1; p <= last; ++p) {
        Variant page = late::call(V_DISPATCH(&pages.get()), L"Item", {p});
        say(L"  page " + std::to_wstring(p) + L": " + text(late::call(V_DISPATCH(&page.get()), L"Item", {L"FTableName"})) +
            L" (FEntryType " + text(late::call(V_DISPATCH(&page.get()), L"Item", {L"FEntryType"})) + L")");
    }

    // The toolbar is ready: the plug-in gets its MenuBar.
    auto toolbar = hostkit::newToolbar();
    auto standard = toolbar->bands().add(L"Standard");
    for (auto [id, name] : {std::pair{1L, L"New"}, std::pair{2L, L"Save"}, std::pair{3L, L"Print"}}) {
        auto tool = toolbar->tools().add(id, name);
        standard->tools().insert(-1, tool.Get());
    }
    say(L"host: FireBarInitialize");
    late::call(ev.Get(), L"FireBarInitialize", {static_cast<IDispatch*>(toolbar.Get())});
    std::wstring order;
    for (size_t i = 0; i < standard->tools().size(); ++i) order += (i ? L", " : L"") + standard->tools().at(i)->name();
    say(L"host: band Standard now holds: " + order);

    // The user clicks the plug-in's button.
    hostkit::ToolbarTool* approve = nullptr;
    for (size_t i = 0; i < standard->tools().size(); ++i)
        if (standard->tools().at(i)->name() == L"Approve") approve = standard->tools().at(i);
    if (!approve) {
        say(L"host: the plug-in's tool is not on the band");
        return;
    }
    VARIANT_BOOL cancel = VARIANT_FALSE;
    say(L"host: FireBarClick on \"Approve\"");
    late::call(ev.Get(), L"FireBarClick", {static_cast<IDispatch*>(approve), Arg::refBool(cancel)});

    // Saving: the plug-in refuses the first attempt.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        cancel = VARIANT_FALSE;
        say(L"host: FireBeforeSave (attempt " + std::to_wstring(attempt) + L")");
        late::call(ev.Get(), L"FireBeforeSave", {Arg::refBool(cancel)});
        say(std::wstring(L"host: save ") + (cancel ? L"cancelled by the plug-in" : L"goes ahead"));
    }

    // Multi-level check: the plug-in changes the level the host goes on with.
    long level = 1;
    VARIANT_BOOL stop = VARIANT_FALSE;
    say(L"host: FireBeforeMultiCheck at level 1");
    late::call(ev.Get(), L"FireBeforeMultiCheck", {1L, 3L, 1L, Arg::ref(level), 0L, 0L, 0L, Arg::refBool(stop)});
    say(L"host: checking at level " + std::to_wstring(level));

    plugin->disconnect();
    session.clear();
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (!registerDll(argv[i])) return 1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int rc = 0;
    try {
        run();
    } catch (const ComError& e) {
        say(L"host: error 0x" + std::to_wstring(unsigned(e.hr())) + L" " + e.description() + L" (" + e.source() + L")");
        rc = 1;
    }
    CoFreeUnusedLibraries();
    say(L"host: objects of the library still alive: " + std::to_wstring(liveLibraryObjects()));
    CoUninitialize();
    return rc;
}
