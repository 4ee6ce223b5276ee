// Self-registration (machine and per user), class factories, and unloading.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Late.h"
#include "OrviClassEvents.h"

using namespace testkit;

namespace {

struct ClassInfo {
    const CLSID* clsid;
    const wchar_t* name;
    bool creatable;
};

const ClassInfo kClasses[] = {
    {&CLSID_BillEvent, L"BillEvent", true},     {&CLSID_ListEvents, L"ListEvents", true},
    {&CLSID_BaseClassEvent, L"BaseClassEvent", true}, {&CLSID_BillHeads, L"BillHeads", false},
    {&CLSID_BillHead, L"BillHead", true},       {&CLSID_BillEntrys, L"BillEntrys", false},
    {&CLSID_BillEntry, L"BillEntry", true},     {&CLSID_VeskFields, L"VeskFields", false},
    {&CLSID_VeskField, L"VeskField", true},     {&CLSID_QelLib, L"QelLib", false},
    {&CLSID_Account, L"Account", false},        {&CLSID_User, L"User", false},
    {&CLSID_Net, L"Net", false},                {&CLSID_MenuBar, L"MenuBar", false},
    {&CLSID_VeskBands, L"VeskBands", false},    {&CLSID_VeskBand, L"VeskBand", false},
    {&CLSID_VeskTools, L"VeskTools", false},    {&CLSID_VeskTool, L"VeskTool", false},
};

const IID* const kInterfaces[] = {
    &IID__BillEvent,  &IID__ListEvents, &IID__BaseClassEvent, &IID__BillHeads, &IID__BillHead,  &IID__BillEntrys,
    &IID__BillEntry,  &IID__VeskFields, &IID__VeskField,      &IID__QelLib,    &IID__Account,   &IID__User,
    &IID__Net,        &IID__MenuBar,    &IID__VeskBands,      &IID__VeskBand,  &IID__VeskTools, &IID__VeskTool,
    &DIID___BillEvent, &DIID___ListEvents, &DIID___BaseClassEvent,
};

#ifdef _WIN64
const wchar_t* const kPlatform = L"win64";
const wchar_t* const kOtherPlatform = L"win32";
const REGSAM kOtherView = KEY_WOW64_32KEY;
#else
const wchar_t* const kPlatform = L"win32";
const wchar_t* const kOtherPlatform = L"win64";
const REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

std::wstring guid(const GUID& g) {
    wchar_t b[40];
    StringFromGUID2(g, b, 40);
    return b;
}

// Every key and value below a registry key, as "path" and "path|name=data" lines.
void snapshot(HKEY key, const std::wstring& path, std::set<std::wstring>& out) {
    out.insert(path);
    wchar_t name[512];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 512, dataLen = sizeof data, type = 0;
        LONG r = RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &dataLen);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) continue;
        std::wstring value = type == REG_SZ ? std::wstring(reinterpret_cast<wchar_t*>(data)) : L"<binary>";
        out.insert(path + L"|" + name + L"=" + value);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 512;
        LONG r = RegEnumKeyExW(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) continue;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            snapshot(sub, path + L"\\" + name, out);
            RegCloseKey(sub);
        }
    }
}

// Registry names compare without regard to case ("TypeLib" may be stored as "Typelib").
std::wstring upper(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), DWORD(s.size()));
    return s;
}

std::set<std::wstring> ourGuids() {
    std::set<std::wstring> ids = {guid(LIBID_OrviClassEvents)};
    for (const ClassInfo& c : kClasses) ids.insert(guid(*c.clsid));
    for (const IID* iid : kInterfaces) ids.insert(guid(*iid));
    return ids;
}

// What registration can touch in a classes root: the names of the top-level keys and of the
// keys below CLSID, Interface and TypeLib, and everything inside this library's own keys.
std::set<std::wstring> classesSnapshot(HKEY root) {
    static const std::set<std::wstring> ours = ourGuids();
    std::set<std::wstring> out;
    HKEY classes = nullptr;
    if (RegOpenKeyExW(root, L"Software\\Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) return out;
    auto children = [](HKEY key) {
        std::vector<std::wstring> names;
        wchar_t name[512];
        for (DWORD i = 0;; ++i) {
            DWORD len = 512;
            if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.push_back(name);
        }
        return names;
    };
    auto deep = [&](HKEY parent, const std::wstring& name, const std::wstring& path) {
        HKEY sub = nullptr;
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            snapshot(sub, path, out);
            RegCloseKey(sub);
        }
    };
    for (const std::wstring& n : children(classes)) {
        out.insert(n);
        if (upper(n).rfind(L"ORVICLASSEVENTS.", 0) == 0) deep(classes, n, n);
        std::wstring u = upper(n);
        if (u != L"CLSID" && u != L"INTERFACE" && u != L"TYPELIB") continue;
        HKEY parent = nullptr;
        if (RegOpenKeyExW(classes, n.c_str(), 0, KEY_READ, &parent) != ERROR_SUCCESS) continue;
        for (const std::wstring& c : children(parent)) {
            out.insert(n + L"\\" + c);
            if (ours.count(c)) deep(parent, c, n + L"\\" + c);
        }
        RegCloseKey(parent);
    }
    RegCloseKey(classes);
    std::set<std::wstring> folded;
    for (const std::wstring& k : out) folded.insert(upper(k));
    return folded;
}

std::set<std::wstring> minus(const std::set<std::wstring>& a, const std::set<std::wstring>& b) {
    std::set<std::wstring> r;
    for (auto& x : a)
        if (!b.count(x)) r.insert(x);
    return r;
}

std::set<std::wstring> keysOnly(const std::set<std::wstring>& s) {
    std::set<std::wstring> r;
    for (auto& x : s)
        if (x.find(L'|') == std::wstring::npos) r.insert(x);
    return r;
}

// The keys of a registration, written out from the library's identity (with the parent keys
// CLSID, Interface and TypeLib when the root had none). Where the other architecture's build is
// registered too, some of them (the type library's version key, ProgIDs) were there before.
std::set<std::wstring> expectedKeys(const std::set<std::wstring>& before) {
    std::set<std::wstring> keys;
    for (const wchar_t* parent : {L"CLSID", L"Interface", L"TypeLib"})
        if (!before.count(upper(parent))) keys.insert(upper(parent));
    std::wstring lib = L"TypeLib\\" + guid(LIBID_OrviClassEvents);
    for (const wchar_t* k : {L"", L"\\2.1", L"\\2.1\\0", L"\\2.1\\FLAGS", L"\\2.1\\HELPDIR"}) keys.insert(lib + k);
    keys.insert(lib + L"\\2.1\\0\\" + kPlatform);
    for (const IID* iid : kInterfaces) {
        std::wstring k = L"Interface\\" + guid(*iid);
        for (const wchar_t* s : {L"", L"\\ProxyStubClsid", L"\\ProxyStubClsid32", L"\\TypeLib"}) keys.insert(k + s);
    }
    for (const ClassInfo& c : kClasses) {
        std::wstring k = L"CLSID\\" + guid(*c.clsid);
        for (const wchar_t* s : {L"", L"\\InprocServer32", L"\\ProgID", L"\\TypeLib", L"\\Version"}) keys.insert(k + s);
        std::wstring progId = std::wstring(L"OrviClassEvents.") + c.name;
        keys.insert(progId);
        keys.insert(progId + L"\\CLSID");
    }
    std::set<std::wstring> folded;
    for (const std::wstring& k : keys) folded.insert(upper(k));
    return folded;
}

struct Server {
    HMODULE dll = nullptr;
    HRESULT(WINAPI* reg)() = nullptr;
    HRESULT(WINAPI* unreg)() = nullptr;
    HRESULT(WINAPI* install)(BOOL, LPCWSTR) = nullptr;
    HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(WINAPI* canUnload)() = nullptr;
    std::wstring path;

    Server() {
        HKEY k = nullptr;
        wchar_t buf[MAX_PATH * 2] = {};
        DWORD size = sizeof buf;
        std::wstring key = L"CLSID\\" + guid(CLSID_BillEvent) + L"\\InprocServer32";
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
            RegQueryValueExW(k, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
            RegCloseKey(k);
        }
        path = buf;
        dll = LoadLibraryW(buf);
        REQUIRE(dll);
        reg = reinterpret_cast<decltype(reg)>(GetProcAddress(dll, "DllRegisterServer"));
        unreg = reinterpret_cast<decltype(unreg)>(GetProcAddress(dll, "DllUnregisterServer"));
        install = reinterpret_cast<decltype(install)>(GetProcAddress(dll, "DllInstall"));
        getClassObject = reinterpret_cast<decltype(getClassObject)>(GetProcAddress(dll, "DllGetClassObject"));
        canUnload = reinterpret_cast<decltype(canUnload)>(GetProcAddress(dll, "DllCanUnloadNow"));
        REQUIRE((reg && unreg && install && getClassObject && canUnload));
    }
    ~Server() { FreeLibrary(dll); }
};

std::wstring regValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view = 0) {
    HKEY k = nullptr;
    wchar_t buf[1024] = {};
    DWORD size = sizeof buf;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return L"<none>";
    LONG r = RegQueryValueExW(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    return r == ERROR_SUCCESS ? buf : L"<none>";
}

}  // namespace

// Leaves the library registered for the machine whatever a test does in between.
struct Reregister {
    Server& server;
    ~Reregister() { server.reg(); }
};

// Registering writes every key of the registration and nothing else: keys it added must be
// expected ones, and every expected key must be there afterwards (some may have been there before,
// written by the other architecture's registration).
void checkRegistration(const std::set<std::wstring>& before, const std::set<std::wstring>& registered) {
    auto added = keysOnly(minus(registered, before));
    auto expected = expectedKeys(before);
    for (auto& k : minus(added, expected)) fail(__FILE__, __LINE__, "unexpected key %s", narrow(k).c_str());
    for (auto& k : minus(expected, registered)) fail(__FILE__, __LINE__, "missing key %s", narrow(k).c_str());
}

// The other architecture's build registered in the other registry view, if it is.
bool otherArchitectureRegistered(HKEY hive) {
    HKEY k = nullptr;
    std::wstring key = L"Software\\Classes\\CLSID\\" + guid(CLSID_BillEvent) + L"\\InprocServer32";
    if (RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ | kOtherView, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

TEST_CASE(registration_adds_and_removes_exactly_its_keys) {
    Server server;
    Reregister restore{server};
    CHECK_HR(server.unreg(), S_OK);
    auto before = classesSnapshot(HKEY_LOCAL_MACHINE);
    CHECK(!before.count(upper(L"CLSID\\" + guid(CLSID_BillEvent))));

    CHECK_HR(server.reg(), S_OK);
    auto registered = classesSnapshot(HKEY_LOCAL_MACHINE);
    CHECK(minus(before, registered).empty());
    checkRegistration(before, registered);

    // Registering again changes nothing; unregistering restores the registry exactly.
    CHECK_HR(server.reg(), S_OK);
    CHECK(classesSnapshot(HKEY_LOCAL_MACHINE) == registered);
    CHECK_HR(server.unreg(), S_OK);
    auto after = classesSnapshot(HKEY_LOCAL_MACHINE);
    for (auto& k : minus(after, before)) fail(__FILE__, __LINE__, "left behind: %s", narrow(k).c_str());
    for (auto& k : minus(before, after)) fail(__FILE__, __LINE__, "removed: %s", narrow(k).c_str());
    CHECK_HR(server.reg(), S_OK);
}

TEST_CASE(registration_values) {
    Server server;
    for (const ClassInfo& c : kClasses) {
        std::wstring clsid = L"CLSID\\" + guid(*c.clsid);
        std::wstring progId = std::wstring(L"OrviClassEvents.") + c.name;
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", nullptr), server.path);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel"), std::wstring(L"Apartment"));
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, clsid + L"\\ProgID", nullptr), progId);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, progId + L"\\CLSID", nullptr), guid(*c.clsid));
    }
    std::wstring iface = L"Interface\\" + guid(IID__BillEvent);
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, iface, nullptr), std::wstring(L"_BillEvent"));
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, iface + L"\\ProxyStubClsid32", nullptr),
             std::wstring(L"{00020424-0000-0000-C000-000000000046}"));
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, iface + L"\\TypeLib", L"Version"), std::wstring(L"2.1"));
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, L"TypeLib\\" + guid(LIBID_OrviClassEvents) + L"\\2.1\\0\\" + kPlatform, nullptr),
             server.path);
}

// The registry's own name of an open key ("\\REGISTRY\\Machine\\Software\\Classes\\...").
std::wstring keyName(HKEY k) {
    using QueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryKey>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey"));
    std::vector<BYTE> buf(4096);
    ULONG got = 0;
    if (!query || query(k, 3 /* KeyNameInformation */, buf.data(), ULONG(buf.size()), &got) < 0) return {};
    ULONG length = *reinterpret_cast<const ULONG*>(buf.data());
    return std::wstring(reinterpret_cast<const wchar_t*>(buf.data() + sizeof(ULONG)), length / sizeof(wchar_t));
}

// The other architecture's registration where that build is not registered (where its programs
// cannot run): what its DllRegisterServer writes of its own, its class keys in the other registry
// view and its platform entry in the shared type library key. Where the other view does not see
// this build's ProgIDs, it is made to see them through registry links, as on a system that shares
// ProgIDs between the views: that is where unregistering one build could take them from the
// other. Everything is removed again at the end.
struct OtherArchitecture {
    bool simulated = false;
    std::wstring path = L"C:\\other-architecture\\OrviClassEvents.dll";
    std::wstring lib = L"Software\\Classes\\TypeLib\\" + guid(LIBID_OrviClassEvents) + L"\\2.1\\0\\";
    std::vector<std::wstring> links;

    OtherArchitecture() {
        if (otherArchitectureRegistered(HKEY_LOCAL_MACHINE)) return;
        simulated = true;
        for (const ClassInfo& c : kClasses) {
            set(L"Software\\Classes\\CLSID\\" + guid(*c.clsid) + L"\\InprocServer32", kOtherView);
            std::wstring progId = std::wstring(L"Software\\Classes\\OrviClassEvents.") + c.name;
            HKEY k = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, progId.c_str(), 0, KEY_READ | kOtherView, &k) == ERROR_SUCCESS) {
                RegCloseKey(k);
                continue;
            }
            REQUIRE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, progId.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS);
            std::wstring target = keyName(k);
            RegCloseKey(k);
            REQUIRE(!target.empty());
            REQUIRE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, progId.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                    KEY_ALL_ACCESS | kOtherView, nullptr, &k, nullptr) == ERROR_SUCCESS);
            RegSetValueExW(k, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                           DWORD(target.size() * sizeof(wchar_t)));
            RegCloseKey(k);
            links.push_back(progId);
        }
        set(lib + kOtherPlatform, 0);
    }
    ~OtherArchitecture() {
        if (!simulated) return;
        for (const ClassInfo& c : kClasses) {
            HKEY parent = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID", 0, KEY_ALL_ACCESS | kOtherView, &parent) ==
                ERROR_SUCCESS) {
                RegDeleteTreeW(parent, guid(*c.clsid).c_str());
                RegCloseKey(parent);
            }
        }
        using DeleteKey = LONG(WINAPI*)(HANDLE);
        static const auto deleteKey =
            reinterpret_cast<DeleteKey>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey"));
        for (const std::wstring& link : links) {
            HKEY k = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, link.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS | kOtherView, &k) ==
                ERROR_SUCCESS) {
                deleteKey(k);
                RegCloseKey(k);
            }
        }
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, (lib + kOtherPlatform).c_str());
    }
    void set(const std::wstring& key, REGSAM view) {
        HKEY k = nullptr;
        REQUIRE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &k,
                                nullptr) == ERROR_SUCCESS);
        RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                       DWORD((path.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }
};

bool otherViewHasKey(const std::wstring& key) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str(), 0, KEY_READ | kOtherView, &k) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

// With the other architecture's build registered beside this one, unregistering this one keeps
// what the other still needs: its class keys (per view), the shared type library key with its
// platform entry, the ProgIDs and what the other view sees of the interface keys. The shared
// type library key then names the other build's folder (HELPDIR), as if that build had been
// registered alone, and registering this one again leaves it so. Unregistering the last build
// removes the shared keys too.
TEST_CASE(unregistering_keeps_the_other_architectures_registration) {
    Server server;
    Reregister restore{server};
    std::wstring lib = L"TypeLib\\" + guid(LIBID_OrviClassEvents) + L"\\2.1\\0\\";
    {
        OtherArchitecture other;
        // Class keys are per view: otherwise there is no side by side to keep.
        REQUIRE(regValue(HKEY_CLASSES_ROOT, L"CLSID\\" + guid(CLSID_BillEvent) + L"\\InprocServer32", nullptr) == server.path);
        std::wstring otherPath = regValue(HKEY_CLASSES_ROOT, lib + kOtherPlatform, nullptr);
        CHECK(otherPath != L"<none>");
        // What the other view sees of the keys that a system may share between the views, or not.
        std::vector<bool> interfaceSeen, progIdSeen;
        for (const IID* iid : kInterfaces) interfaceSeen.push_back(otherViewHasKey(L"Interface\\" + guid(*iid)));
        for (const ClassInfo& c : kClasses)
            progIdSeen.push_back(otherViewHasKey(std::wstring(L"OrviClassEvents.") + c.name + L"\\CLSID"));

        std::wstring helpDir = L"TypeLib\\" + guid(LIBID_OrviClassEvents) + L"\\2.1\\HELPDIR";
        std::wstring otherDir = otherPath.substr(0, otherPath.find_last_of(L'\\'));

        CHECK_HR(server.unreg(), S_OK);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, lib + kPlatform, nullptr), std::wstring(L"<none>"));
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, lib + kOtherPlatform, nullptr), otherPath);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, helpDir, nullptr), otherDir);
        CHECK(otherArchitectureRegistered(HKEY_LOCAL_MACHINE));
        for (size_t i = 0; i < std::size(kClasses); ++i) {
            const ClassInfo& c = kClasses[i];
            std::wstring progId = std::wstring(L"OrviClassEvents.") + c.name;
            CHECK_EQ(otherViewHasKey(progId + L"\\CLSID"), bool(progIdSeen[i]));
            CHECK_EQ(regValue(HKEY_CLASSES_ROOT, L"CLSID\\" + guid(*c.clsid), nullptr), std::wstring(L"<none>"));
            CHECK(otherViewHasKey(L"CLSID\\" + guid(*c.clsid) + L"\\InprocServer32"));
        }
        for (size_t i = 0; i < interfaceSeen.size(); ++i)
            CHECK_EQ(otherViewHasKey(L"Interface\\" + guid(*kInterfaces[i])), bool(interfaceSeen[i]));

        CHECK_HR(server.reg(), S_OK);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, lib + kPlatform, nullptr), server.path);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, lib + kOtherPlatform, nullptr), otherPath);
        CHECK_EQ(regValue(HKEY_CLASSES_ROOT, helpDir, nullptr), otherDir);
        if (!other.simulated) return;
    }
    // The stand-in for the other build is gone: this one is the last, and takes the shared keys.
    CHECK_HR(server.unreg(), S_OK);
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, L"TypeLib\\" + guid(LIBID_OrviClassEvents), nullptr), std::wstring(L"<none>"));
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, L"OrviClassEvents.BillEvent\\CLSID", nullptr), std::wstring(L"<none>"));
    CHECK_EQ(regValue(HKEY_CLASSES_ROOT, L"Interface\\" + guid(IID__BillEvent), nullptr), std::wstring(L"<none>"));
}

TEST_CASE(registration_per_user_without_the_machine_keys) {
    Server server;
    Reregister restore{server};
    server.install(FALSE, L"user");  // whatever an interrupted earlier run left
    auto userBefore = classesSnapshot(HKEY_CURRENT_USER);
    auto machineBefore = classesSnapshot(HKEY_LOCAL_MACHINE);
    CHECK_HR(server.install(TRUE, L"user"), S_OK);
    auto userAfter = classesSnapshot(HKEY_CURRENT_USER);
    CHECK(classesSnapshot(HKEY_LOCAL_MACHINE) == machineBefore);
    checkRegistration(userBefore, userAfter);
    CHECK_EQ(regValue(HKEY_CURRENT_USER, L"Software\\Classes\\OrviClassEvents.BillEvent\\CLSID", nullptr),
             guid(CLSID_BillEvent));
    CHECK_HR(server.install(FALSE, L"user"), S_OK);
    CHECK(classesSnapshot(HKEY_CURRENT_USER) == userBefore);
    // Any other command line registers for the machine, as DllRegisterServer does.
    CHECK_HR(server.install(TRUE, nullptr), S_OK);
    CHECK(classesSnapshot(HKEY_LOCAL_MACHINE) == machineBefore);
}

TEST_CASE(creatable_and_non_creatable_classes) {
    for (const ClassInfo& c : kClasses) {
        std::wstring progId = std::wstring(L"OrviClassEvents.") + c.name;
        CLSID clsid;
        CHECK_HR(CLSIDFromProgID(progId.c_str(), &clsid), S_OK);
        CHECK(clsid == *c.clsid);
        ComPtr<IDispatch> obj;
        HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(obj.GetAddressOf()));
        if (c.creatable) {
            CHECK_HR(hr, S_OK);
            CHECK(obj != nullptr);
            ComPtr<IProvideClassInfo> info;
            HRESULT ci = obj ? obj->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(info.GetAddressOf()))
                             : E_POINTER;
            bool eventObject = std::wstring(c.name).find(L"Event") != std::wstring::npos;
            CHECK_EQ(SUCCEEDED(ci), eventObject);
        } else {
            CHECK_HR(hr, CLASS_E_CLASSNOTAVAILABLE);
            CHECK(obj == nullptr);
        }
    }
}

TEST_CASE(class_factory_and_unloading) {
    Server server;
    ComPtr<IClassFactory> factory;
    CHECK_HR(server.getClassObject(CLSID_BillEvent, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
             S_OK);
    ComPtr<IUnknown> none;
    CHECK_HR(server.getClassObject(CLSID_QelLib, IID_IClassFactory, reinterpret_cast<void**>(none.GetAddressOf())),
             CLASS_E_CLASSNOTAVAILABLE);
    CHECK_HR(server.getClassObject(GUID_NULL, IID_IClassFactory, reinterpret_cast<void**>(none.GetAddressOf())),
             CLASS_E_CLASSNOTAVAILABLE);
    CHECK_HR(server.getClassObject(CLSID_BillEvent, IID_IClassFactory, nullptr), E_POINTER);
    REQUIRE(factory);

    ComPtr<IUnknown> outer;
    CHECK_HR(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.Get()), IID_IUnknown,
                                     reinterpret_cast<void**>(outer.GetAddressOf())),
             CLASS_E_NOAGGREGATION);
    ComPtr<IDispatch> obj;
    CHECK_HR(factory->CreateInstance(nullptr, IID__BillEvent, reinterpret_cast<void**>(obj.GetAddressOf())), S_OK);
    ComPtr<IUnknown> other;
    CHECK_HR(factory->CreateInstance(nullptr, IID__QelLib, reinterpret_cast<void**>(other.GetAddressOf())), E_NOINTERFACE);

    CHECK_HR(server.canUnload(), S_FALSE);  // the factory and the object are alive
    obj.Reset();
    CHECK_HR(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    CHECK_HR(server.canUnload(), S_FALSE);  // locked
    CHECK_HR(server.getClassObject(CLSID_BillEvent, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
             S_OK);
    CHECK_HR(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    CHECK_HR(server.canUnload(), S_OK);
}
