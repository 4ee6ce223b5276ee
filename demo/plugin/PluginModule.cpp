// The plug-in DLL's entry points: its class factory and its registration (class and ProgID,
// under HKLM\Software\Classes, in-process, apartment-threaded).
#include <windows.h>

#include <new>
#include <string>

#include "SamplePlugin.h"

namespace {

HMODULE module = nullptr;
volatile LONG locks = 0;

class Factory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references do not count.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        plugin::SamplePlugin* p = new (std::nothrow) plugin::SamplePlugin();
        if (!p) return E_OUTOFMEMORY;
        HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        lock ? InterlockedIncrement(&locks) : InterlockedDecrement(&locks);
        return S_OK;
    }
};

Factory factory;

std::wstring guidText(const GUID& g) {
    wchar_t s[40] = {};
    StringFromGUID2(g, s, 40);
    return s;
}

LSTATUS setValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc;
}

const std::wstring classesKey = L"Software\\Classes\\";

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
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(module, path, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
    std::wstring clsid = guidText(plugin::CLSID_SamplePlugin);
    std::wstring classKey = classesKey + L"CLSID\\" + clsid;
    std::wstring progKey = classesKey + plugin::kProgId;
    struct Entry {
        std::wstring key;
        const wchar_t* name;  // null: the key's default value
        std::wstring value;
    };
    const Entry entries[] = {
        {classKey, nullptr, L"Sample plug-in"},
        {classKey + L"\\InprocServer32", nullptr, path},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", nullptr, plugin::kProgId},
        {progKey, nullptr, L"Sample plug-in"},
        {progKey + L"\\CLSID", nullptr, clsid},
    };
    LSTATUS rc = ERROR_SUCCESS;
    for (const Entry& e : entries)
        if (rc == ERROR_SUCCESS) rc = setValue(e.key, e.name, e.value);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

STDAPI DllUnregisterServer() {
    std::wstring clsid = guidText(plugin::CLSID_SamplePlugin);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classesKey + L"CLSID\\" + clsid).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (classesKey + plugin::kProgId).c_str());
    return S_OK;
}
