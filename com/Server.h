// In-process server plumbing shared by the modules built on this layer: the class table, the
// class factory, and self-registration written as data (the same keys for every class).
//
// Registration writes, under HKLM\Software\Classes (machine) or HKCU\Software\Classes (per user):
//   TypeLib\{libid}\<ver>               the type library (0\win32|win64 = path, FLAGS, HELPDIR)
//   Interface\{iid}                     every dual and dispatch interface, marshalled by the
//                                       automation marshaller from the type library
//   CLSID\{clsid}                       InprocServer32 (ThreadingModel Apartment), ProgID, TypeLib
//   <ProgID>                            CLSID
// and unregistration removes exactly these keys, apart from the keys both registry views share
// (asked of the registry key by key: TypeLib and ProgIDs on Windows; on Wine also every key of
// HKCU) while the other build is registered beside this one. Of the values that name a DLL or
// its folder in a shared key (HELPDIR; InprocServer32 where CLSID is shared), the build
// registered first keeps its own, and a build that leaves hands them to the one that stays.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "TypeLib.h"

namespace orvi::com {

struct ClassEntry {
    const CLSID* clsid;
    const wchar_t* progId;
    // Null for classes that clients cannot create (CLASS_E_CLASSNOTAVAILABLE).
    HRESULT (*create)(REFIID riid, void** ppv);
};

struct ServerDesc {
    const TypeLibDesc* const* libs;  // null-terminated
    const ClassEntry* classes;
    size_t classCount;
};

HRESULT getClassObject(const ServerDesc& server, REFCLSID clsid, REFIID riid, void** ppv) noexcept;

// One value registration writes, the key relative to Software\Classes; an empty name is the
// key's default value.
struct RegistryRow {
    std::wstring key, name, value;
};

// Every value registration writes, in order, for the server's DLL at `file` in the folder `dir`;
// `platform` names the type library's subkey ("win32" or "win64"). DllRegisterServer writes these
// rows; an installer that writes the registration as its own registry rows takes the same ones.
HRESULT registryRows(const ServerDesc& server, const std::wstring& file, const std::wstring& dir,
                     const wchar_t* platform, std::vector<RegistryRow>& rows) noexcept;
HRESULT registerServer(const ServerDesc& server, bool perUser) noexcept;
HRESULT unregisterServer(const ServerDesc& server, bool perUser) noexcept;
// DllInstall: "user" (any case) registers or unregisters for the current user only; anything
// else does what DllRegisterServer / DllUnregisterServer do.
HRESULT installServer(const ServerDesc& server, BOOL install, LPCWSTR cmdLine) noexcept;

}  // namespace orvi::com
