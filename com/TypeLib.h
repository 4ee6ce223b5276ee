// Type libraries of this layer's modules: loading (from the module's own TYPELIB resource, or the
// registry as a fallback) and the view of them that clients get.
//
// Texts in our type libraries (help strings, string default values) are stored in code page 936,
// the ANSI code page of the client machines. The platform decodes them with the ANSI code page
// of whatever machine reads them (and Wine reads string defaults byte by byte), so elsewhere they
// come back garbled. Every ITypeLib/ITypeInfo handed out by this layer is a thin wrapper that
// decodes texts by the library's own code page, whatever the machine's.
#pragma once
#include <windows.h>
#include <oleauto.h>

namespace orvi::com {

constexpr UINT kTypeLibraryCodePage = 936;

class TypeLibDesc {
public:
    constexpr TypeLibDesc(const GUID& libid, WORD major, WORD minor, int resource)
        : libid_(libid), major_(major), minor_(minor), resource_(resource) {}
    const GUID& libid() const noexcept { return libid_; }
    WORD major() const noexcept { return major_; }
    WORD minor() const noexcept { return minor_; }
    int resource() const noexcept { return resource_; }

    // The raw type library, loaded once (not AddRef'd: it lives as long as the module).
    HRESULT raw(ITypeLib** lib) const noexcept;
    // The raw type info of a type by GUID (AddRef'd).
    HRESULT rawTypeInfo(REFGUID guid, ITypeInfo** info) const noexcept;
    // The client view of a type (AddRef'd).
    HRESULT typeInfo(REFGUID guid, ITypeInfo** info) const noexcept;

private:
    const GUID& libid_;
    WORD major_, minor_;
    int resource_;
};

// Wraps raw type information into the client view described above.
HRESULT wrapTypeInfo(ITypeInfo* raw, ITypeInfo** out) noexcept;
HRESULT wrapTypeLib(ITypeLib* raw, ITypeLib** out) noexcept;

// Decodes a text read from one of our type libraries (see above); returns false when it needs
// no change or cannot be decoded. On success *text is replaced (the old BSTR is freed).
bool repairTypeLibText(BSTR* text) noexcept;
void repairTypeLibValue(VARIANT* value) noexcept;

}  // namespace orvi::com
