#include "TypeLibDoc.h"

#include <cstdio>
#include <vector>

namespace reference {

namespace {

// Releases what the type library hands out.
struct Info {
    ITypeInfo* p = nullptr;
    TYPEATTR* attr = nullptr;
    ~Info() {
        if (p && attr) p->ReleaseTypeAttr(attr);
        if (p) p->Release();
    }
};

std::wstring take(BSTR b) {
    std::wstring s(b ? b : L"", SysStringLen(b));
    SysFreeString(b);
    return s;
}

std::wstring guidText(const GUID& g) {
    wchar_t buf[40] = {};
    StringFromGUID2(g, buf, 40);
    return buf;
}

std::wstring hex(long v) {
    wchar_t buf[16];
    swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(v));
    return buf;
}

std::wstring nameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    BSTR name = nullptr;
    info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
    return take(name);
}

std::wstring helpOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
    BSTR help = nullptr;
    info->GetDocumentation(id, nullptr, &help, nullptr, nullptr);
    return take(help);
}

std::wstring typeText(ITypeInfo* info, const TYPEDESC& t) {
    switch (t.vt) {
    case VT_PTR: return typeText(info, *t.lptdesc) + L"*";
    case VT_SAFEARRAY: return L"SAFEARRAY(" + typeText(info, *t.lptdesc) + L")";
    case VT_USERDEFINED: {
        ITypeInfo* ref = nullptr;
        std::wstring n = L"?";
        if (SUCCEEDED(info->GetRefTypeInfo(t.hreftype, &ref))) {
            n = nameOf(ref);
            ref->Release();
        }
        return n;
    }
    case VT_I2: return L"short";
    case VT_I4: return L"long";
    case VT_R4: return L"float";
    case VT_R8: return L"double";
    case VT_CY: return L"CURRENCY";
    case VT_DATE: return L"DATE";
    case VT_BSTR: return L"BSTR";
    case VT_DISPATCH: return L"IDispatch*";
    case VT_ERROR: return L"SCODE";
    case VT_BOOL: return L"VARIANT_BOOL";
    case VT_VARIANT: return L"VARIANT";
    case VT_UNKNOWN: return L"IUnknown*";
    case VT_UI1: return L"unsigned char";
    case VT_INT: return L"int";
    case VT_HRESULT: return L"HRESULT";
    case VT_VOID: return L"void";
    case VT_LPWSTR: return L"LPWSTR";
    default: return L"VT " + std::to_wstring(t.vt);
    }
}

std::wstring valueText(const VARIANT& v) {
    VARIANT s;
    VariantInit(&s);
    std::wstring r = L"?";
    if (SUCCEEDED(VariantChangeTypeEx(&s, const_cast<VARIANT*>(&v), MAKELCID(0x0409, SORT_DEFAULT), 0, VT_BSTR)))
        r = V_VT(&v) == VT_BSTR ? L"\"" + std::wstring(V_BSTR(&s)) + L"\"" : std::wstring(V_BSTR(&s));
    VariantClear(&s);
    return r;
}

const wchar_t* kindText(INVOKEKIND k) {
    switch (k) {
    case INVOKE_PROPERTYGET: return L"propget";
    case INVOKE_PROPERTYPUT: return L"propput";
    case INVOKE_PROPERTYPUTREF: return L"propputref";
    default: return L"method";
    }
}

// One row of a member table: | DISPID | kind | name | parameters | result | help |
std::wstring memberRow(ITypeInfo* info, const FUNCDESC* f) {
    std::vector<BSTR> names(f->cParams + 1, nullptr);
    UINT got = 0;
    info->GetNames(f->memid, names.data(), UINT(names.size()), &got);
    std::wstring name = got ? std::wstring(names[0] ? names[0] : L"") : L"?";
    std::wstring params, result = typeText(info, f->elemdescFunc.tdesc);
    for (SHORT i = 0; i < f->cParams; ++i) {
        const ELEMDESC& e = f->lprgelemdescParam[i];
        USHORT flags = e.paramdesc.wParamFlags;
        std::wstring pname = UINT(i + 1) < got && names[i + 1] ? names[i + 1] : L"p" + std::to_wstring(i + 1);
        if (flags & PARAMFLAG_FRETVAL) {
            result = typeText(info, e.tdesc);
            if (!result.empty() && result.back() == L'*') result.pop_back();
            continue;
        }
        std::wstring dir;
        if (flags & PARAMFLAG_FIN) dir += L"in";
        if (flags & PARAMFLAG_FOUT) dir += dir.empty() ? L"out" : L", out";
        if (flags & PARAMFLAG_FOPT) dir += dir.empty() ? L"optional" : L", optional";
        std::wstring one = L"[" + dir + L"] " + typeText(info, e.tdesc) + L" " + pname;
        if ((flags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex)
            one += L" = " + valueText(e.paramdesc.pparamdescex->varDefaultValue);
        params += (params.empty() ? L"" : L", ") + one;
    }
    for (BSTR b : names) SysFreeString(b);
    std::wstring help = helpOf(info, f->memid);
    return L"| " + hex(f->memid) + L" | " + kindText(f->invkind) + L" | `" + name + L"` | " + params + L" | " + result +
           L" | " + help + L" |\n";
}

std::wstring kindName(TYPEKIND k) {
    switch (k) {
    case TKIND_ENUM: return L"enumeration";
    case TKIND_DISPATCH: return L"dispatch interface";
    case TKIND_INTERFACE: return L"interface";
    case TKIND_COCLASS: return L"class";
    case TKIND_ALIAS: return L"alias";
    case TKIND_RECORD: return L"record";
    case TKIND_MODULE: return L"module";
    default: return L"type";
    }
}

// The dispatch interface of a dual interface lists its members with their DISPIDs; the vtable
// half adds nothing a plug-in calls.
ITypeInfo* membersView(ITypeInfo* info, TYPEATTR* attr) {
    if (attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) {
        HREFTYPE ref = 0;
        ITypeInfo* vt = nullptr;
        if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, &vt))) return vt;
    }
    info->AddRef();
    return info;
}

}  // namespace

std::wstring Markdown(ITypeLib* lib) {
    BSTR libName = nullptr, libHelp = nullptr;
    lib->GetDocumentation(-1, &libName, &libHelp, nullptr, nullptr);
    std::wstring name = take(libName), help = take(libHelp);
    TLIBATTR* la = nullptr;
    std::wstring md = L"# " + name + L" reference\n\n";
    if (SUCCEEDED(lib->GetLibAttr(&la))) {
        md += L"Type library " + guidText(la->guid) + L", version " + std::to_wstring(la->wMajorVerNum) + L"." +
              std::to_wstring(la->wMinorVerNum) + L". " + help + L"\n\n";
        lib->ReleaseTLibAttr(la);
    }
    md += L"Made from the built type library: every class, interface, member and enumeration it holds.\n";
    for (TYPEKIND wanted : {TKIND_COCLASS, TKIND_DISPATCH, TKIND_INTERFACE, TKIND_ENUM}) {
        for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
            Info t;
            if (FAILED(lib->GetTypeInfo(i, &t.p)) || FAILED(t.p->GetTypeAttr(&t.attr))) continue;
            if (t.attr->typekind != wanted) continue;
            // A dual interface is documented once, as its dispatch interface.
            if (wanted == TKIND_INTERFACE && (t.attr->wTypeFlags & TYPEFLAG_FDUAL)) continue;
            std::wstring tname = nameOf(t.p);
            md += L"\n## " + kindName(t.attr->typekind) + L" `" + tname + L"`\n\n";
            md += guidText(t.attr->guid);
            if (t.attr->wTypeFlags & TYPEFLAG_FDUAL) md += L", dual";
            if (t.attr->wTypeFlags & TYPEFLAG_FHIDDEN) md += L", hidden";
            if (wanted == TKIND_COCLASS)
                md += (t.attr->wTypeFlags & TYPEFLAG_FCANCREATE) ? L", ProgID `" + name + L"." + tname + L"`"
                                                                  : std::wstring(L", not creatable");
            std::wstring th = helpOf(t.p);
            md += (th.empty() ? L"" : L". " + th) + L"\n\n";
            if (wanted == TKIND_COCLASS) {
                for (UINT k = 0; k < t.attr->cImplTypes; ++k) {
                    HREFTYPE ref = 0;
                    INT flags = 0;
                    ITypeInfo* itf = nullptr;
                    if (FAILED(t.p->GetRefTypeOfImplType(k, &ref)) || FAILED(t.p->GetRefTypeInfo(ref, &itf))) continue;
                    t.p->GetImplTypeFlags(k, &flags);
                    md += L"- `" + nameOf(itf) + L"`" + ((flags & IMPLTYPEFLAG_FDEFAULT) ? L" default" : L"") +
                          ((flags & IMPLTYPEFLAG_FSOURCE) ? L" source (events)" : L"") + L"\n";
                    itf->Release();
                }
            } else if (wanted == TKIND_ENUM) {
                md += L"| name | value | help |\n|---|---|---|\n";
                for (UINT k = 0; k < t.attr->cVars; ++k) {
                    VARDESC* v = nullptr;
                    if (FAILED(t.p->GetVarDesc(k, &v))) continue;
                    md += L"| `" + nameOf(t.p, v->memid) + L"` | " +
                          (v->varkind == VAR_CONST && v->lpvarValue ? valueText(*v->lpvarValue) : std::wstring(L"")) +
                          L" | " + helpOf(t.p, v->memid) + L" |\n";
                    t.p->ReleaseVarDesc(v);
                }
            } else {
                Info view;
                view.p = membersView(t.p, t.attr);
                if (FAILED(view.p->GetTypeAttr(&view.attr))) continue;
                md += L"| DISPID | kind | member | parameters | result | help |\n|---|---|---|---|---|---|\n";
                for (UINT k = 0; k < view.attr->cFuncs; ++k) {
                    FUNCDESC* f = nullptr;
                    if (FAILED(view.p->GetFuncDesc(k, &f))) continue;
                    // IUnknown's and IDispatch's own members are not the library's.
                    if (!(f->wFuncFlags & FUNCFLAG_FRESTRICTED)) md += memberRow(view.p, f);
                    view.p->ReleaseFuncDesc(f);
                }
            }
        }
    }
    return md;
}

std::wstring Manifest(ITypeLib* lib, const std::wstring& dll, const std::wstring& architecture) {
    BSTR libName = nullptr;
    lib->GetDocumentation(-1, &libName, nullptr, nullptr, nullptr);
    std::wstring name = take(libName);
    TLIBATTR* la = nullptr;
    if (FAILED(lib->GetLibAttr(&la))) return {};
    std::wstring version = std::to_wstring(la->wMajorVerNum) + L"." + std::to_wstring(la->wMinorVerNum);
    std::wstring x = L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                     L"<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
                     L"  <assemblyIdentity type=\"win32\" name=\"" + name + L"\" version=\"" + version + L".0.0\""
                     L" processorArchitecture=\"" + architecture + L"\"/>\n"
                     L"  <file name=\"" + dll + L"\">\n"
                     L"    <typelib tlbid=\"" + guidText(la->guid) + L"\" version=\"" + version + L"\" helpdir=\"\"/>\n";
    for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
        Info t;
        if (FAILED(lib->GetTypeInfo(i, &t.p)) || FAILED(t.p->GetTypeAttr(&t.attr))) continue;
        if (t.attr->typekind != TKIND_COCLASS || !(t.attr->wTypeFlags & TYPEFLAG_FCANCREATE)) continue;
        std::wstring cls = nameOf(t.p);
        x += L"    <comClass clsid=\"" + guidText(t.attr->guid) + L"\" threadingModel=\"Apartment\" progid=\"" + name +
             L"." + cls + L"\" tlbid=\"" + guidText(la->guid) + L"\" description=\"" + cls + L"\"/>\n";
    }
    lib->ReleaseTLibAttr(la);
    x += L"  </file>\n</assembly>\n";
    return x;
}

std::string Utf8(const std::wstring& s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string r(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), r.data(), n, nullptr, nullptr);
    return r;
}

}  // namespace reference
