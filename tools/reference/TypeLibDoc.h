// What a package ships beside the library, made from the built type library so that it can never
// disagree with the DLL: the reference documentation (Markdown) and the registration-free COM
// manifest.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace reference {

// Every enumeration (values), interface and event interface (members with DISPID, kind,
// parameters with their types, directions and defaults, result, help string) and class
// (interfaces, default and source, ProgID) of the library, as Markdown.
std::wstring Markdown(ITypeLib* lib);

// The manifest of an assembly named after the library holding `dll`: the type library and one
// comClass (CLSID, ProgID "<library>.<class>", apartment threaded) per creatable class.
// `architecture` is the processorArchitecture ("amd64", "x86").
std::wstring Manifest(ITypeLib* lib, const std::wstring& dll, const std::wstring& architecture);

// UTF-8 text of a wide string (for writing the files).
std::string Utf8(const std::wstring& s);

}  // namespace reference
