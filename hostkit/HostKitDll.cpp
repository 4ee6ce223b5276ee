// OrviHostKit.dll: the host kit's classes for scripts and hosts, created by ProgID.
#include <windows.h>

#include "Pyx.h"
#include "com/Server.h"
#include "hostkit/FakeHost.h"
#include "hostkit/LockService.h"
#include "hostkit/MessageKit.h"
#include "hostkit/PyxContainers.h"
#include "hostkit/SessionKit.h"
#include "hostkit/SimBill.h"
#include "hostkit/SimList.h"
#include "hostkit/ToolbarKit.h"

namespace {

using orvi::com::ClassEntry;
using orvi::com::createInstance;

const ClassEntry kClasses[] = {
    {&CLSID_PyxDictionary, L"Pyx.Dictionary", createInstance<hostkit::PyxDictionary>},
    {&CLSID_PyxVector, L"Pyx.Vector", createInstance<hostkit::PyxVector>},
    {&CLSID_FakeHost, L"OrviHostKit.FakeHost", createInstance<hostkit::FakeHost>},
    {&CLSID_SimBill, L"OrviHostKit.SimBill", createInstance<hostkit::SimBill>},
    {&CLSID_SimList, L"OrviHostKit.SimList", createInstance<hostkit::SimList>},
    {&CLSID_SimBrowse, L"OrviHostKit.SimBrowse", createInstance<hostkit::SimBrowse>},
    // Session services of the client, under the ProgIDs the library creates them by.
    {&CLSID_ShareProps, L"OrviPropsMgr.ShareProps", hostkit::createKitObject<hostkit::PropsStore>},
    {&CLSID_OrviResLoader, L"OrviResLoader.Loader", hostkit::createKitObject<hostkit::OrviTextLoader>},
    {&CLSID_QelResLoader, L"QelResLoader.Loader", hostkit::createKitObject<hostkit::QelTextLoader>},
    {&CLSID_ClassInfo, L"OrviMClass.ClassInfo", hostkit::createKitObject<hostkit::MiddleTierInfo>},
    {&CLSID_ClassUpdate, L"OrviMClass.ClassUpdate", hostkit::createKitObject<hostkit::MiddleTierUpdate>},
    {&CLSID_LoginSession, L"OrviHostKit.Login", hostkit::createKitObject<hostkit::LoginObject>},
    {&CLSID_KitControl, L"OrviHostKit.SessionKit", createInstance<hostkit::SessionControl>},
    // The client's message component, and the control object of the message kit.
    {&CLSID_CMessage, L"OrviMessage.CMessage", hostkit::createMessageComponent},
    {&CLSID_MessageKitControl, L"OrviHostKit.MessageKit", createInstance<hostkit::MessageControl>},
    {&CLSID_Toolbar, L"OrviHostKit.Toolbar", hostkit::createToolbar},
};

const orvi::com::TypeLibDesc* const kLibs[] = {&hostkit::HostKitLibrary::typeLib(), &hostkit::PyxLibrary::typeLib(),
                                               &hostkit::SessionKitLibrary::typeLib(),
                                               &hostkit::MessageKitLibrary::typeLib(), nullptr};
const orvi::com::ServerDesc kServer = {kLibs, kClasses, sizeof kClasses / sizeof kClasses[0]};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
    return orvi::com::getClassObject(kServer, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() {
    return orvi::com::Module::canUnload() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return orvi::com::registerServer(kServer, false);
}

STDAPI DllUnregisterServer() {
    return orvi::com::unregisterServer(kServer, false);
}

STDAPI DllInstall(BOOL install, LPCWSTR cmdLine) {
    return orvi::com::installServer(kServer, install, cmdLine);
}

}  // extern "C"
