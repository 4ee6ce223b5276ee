// The plug-in DLL's entry points: its class factory and its registration (class and ProgID,
// under HKLM\Software\Classes, in-process, apartment-threaded).
#include <windows.h>

#include <new>

#include "SamplePlugin.h"
#include "hostkit/PluginModule.h"

namespace {

HMODULE module = nullptr;
volatile LONG locks = 0;

// Returns the new plug-in with its one reference, or null when memory is short.
struct MakePlugin {
    plugin::SamplePlugin* operator()() const { return new (std::nothrow) plugin::SamplePlugin(); }
};

plugkit::StaticFactory<MakePlugin> factory(MakePlugin{}, &locks);

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (clsid != plugin::CLSID_SamplePlugin) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
    return plugin::liveObjects == 0 && locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return plugkit::registerClass(module, plugin::CLSID_SamplePlugin, plugin::kProgId, L"Sample plug-in");
}

STDAPI DllUnregisterServer() {
    plugkit::unregisterClass(plugin::CLSID_SamplePlugin, plugin::kProgId);
    return S_OK;
}
