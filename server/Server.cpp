// The in-process server: class table, type library and the DLL entry points.
#include <windows.h>
#include <olectl.h>

#include "base/Library.h"
#include "bill/BillEvent.h"
#include "com/LateCall.h"
#include "com/Server.h"
#include "host/MSession.h"
#include "layout/BillEntry.h"
#include "layout/BillEntrys.h"
#include "layout/BillHead.h"
#include "layout/BillHeads.h"
#include "layout/VeskField.h"
#include "layout/VeskFields.h"
#include "list/BaseClassEvent.h"
#include "list/ListEvents.h"
#include "list/Net.h"
#include "menubar/MenuBar.h"
#include "menubar/VeskBand.h"
#include "menubar/VeskBands.h"
#include "menubar/VeskTool.h"
#include "menubar/VeskTools.h"
#include "session/Account.h"
#include "session/QelLib.h"
#include "session/User.h"

namespace orvi {

const com::TypeLibDesc& OrviLibrary::typeLib() noexcept {
    static const com::TypeLibDesc lib(LIBID_OrviClassEvents, 2, 1, 1);
    return lib;
}

namespace {

using com::ClassEntry;
using com::createInstance;

// Every class is registered with its ProgID; only the creatable ones have a factory.
const ClassEntry kClasses[] = {
    {&CLSID_BillEvent, L"OrviClassEvents.BillEvent", createInstance<BillEvent>},
    {&CLSID_ListEvents, L"OrviClassEvents.ListEvents", createInstance<ListEvents>},
    {&CLSID_BaseClassEvent, L"OrviClassEvents.BaseClassEvent", createInstance<BaseClassEvent>},
    {&CLSID_BillHeads, L"OrviClassEvents.BillHeads", nullptr},
    {&CLSID_BillHead, L"OrviClassEvents.BillHead", createInstance<BillHead>},
    {&CLSID_BillEntrys, L"OrviClassEvents.BillEntrys", nullptr},
    {&CLSID_BillEntry, L"OrviClassEvents.BillEntry", createInstance<BillEntry>},
    {&CLSID_VeskFields, L"OrviClassEvents.VeskFields", nullptr},
    {&CLSID_VeskField, L"OrviClassEvents.VeskField", createInstance<VeskField>},
    {&CLSID_QelLib, L"OrviClassEvents.QelLib", nullptr},
    {&CLSID_Account, L"OrviClassEvents.Account", nullptr},
    {&CLSID_User, L"OrviClassEvents.User", nullptr},
    {&CLSID_Net, L"OrviClassEvents.Net", nullptr},
    {&CLSID_MenuBar, L"OrviClassEvents.MenuBar", nullptr},
    {&CLSID_VeskBands, L"OrviClassEvents.VeskBands", nullptr},
    {&CLSID_VeskBand, L"OrviClassEvents.VeskBand", nullptr},
    {&CLSID_VeskTools, L"OrviClassEvents.VeskTools", nullptr},
    {&CLSID_VeskTool, L"OrviClassEvents.VeskTool", nullptr},
};

const com::TypeLibDesc* const kLibs[] = {&OrviLibrary::typeLib(), nullptr};
const com::ServerDesc kServer = {kLibs, kClasses, sizeof kClasses / sizeof kClasses[0]};

}  // namespace
}  // namespace orvi

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // A thread's session state goes with the last object of the library it holds.
        orvi::com::Module::onThreadIdle(&orvi::session::ReleaseThreadSession);
        orvi::com::Module::onThreadIdle(&orvi::com::releaseThreadNames);
    } else if (reason == DLL_PROCESS_DETACH) {
        orvi::session::ShutdownSessions();
        orvi::com::releaseAllNames();
        orvi::com::Module::shutdown();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    return orvi::com::getClassObject(orvi::kServer, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() {
    return orvi::com::Module::canUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return orvi::com::registerServer(orvi::kServer, false);
}

STDAPI DllUnregisterServer() {
    return orvi::com::unregisterServer(orvi::kServer, false);
}

STDAPI DllInstall(BOOL install, LPCWSTR cmdLine) {
    return orvi::com::installServer(orvi::kServer, install, cmdLine);
}

// For installers that write the registration as registry rows of their own (tools/msi): each
// value DllRegisterServer writes below Software\Classes, for this DLL installed as `file` in the
// folder `dir` and registered for `platform` ("win32" or "win64"), one call of `row` each, the
// key's default value with an empty name.
using OrviRegistryRowFn = void(CALLBACK*)(void* context, LPCWSTR key, LPCWSTR name, LPCWSTR value);
HRESULT WINAPI OrviRegistryRows(LPCWSTR file, LPCWSTR dir, LPCWSTR platform, OrviRegistryRowFn row, void* context) {
    if (!file || !dir || !platform || !row) return E_POINTER;
    if (lstrcmpW(platform, L"win32") != 0 && lstrcmpW(platform, L"win64") != 0) return E_INVALIDARG;
    try {
        std::vector<orvi::com::RegistryRow> rows;
        HRESULT hr = orvi::com::registryRows(orvi::kServer, file, dir, platform, rows);
        if (FAILED(hr)) return hr;
        for (const auto& r : rows) row(context, r.key.c_str(), r.name.c_str(), r.value.c_str());
        return S_OK;
    } catch (...) {
        return orvi::com::failureHresult();
    }
}

// Diagnostics for tests and hosts: the number of live objects of this library.
LONG WINAPI OrviLiveObjectCount() {
    return orvi::com::Module::objectCount();
}

}  // extern "C"
