// What the package ships beside the library: the reference documentation, which must list every
// type and member the type library holds, and the registration-free manifest, which must let a
// host create the library's objects from a folder the registry knows nothing of.
#include <string>

#include "Late.h"
#include "OrviClassEvents.h"
#include "TypeLibDoc.h"
#include "com/TypeLib.h"

using namespace testkit;

namespace {

std::wstring nameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    BSTR name = nullptr;
    info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
    std::wstring r(name ? name : L"");
    SysFreeString(name);
    return r;
}

// The part of the document about one type: from its heading to the next one.
std::wstring section(const std::wstring& doc, const std::wstring& heading) {
    size_t start = doc.find(heading);
    if (start == std::wstring::npos) return {};
    size_t end = doc.find(L"\n## ", start + heading.size());
    return doc.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring hex(long v) {
    wchar_t buf[16];
    swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(v));
    return buf;
}

// The library's DLL as registered (the build's own copy).
std::wstring registeredDll() {
    wchar_t key[128], path[MAX_PATH] = {};
    wchar_t clsid[40];
    StringFromGUID2(CLSID_BillEvent, clsid, 40);
    swprintf(key, 128, L"CLSID\\%ls\\InprocServer32", clsid);
    LONG size = sizeof path;
    REQUIRE(RegQueryValueW(HKEY_CLASSES_ROOT, key, path, &size) == ERROR_SUCCESS);
    return path;
}

// The type library built into the DLL, as the package tool reads it.
ComPtr<ITypeLib> libraryTypeLib() {
    ComPtr<ITypeLib> lib;
    REQUIRE(SUCCEEDED(LoadTypeLibEx(registeredDll().c_str(), REGKIND_NONE, lib.GetAddressOf())));
    ComPtr<ITypeLib> view;
    REQUIRE(SUCCEEDED(orvi::com::wrapTypeLib(lib.Get(), view.GetAddressOf())));
    return view;
}

}  // namespace

TEST_CASE(the_reference_lists_every_type_and_member_of_the_type_library) {
    ComPtr<ITypeLib> lib = libraryTypeLib();
    std::wstring doc = reference::Markdown(lib.Get());
    size_t members = 0;
    for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
        ComPtr<ITypeInfo> info;
        TYPEATTR* attr = nullptr;
        REQUIRE((SUCCEEDED(lib->GetTypeInfo(i, info.GetAddressOf())) && SUCCEEDED(info->GetTypeAttr(&attr))));
        std::wstring name = nameOf(info.Get());
        TYPEKIND kind = attr->typekind;
        bool dualHalf = kind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FDUAL);
        if (kind != TKIND_DISPATCH && kind != TKIND_ENUM && kind != TKIND_COCLASS && !(kind == TKIND_INTERFACE && !dualHalf)) {
            info->ReleaseTypeAttr(attr);
            continue;
        }
        std::wstring part = section(doc, L" `" + name + L"`\n");
        if (part.empty()) {
            fail(__FILE__, __LINE__, "no section for %s", narrow(name).c_str());
            info->ReleaseTypeAttr(attr);
            continue;
        }
        // Members as the dispatch view sees them (a view the document does not walk for duals).
        for (UINT f = 0; f < attr->cFuncs; ++f) {
            FUNCDESC* fd = nullptr;
            if (FAILED(info->GetFuncDesc(f, &fd))) continue;
            if (!(fd->wFuncFlags & FUNCFLAG_FRESTRICTED)) {
                ++members;
                std::wstring row = L"| " + hex(fd->memid) + L" | ";
                std::wstring member = L"`" + nameOf(info.Get(), fd->memid) + L"`";
                size_t at = part.find(row);
                bool found = false;
                while (at != std::wstring::npos && !found) {
                    size_t eol = part.find(L'\n', at);
                    found = part.substr(at, eol - at).find(member) != std::wstring::npos;
                    at = part.find(row, at + 1);
                }
                if (!found)
                    fail(__FILE__, __LINE__, "%s.%s (%s) missing", narrow(name).c_str(),
                         narrow(nameOf(info.Get(), fd->memid)).c_str(), narrow(hex(fd->memid)).c_str());
            }
            info->ReleaseFuncDesc(fd);
        }
        for (UINT v = 0; v < attr->cVars; ++v) {
            VARDESC* vd = nullptr;
            if (FAILED(info->GetVarDesc(v, &vd))) continue;
            if (part.find(L"`" + nameOf(info.Get(), vd->memid) + L"`") == std::wstring::npos)
                fail(__FILE__, __LINE__, "%s value %s missing", narrow(name).c_str(),
                     narrow(nameOf(info.Get(), vd->memid)).c_str());
            info->ReleaseVarDesc(vd);
        }
        info->ReleaseTypeAttr(attr);
    }
    CHECK(members > 300);
    // Defaults and the creatable classes' ProgIDs are written out.
    CHECK(section(doc, L" `_ListEvents`\n").find(L"long Row = -1") != std::wstring::npos);
    CHECK(section(doc, L" `_BillEvent`\n").find(L"BSTR sStatus = \"就绪\"") != std::wstring::npos);
    CHECK(doc.find(L"ProgID `OrviClassEvents.BillEvent`") != std::wstring::npos);
}

TEST_CASE(the_manifest_creates_objects_from_an_unregistered_folder) {
    ComPtr<ITypeLib> lib = libraryTypeLib();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"orvi-regfree-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring dll = folder + L"OrviClassEvents.dll";
    REQUIRE(CopyFileW(registeredDll().c_str(), dll.c_str(), FALSE));
#ifdef _WIN64
    const wchar_t* architecture = L"amd64";
#else
    const wchar_t* architecture = L"x86";
#endif
    std::string manifest = reference::Utf8(reference::Manifest(lib.Get(), L"OrviClassEvents.dll", architecture));
    std::wstring manifestPath = folder + L"OrviClassEvents.manifest";
    FILE* f = _wfopen(manifestPath.c_str(), L"wb");
    REQUIRE(f != nullptr);
    std::fwrite(manifest.data(), 1, manifest.size(), f);
    std::fclose(f);

    ACTCTXW actctx = {};
    actctx.cbSize = sizeof actctx;
    actctx.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    actctx.lpSource = manifestPath.c_str();
    actctx.lpAssemblyDirectory = folder.c_str();
    HANDLE context = CreateActCtxW(&actctx);
    REQUIRE(context != INVALID_HANDLE_VALUE);
    ULONG_PTR cookie = 0;
    REQUIRE(ActivateActCtx(context, &cookie));
    // The module whose code an object runs: the copy in the folder, not the registered DLL.
    auto moduleOf = [](IUnknown* object) {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(*reinterpret_cast<void**>(object)), &module);
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module, path, MAX_PATH);
        CharLowerW(path);
        return std::wstring(path);
    };
    std::wstring expected = dll;
    CharLowerW(expected.data());
    // By the class ID, and by the ProgID the manifest names. (Wine answers a ProgID of an
    // activation context with an alias class ID of the context's own, which creates the same class.)
    CLSID byProgId = {};
    CHECK_HR(CLSIDFromProgID(L"OrviClassEvents.BillEvent", &byProgId), S_OK);
    for (const CLSID* clsid : {&CLSID_BillEvent, static_cast<const CLSID*>(&byProgId)}) {
        ComPtr<IDispatch> ev;
        CHECK_HR(CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(ev.GetAddressOf())),
                 S_OK);
        if (!ev) continue;
        CHECK_EQ(moduleOf(ev.Get()), expected);
        CHECK(Late(ev).call(L"BillCtl").ok());
        ComPtr<IProvideClassInfo> classInfo;
        CHECK(SUCCEEDED(ev->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(classInfo.GetAddressOf()))));
    }
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(context);
    CoFreeUnusedLibraries();
    DeleteFileW(manifestPath.c_str());
    DeleteFileW(dll.c_str());
    RemoveDirectoryW(folder.c_str());
}
