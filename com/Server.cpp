#include "Server.h"

#include <olectl.h>

#include <new>
#include <string>
#include <vector>

#include "Errors.h"
#include "Module.h"
#include "Unknown.h"

namespace orvi::com {

namespace {

class ClassFactory final : public Unknown<ClassFactory, IClassFactory> {
public:
    explicit ClassFactory(HRESULT (*create)(REFIID, void**)) : create_(create) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        Module::lock(lock != FALSE);
        return S_OK;
    }

private:
    HRESULT (*create_)(REFIID, void**);
};

std::wstring guidText(const GUID& g) {
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

HKEY rootKey(bool perUser, HKEY* opened) {
    *opened = nullptr;
    LONG r = RegCreateKeyExW(perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr, 0,
                             KEY_ALL_ACCESS, nullptr, opened, nullptr);
    return r == ERROR_SUCCESS ? *opened : nullptr;
}

LONG setValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k = nullptr;
    LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
    if (r != ERROR_SUCCESS) return r;
    r = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    return r;
}

LONG deleteTree(HKEY root, const std::wstring& key) {
    LONG r = RegDeleteTreeW(root, key.c_str());
    if (r == ERROR_SUCCESS) r = RegDeleteKeyW(root, key.c_str());
    return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

// Deletes a key only if nothing is left below it.
void deleteIfEmpty(HKEY root, const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    DWORD subkeys = 0, values = 0;
    RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(k);
    if (subkeys == 0 && values == 0) RegDeleteKeyW(root, key.c_str());
}

struct LibInfo {
    std::wstring libid, version, name;
    std::vector<std::pair<std::wstring, std::wstring>> interfaces;  // {iid}, name
};

HRESULT describe(const TypeLibDesc& desc, LibInfo& out) {
    ITypeLib* lib = nullptr;
    HRESULT hr = desc.raw(&lib);
    if (FAILED(hr)) return hr;
    out.libid = guidText(desc.libid());
    out.version = std::to_wstring(desc.major()) + L"." + std::to_wstring(desc.minor());
    BSTR name = nullptr;
    lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    out.name = name ? name : L"";
    SysFreeString(name);
    for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info))) continue;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            bool automation = attr->typekind == TKIND_DISPATCH ||
                              (attr->typekind == TKIND_INTERFACE &&
                               (attr->wTypeFlags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)));
            if (automation && attr->guid != GUID_NULL) {
                BSTR iname = nullptr;
                info->GetDocumentation(MEMBERID_NIL, &iname, nullptr, nullptr, nullptr);
                out.interfaces.emplace_back(guidText(attr->guid), iname ? iname : L"");
                SysFreeString(iname);
            }
            info->ReleaseTypeAttr(attr);
        }
        info->Release();
    }
    return S_OK;
}

constexpr const wchar_t* kAutomationMarshaller = L"{00020424-0000-0000-C000-000000000046}";
#ifdef _WIN64
constexpr const wchar_t* kPlatform = L"win64";
constexpr const wchar_t* kOtherPlatform = L"win32";
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr const wchar_t* kPlatform = L"win32";
constexpr const wchar_t* kOtherPlatform = L"win64";
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// Registration of both builds side by side. A 64-bit system keeps two views of the classes
// root: CLSID keys are per view, while TypeLib and ProgID keys (and, depending on the system,
// Interface keys) are one key seen from both. Unregistering one build must not take away a
// shared key that the other build's registration still relies on.

std::wstring classesPath(const std::wstring& key) {
    return L"Software\\Classes\\" + key;
}

bool keyExists(HKEY root, const std::wstring& key, REGSAM view = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// Whether the other view of the classes root holds the key.
bool otherViewHas(HKEY hive, const std::wstring& key) {
    return keyExists(hive, classesPath(key), kOtherView);
}

// The registry's own name of an open key ("\REGISTRY\MACHINE\SOFTWARE\Classes\...", with the
// view's redirection in it), or "" when the system does not say.
std::wstring keyName(HKEY k) {
    using QueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query =
        reinterpret_cast<QueryKey>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey"));
    if (!query) return {};
    constexpr int kKeyNameInformation = 3;
    std::vector<BYTE> buf(4096);
    ULONG got = 0;
    if (query(k, kKeyNameInformation, buf.data(), ULONG(buf.size()), &got) < 0) return {};
    ULONG length = *reinterpret_cast<const ULONG*>(buf.data());
    return std::wstring(reinterpret_cast<const wchar_t*>(buf.data() + sizeof(ULONG)), length / sizeof(wchar_t));
}

// Whether both views see one and the same key.
bool sharedByBothViews(HKEY hive, const std::wstring& key) {
    std::wstring path = classesPath(key);
    HKEY own = nullptr, other = nullptr;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, &own) != ERROR_SUCCESS) return false;
    bool same = false;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | kOtherView, &other) == ERROR_SUCCESS) {
        std::wstring a = keyName(own), b = keyName(other);
        same = !a.empty() && lstrcmpiW(a.c_str(), b.c_str()) == 0;
        RegCloseKey(other);
    }
    RegCloseKey(own);
    return same;
}

}  // namespace

HRESULT getClassObject(const ServerDesc& server, REFCLSID clsid, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (size_t i = 0; i < server.classCount; ++i) {
        const ClassEntry& c = server.classes[i];
        if (*c.clsid != clsid) continue;
        if (!c.create) return CLASS_E_CLASSNOTAVAILABLE;
        auto* factory = new (std::nothrow) ClassFactory(c.create);
        if (!factory) return E_OUTOFMEMORY;
        HRESULT hr = factory->QueryInterface(riid, ppv);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT registryRows(const ServerDesc& server, const std::wstring& file, const std::wstring& dir,
                     const wchar_t* platform, std::vector<RegistryRow>& rows) noexcept {
    try {
        rows.clear();
        auto set = [&](const std::wstring& key, const wchar_t* name, const std::wstring& value) {
            rows.push_back({key, name ? name : L"", value});
        };
        std::wstring firstLib;
        std::wstring firstVersion;
        for (const TypeLibDesc* const* l = server.libs; *l; ++l) {
            LibInfo info;
            if (FAILED(describe(**l, info))) return SELFREG_E_TYPELIB;
            std::wstring lib = L"TypeLib\\" + info.libid + L"\\" + info.version;
            std::wstring libFile = file + ((*l)->resource() == 1 ? L"" : L"\\" + std::to_wstring((*l)->resource()));
            set(lib, nullptr, info.name);
            set(lib + L"\\0\\" + platform, nullptr, libFile);
            set(lib + L"\\FLAGS", nullptr, L"0");
            set(lib + L"\\HELPDIR", nullptr, dir);
            for (auto& [iid, name] : info.interfaces) {
                std::wstring key = L"Interface\\" + iid;
                set(key, nullptr, name);
                set(key + L"\\ProxyStubClsid", nullptr, kAutomationMarshaller);
                set(key + L"\\ProxyStubClsid32", nullptr, kAutomationMarshaller);
                set(key + L"\\TypeLib", nullptr, info.libid);
                set(key + L"\\TypeLib", L"Version", info.version);
            }
            if (firstLib.empty()) firstLib = info.libid, firstVersion = info.version;
        }
        for (size_t i = 0; i < server.classCount; ++i) {
            const ClassEntry& c = server.classes[i];
            std::wstring clsid = guidText(*c.clsid);
            std::wstring key = L"CLSID\\" + clsid;
            set(key, nullptr, c.progId);
            set(key + L"\\InprocServer32", nullptr, file);
            set(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
            set(key + L"\\ProgID", nullptr, c.progId);
            set(key + L"\\TypeLib", nullptr, firstLib);
            set(key + L"\\Version", nullptr, firstVersion);
            set(c.progId, nullptr, c.progId);
            set(std::wstring(c.progId) + L"\\CLSID", nullptr, clsid);
        }
        return S_OK;
    } catch (...) {
        return failureHresult();
    }
}

HRESULT registerServer(const ServerDesc& server, bool perUser) noexcept {
    try {
        HKEY root = nullptr;
        if (!rootKey(perUser, &root)) return SELFREG_E_CLASS;
        std::wstring path = Module::path();
        std::vector<RegistryRow> rows;
        HRESULT hr = registryRows(server, path, path.substr(0, path.find_last_of(L'\\')), kPlatform, rows);
        if (FAILED(hr)) {
            RegCloseKey(root);
            return hr;
        }
        LONG r = ERROR_SUCCESS;
        for (const RegistryRow& row : rows) {
            if (r == ERROR_SUCCESS) r = setValue(root, row.key, row.name.empty() ? nullptr : row.name.c_str(), row.value);
        }
        RegCloseKey(root);
        return r == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return failureHresult();
    }
}

HRESULT unregisterServer(const ServerDesc& server, bool perUser) noexcept {
    try {
        HKEY root = nullptr;
        if (!rootKey(perUser, &root)) return SELFREG_E_CLASS;
        const HKEY hive = perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        LONG r = ERROR_SUCCESS;
        auto del = [&](const std::wstring& key) {
            LONG d = deleteTree(root, key);
            if (r == ERROR_SUCCESS) r = d;
        };
        // The class keys belong to this view alone; they go first, so that what follows sees
        // only the other view's registration.
        for (size_t i = 0; i < server.classCount; ++i) del(L"CLSID\\" + guidText(*server.classes[i].clsid));
        for (size_t i = 0; i < server.classCount; ++i) {
            const ClassEntry& c = server.classes[i];
            bool otherNeedsIt = otherViewHas(hive, L"CLSID\\" + guidText(*c.clsid) + L"\\InprocServer32") &&
                                sharedByBothViews(hive, c.progId);
            if (!otherNeedsIt) del(c.progId);
        }
        for (const TypeLibDesc* const* l = server.libs; *l; ++l) {
            LibInfo info;
            if (FAILED(describe(**l, info))) continue;
            std::wstring lib = L"TypeLib\\" + info.libid;
            std::wstring version = lib + L"\\" + info.version;
            // One version key holds the path of each platform that registered it (0\win32 and
            // 0\win64 side by side); the key goes with the last of them.
            del(version + L"\\0\\" + kPlatform);
            deleteIfEmpty(root, version + L"\\0");
            bool otherRegistered = otherViewHas(hive, version + L"\\0\\" + kOtherPlatform);
            for (auto& [iid, name] : info.interfaces) {
                std::wstring key = L"Interface\\" + iid;
                if (!(otherRegistered && sharedByBothViews(hive, key))) del(key);
            }
            if (!keyExists(root, version + L"\\0")) del(version);
            deleteIfEmpty(root, lib);
        }
        // A per-user root may have had none of these before registration created them.
        for (const wchar_t* parent : {L"CLSID", L"Interface", L"TypeLib"}) deleteIfEmpty(root, parent);
        RegCloseKey(root);
        return r == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return failureHresult();
    }
}

HRESULT installServer(const ServerDesc& server, BOOL install, LPCWSTR cmdLine) noexcept {
    bool perUser = cmdLine && lstrcmpiW(cmdLine, L"user") == 0;
    return install ? registerServer(server, perUser) : unregisterServer(server, perUser);
}

}  // namespace orvi::com
