#include "Server.h"

#include <olectl.h>

#include <map>
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

// The name of the type library's version key ("2.1").
std::wstring libVersion(const TypeLibDesc& desc) {
    return std::to_wstring(desc.major()) + L"." + std::to_wstring(desc.minor());
}

HRESULT describe(const TypeLibDesc& desc, LibInfo& out) {
    ITypeLib* lib = nullptr;
    HRESULT hr = desc.raw(&lib);
    if (FAILED(hr)) return hr;
    out.libid = guidText(desc.libid());
    out.version = libVersion(desc);
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
// root. On Windows (7 and later) CLSID and Interface keys are each view's own, while TypeLib and
// ProgID keys are one key seen from both views, in HKLM and HKCU alike. Wine (8) keeps CLSID and
// Interface per view in HKLM only and shares everything in HKCU; its 32-bit programs see a shared
// key through the 32-bit view, but a 64-bit program asking for the 32-bit view sees only the keys
// kept for that view alone. Which keys are shared is therefore asked of the registry, key by key.
//
// Both builds write the same values into a shared key, but for the few that name the DLL or its
// folder (the type library's HELPDIR; in a shared CLSID key, InprocServer32). Such a value holds
// one answer: the build registered first keeps it, the other does not overwrite it, and the
// build leaving hands it over to the one that stays, so that what remains is exactly the other
// build's registration. A shared key is removed by the last build only.

std::wstring classesPath(const std::wstring& key) {
    return L"Software\\Classes\\" + key;
}

std::wstring upper(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), DWORD(s.size()));
    return s;
}

// Paths compare without regard to case, and a folder with or without its trailing backslash (as
// Windows Installer writes one) is the same folder.
bool sameText(std::wstring a, std::wstring b) {
    if (a.size() > 1 && a.back() == L'\\') a.pop_back();
    if (b.size() > 1 && b.back() == L'\\') b.pop_back();
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

std::wstring folderOf(const std::wstring& file) {
    size_t slash = file.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
}

bool keyExists(HKEY root, const std::wstring& key, REGSAM view = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

// A string value, or false when the key or the value is missing or is not text.
bool readText(HKEY root, const std::wstring& key, const std::wstring& name, std::wstring& out, REGSAM view = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &k) != ERROR_SUCCESS) return false;
    const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExW(k, valueName, nullptr, &type, nullptr, &size);
    if (r == ERROR_SUCCESS && type == REG_SZ) {
        std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
        size = DWORD((buf.size() - 1) * sizeof(wchar_t));
        r = RegQueryValueExW(k, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
        if (r == ERROR_SUCCESS) out.assign(buf.data());
    }
    RegCloseKey(k);
    return r == ERROR_SUCCESS && type == REG_SZ;
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

// The keys below the classes root that Windows keeps per view.
bool perViewOnWindows(const std::wstring& key) {
    std::wstring u = upper(key);
    return u.rfind(L"CLSID\\", 0) == 0 || u.rfind(L"INTERFACE\\", 0) == 0;
}

// Whether both views see this view's key as one and the same key. Where the other view does not
// open the key at all, a key that Windows shares is taken as shared: that is how the other
// architecture's programs find it on Wine too, where only the 32-bit view asked from a 64-bit
// program leaves it out.
bool sharedByBothViews(HKEY hive, const std::wstring& key) {
    std::wstring path = classesPath(key);
    HKEY own = nullptr, other = nullptr;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ, &own) != ERROR_SUCCESS) return false;
    bool same = false;
    if (RegOpenKeyExW(hive, path.c_str(), 0, KEY_READ | kOtherView, &other) == ERROR_SUCCESS) {
        std::wstring a = keyName(own), b = keyName(other);
        same = !a.empty() && lstrcmpiW(a.c_str(), b.c_str()) == 0;
        RegCloseKey(other);
    } else {
        same = !perViewOnWindows(key);
    }
    RegCloseKey(own);
    return same;
}

std::wstring rowId(const std::wstring& key, const std::wstring& name) {
    return upper(key) + L"|" + upper(name);
}

// The other architecture's build registered beside this one in the same hive, known by its
// platform's entry in the (shared) type library key, and the values its registration writes.
struct OtherBuild {
    bool registered = false;
    std::map<std::wstring, std::wstring> values;  // rowId -> value

    const std::wstring* value(const RegistryRow& row) const {
        auto it = values.find(rowId(row.key, row.name));
        return it == values.end() ? nullptr : &it->second;
    }
};

OtherBuild otherBuild(const ServerDesc& server, HKEY hive) {
    OtherBuild other;
    for (const TypeLibDesc* const* l = server.libs; *l; ++l) {
        std::wstring entry;
        std::wstring key = L"TypeLib\\" + guidText((*l)->libid()) + L"\\" + libVersion(**l) + L"\\0\\" + kOtherPlatform;
        if (!readText(hive, classesPath(key), L"", entry, kOtherView)) continue;
        // The entry is the DLL's path, followed by the resource number for any but the first.
        if ((*l)->resource() != 1) entry = folderOf(entry);
        std::vector<RegistryRow> rows;
        if (entry.empty() || FAILED(registryRows(server, entry, folderOf(entry), kOtherPlatform, rows))) continue;
        other.registered = true;
        for (const RegistryRow& r : rows) other.values[rowId(r.key, r.name)] = r.value;
        break;
    }
    return other;
}

// What registering and unregistering start from: the classes root of the hive, the rows of this
// build and the other build's registration beside it.
struct Registration {
    HKEY root = nullptr;
    HKEY hive = nullptr;
    std::vector<RegistryRow> rows;
    OtherBuild other;

    Registration() = default;
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration() {
        if (root) RegCloseKey(root);
    }
    HRESULT open(const ServerDesc& server, bool perUser) {
        if (!rootKey(perUser, &root)) return SELFREG_E_CLASS;
        hive = perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        std::wstring path = Module::path();
        HRESULT hr = registryRows(server, path, folderOf(path), kPlatform, rows);
        if (FAILED(hr)) return hr;
        other = otherBuild(server, hive);
        return S_OK;
    }
};

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
        Registration reg;
        HRESULT hr = reg.open(server, perUser);
        if (FAILED(hr)) return hr;
        const HKEY root = reg.root, hive = reg.hive;
        const OtherBuild& other = reg.other;
        LONG r = ERROR_SUCCESS;
        for (const RegistryRow& row : reg.rows) {
            if (r != ERROR_SUCCESS) break;
            // A value of a shared key that holds the other build's answer stays the other's.
            const std::wstring* theirs = other.value(row);
            std::wstring current;
            if (theirs && !sameText(*theirs, row.value) && readText(root, row.key, row.name, current) &&
                sameText(current, *theirs) && sharedByBothViews(hive, row.key))
                continue;
            r = setValue(root, row.key, row.name.empty() ? nullptr : row.name.c_str(), row.value);
        }
        return r == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return failureHresult();
    }
}

HRESULT unregisterServer(const ServerDesc& server, bool perUser) noexcept {
    try {
        Registration reg;
        HRESULT hr = reg.open(server, perUser);
        if (FAILED(hr)) return hr;
        const HKEY root = reg.root, hive = reg.hive;
        const OtherBuild& other = reg.other;
        LONG r = ERROR_SUCCESS;
        auto del = [&](const std::wstring& key) {
            LONG d = deleteTree(root, key);
            if (r == ERROR_SUCCESS) r = d;
        };
        // A key both views share stays while the other build is registered; this view's own keys
        // go. Whether a key is shared is asked before anything is deleted.
        std::vector<std::wstring> kept;
        auto keepOrDelete = [&](const std::wstring& key) {
            if (other.registered && sharedByBothViews(hive, key))
                kept.push_back(upper(key));
            else
                del(key);
        };
        for (size_t i = 0; i < server.classCount; ++i) keepOrDelete(L"CLSID\\" + guidText(*server.classes[i].clsid));
        for (size_t i = 0; i < server.classCount; ++i) keepOrDelete(server.classes[i].progId);
        for (const TypeLibDesc* const* l = server.libs; *l; ++l) {
            LibInfo info;
            if (FAILED(describe(**l, info))) continue;
            std::wstring lib = L"TypeLib\\" + info.libid;
            std::wstring version = lib + L"\\" + info.version;
            for (auto& [iid, name] : info.interfaces) keepOrDelete(L"Interface\\" + iid);
            // One version key holds the path of each platform that registered it (0\win32 and
            // 0\win64 side by side); the key goes with the last of them.
            del(version + L"\\0\\" + kPlatform);
            deleteIfEmpty(root, version + L"\\0");
            if (keyExists(root, version + L"\\0")) {
                kept.push_back(upper(version));
            } else {
                del(version);
                deleteIfEmpty(root, lib);
            }
        }
        // What stays is the other build's registration: a value of a kept key that holds this
        // build's answer takes the other's.
        auto inKept = [&](const std::wstring& key) {
            std::wstring u = upper(key);
            for (const std::wstring& k : kept)
                if (u == k || u.rfind(k + L"\\", 0) == 0) return true;
            return false;
        };
        for (const RegistryRow& row : reg.rows) {
            const std::wstring* theirs = other.value(row);
            std::wstring current;
            if (!theirs || sameText(*theirs, row.value) || !inKept(row.key)) continue;
            if (readText(root, row.key, row.name, current) && sameText(current, row.value)) {
                LONG s = setValue(root, row.key, row.name.empty() ? nullptr : row.name.c_str(), *theirs);
                if (r == ERROR_SUCCESS) r = s;
            }
        }
        // A per-user root may have had none of these before registration created them.
        for (const wchar_t* parent : {L"CLSID", L"Interface", L"TypeLib"}) deleteIfEmpty(root, parent);
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
