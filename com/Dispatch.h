// The IDispatch implementation shared by every class of this layer.
//
// The type library is metadata only: it gives member names, DISPIDs, parameter types, optional
// parameters, defaults and vtable offsets. Argument checking, coercion, defaults, by-reference
// write-back and the call itself are done here, the same way on every platform, and the call
// goes through the dual interface's vtable slot.
//
// Every argument form that VB, script and C++ callers use is accepted: by value, by reference
// to the exact type, and VT_BYREF|VT_VARIANT. A by-reference parameter receives the caller's own
// variable whenever the types allow it, so what the callee assigns is what the caller reads;
// otherwise the value is converted in and out again.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

#include "TypeLib.h"

namespace orvi::com {

struct ParamSpec {
    VARTYPE vt = VT_EMPTY;  // value type: VT_I4, VT_BSTR, VT_VARIANT, VT_DISPATCH, VT_ARRAY|VT_VARIANT, ...
    bool byRef = false;     // declared as a pointer to the value ([in, out])
    bool optional = false;
    bool hasDefault = false;
    VARIANT defaultValue{};  // owned; VT_EMPTY when there is none
    bool plainDefault = false;  // the default is of the parameter's type and owns nothing: passed as it is
    // Declared with a specific interface (not IDispatch or IUnknown): an object must answer it,
    // and the member receives that interface. `vt` is then VT_DISPATCH or VT_UNKNOWN.
    bool typedInterface = false;
    IID iid = IID_NULL;
};

struct FuncSpec {
    std::wstring name;
    DISPID id = DISPID_UNKNOWN;
    INVOKEKIND kind = INVOKE_FUNC;
    SHORT vtblOffset = 0;
    std::vector<ParamSpec> params;  // without the retval
    std::vector<std::wstring> paramNames;
    bool hasRetval = false;
    VARTYPE retVt = VT_EMPTY;
    bool direct = false;   // every argument is one integer-class machine word: called without DispCallFunc
    bool supported = true;  // false when a parameter type cannot be handled
};

class DispatchTable {
public:
    // The table of a dual interface, built once per process from its type library and kept.
    static const DispatchTable& of(const TypeLibDesc& lib, REFIID iid);
    ~DispatchTable();

    HRESULT loadResult() const noexcept { return loadHr_; }

    HRESULT getTypeInfo(UINT index, ITypeInfo** info) const noexcept;
    HRESULT getIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const noexcept;
    // instance: the interface pointer whose vtable holds the members; source: the class's error
    // source, used for errors raised by this layer on behalf of the class.
    HRESULT invoke(void* instance, const wchar_t* source, DISPID id, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, UINT* argErr) const noexcept;

    // For inspection and tests.
    const std::vector<FuncSpec>& functions() const noexcept { return funcs_; }
    DISPID idOfName(const wchar_t* name) const noexcept;

private:
    DispatchTable() = default;
    void build(const TypeLibDesc& lib, REFIID iid) noexcept;
    HRESULT callFunction(const FuncSpec& f, void* instance, const wchar_t* source, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excep, UINT* argErr) const;
    const FuncSpec* select(DISPID id, WORD flags, const DISPPARAMS* params) const noexcept;

    struct NameSlot {
        const wchar_t* name = nullptr;    // the member's name, upper-cased (A-Z only)
        unsigned hash = 0;
        unsigned length = 0;
        DISPID id = DISPID_UNKNOWN;
    };
    struct IdSlot {
        DISPID id = DISPID_UNKNOWN;
        int func[4] = {-1, -1, -1, -1};  // method, get, put, putref
        bool used = false;
    };

    HRESULT loadHr_ = E_UNEXPECTED;
    ITypeInfo* dispatchInfo_ = nullptr;  // the dispatch type info (clients get a view of it)
    std::vector<FuncSpec> funcs_;
    std::vector<NameSlot> names_;
    std::vector<std::wstring> foldedNames_;  // what names_ point to
    std::vector<IdSlot> ids_;
    unsigned nameMask_ = 0, idMask_ = 0;
};

}  // namespace orvi::com
