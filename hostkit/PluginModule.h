// What every plug-in DLL's entry points share: a class factory that lives as long as the DLL and
// the registration of an in-process, apartment-threaded class with its ProgID under
// HKLM\Software\Classes. Header-only, Windows SDK only, so that a plug-in built apart from this
// project (the sample plug-in) can include it.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>

namespace plugkit {

// `make()` returns a new object holding one reference, or null when memory is short; `locks`, if
// given, counts LockServer calls for DllCanUnloadNow.
template <class Make>
class StaticFactory final : public IClassFactory {
public:
    explicit StaticFactory(Make make, volatile LONG* locks = nullptr) : make_(make), locks_(locks) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = riid == IID_IUnknown || riid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    // The factory is static: its references do not count.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* p = make_();
        if (!p) return E_OUTOFMEMORY;
        HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (locks_) lock ? InterlockedIncrement(locks_) : InterlockedDecrement(locks_);
        return S_OK;
    }

private:
    Make make_;
    volatile LONG* locks_;
};

inline std::wstring guidText(const GUID& g) {
    wchar_t s[40] = {};
    StringFromGUID2(g, s, 40);
    return s;
}

// Sets a string value under HKLM (`name` null: the key's default value), creating the key.
inline LSTATUS setValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    LSTATUS rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return rc;
}

inline const wchar_t* const kClassesKey = L"Software\\Classes\\";

// Registers `clsid` as served by `module` under `progId`; `description`, where given, is the
// default value of the class's key and of the ProgID's.
inline HRESULT registerClass(HMODULE module, const CLSID& clsid, const wchar_t* progId,
                             const wchar_t* description = nullptr) {
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleFileNameW(module, path, MAX_PATH)) return HRESULT_FROM_WIN32(GetLastError());
    std::wstring guid = guidText(clsid);
    std::wstring classKey = kClassesKey + std::wstring(L"CLSID\\") + guid;
    std::wstring progKey = kClassesKey + std::wstring(progId);
    struct Entry {
        std::wstring key;
        const wchar_t* name;  // null: the key's default value
        std::wstring value;
    };
    const Entry entries[] = {
        {classKey + L"\\InprocServer32", nullptr, path},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", nullptr, progId},
        {progKey + L"\\CLSID", nullptr, guid},
    };
    LSTATUS rc = ERROR_SUCCESS;
    if (description) {
        rc = setValue(classKey, nullptr, description);
        if (rc == ERROR_SUCCESS) rc = setValue(progKey, nullptr, description);
    }
    for (const Entry& e : entries)
        if (rc == ERROR_SUCCESS) rc = setValue(e.key, e.name, e.value);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
}

inline void unregisterClass(const CLSID& clsid, const wchar_t* progId) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClassesKey + std::wstring(L"CLSID\\") + guidText(clsid)).c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kClassesKey + std::wstring(progId)).c_str());
}

}  // namespace plugkit
