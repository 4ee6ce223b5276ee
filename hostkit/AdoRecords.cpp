#include "hostkit/AdoRecords.h"

#include "com/Errors.h"

namespace hostkit {

namespace {

// Interfaces of ADO (ADODB 2.x).
const IID kRecordsetIid = {0x00000556, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
const IID kFieldsIid = {0x00000564, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
const IID kFieldIid = {0x00000569, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

constexpr long adVarWChar = 202;

struct AdoTypes {
    HRESULT hr = E_FAIL;
    ITypeInfo* recordset = nullptr;
    ITypeInfo* fields = nullptr;
    ITypeInfo* field = nullptr;
};

// The vtable description of a dual interface (its dispatch description refers to it).
HRESULT interfaceInfo(ITypeLib* lib, REFIID iid, ITypeInfo** out) {
    ITypeInfo* info = nullptr;
    HRESULT hr = lib->GetTypeInfoOfGuid(iid, &info);
    if (FAILED(hr)) return hr;
    TYPEATTR* attr = nullptr;
    hr = info->GetTypeAttr(&attr);
    if (FAILED(hr)) {
        info->Release();
        return hr;
    }
    bool dispatch = attr->typekind == TKIND_DISPATCH;
    info->ReleaseTypeAttr(attr);
    HREFTYPE ref = 0;
    ITypeInfo* vtable = nullptr;
    if (dispatch && SUCCEEDED(info->GetRefTypeOfImplType(UINT(-1), &ref)) && SUCCEEDED(info->GetRefTypeInfo(ref, &vtable))) {
        info->Release();
        info = vtable;
    }
    *out = info;
    return S_OK;
}

AdoTypes loadAdoTypes() {
    AdoTypes t;
    CLSID clsid;
    t.hr = CLSIDFromProgID(L"ADODB.Recordset", &clsid);
    if (FAILED(t.hr)) return t;
    wchar_t clsidText[40] = {};
    StringFromGUID2(clsid, clsidText, 40);
    std::wstring key = std::wstring(L"CLSID\\") + clsidText + L"\\InprocServer32";
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    LSTATUS status = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ,
                                  nullptr, path, &size);
    if (status != ERROR_SUCCESS) {
        t.hr = HRESULT_FROM_WIN32(status);
        return t;
    }
    ITypeLib* lib = nullptr;
    t.hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(t.hr)) return t;
    if (SUCCEEDED(t.hr)) t.hr = interfaceInfo(lib, kRecordsetIid, &t.recordset);
    if (SUCCEEDED(t.hr)) t.hr = interfaceInfo(lib, kFieldsIid, &t.fields);
    if (SUCCEEDED(t.hr)) t.hr = interfaceInfo(lib, kFieldIid, &t.field);
    lib->Release();
    return t;
}

// Loaded once and kept for the life of the process.
const AdoTypes& adoTypes() {
    static const AdoTypes types = loadAdoTypes();
    if (FAILED(types.hr)) orvi::com::throwHresult(types.hr);
    return types;
}

// Calls a member of object's interface iid, described by info. args in call order.
Variant invokeOn(IUnknown* object, REFIID iid, ITypeInfo* info, const wchar_t* name, WORD flags,
                 std::initializer_list<Variant> args = {}) {
    if (!object) orvi::com::raise(orvi::com::RuntimeError::ObjectNotSet);
    ComPtr<IUnknown> itf;
    orvi::com::check(object->QueryInterface(iid, reinterpret_cast<void**>(itf.GetAddressOf())));
    MEMBERID id = MEMBERID_NIL;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    orvi::com::check(info->GetIDsOfNames(names, 1, &id));
    // Arguments owned here, last to first, whatever the callee does with them.
    std::vector<VARIANT> rgvarg(args.size());
    size_t i = args.size();
    for (const Variant& a : args) {
        VariantInit(&rgvarg[--i]);
        VariantCopy(&rgvarg[i], const_cast<VARIANT*>(&a.get()));
    }
    bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {rgvarg.data(), put ? &putId : nullptr, UINT(rgvarg.size()), put ? 1u : 0u};
    Variant result;
    EXCEPINFO excep = {};
    UINT argErr = 0;
    HRESULT hr = info->Invoke(itf.Get(), id, flags, &params, put ? nullptr : &result.get(), &excep, &argErr);
    for (VARIANT& v : rgvarg) VariantClear(&v);
    if (hr == DISP_E_EXCEPTION) throw orvi::com::errorFromExcepInfo(excep);
    orvi::com::check(hr);
    return result;
}

ComPtr<IDispatch> objectOf(const Variant& v) {
    return orvi::com::toObject(v.get());
}

}  // namespace

AdoRecordset::AdoRecordset(IDispatch* recordset) : recordset_(recordset) {}

AdoRecordset AdoRecordset::build(const std::vector<std::wstring>& columns,
                                 const std::vector<std::vector<std::wstring>>& rows) {
    const AdoTypes& t = adoTypes();
    CLSID clsid;
    orvi::com::check(CLSIDFromProgID(L"ADODB.Recordset", &clsid));
    ComPtr<IDispatch> rs;
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(rs.GetAddressOf())));
    ComPtr<IDispatch> fields = objectOf(invokeOn(rs.Get(), kRecordsetIid, t.recordset, L"Fields", DISPATCH_PROPERTYGET));
    for (const std::wstring& column : columns)
        invokeOn(fields.Get(), kFieldsIid, t.fields, L"Append", DISPATCH_METHOD,
                 {Variant(std::wstring_view(column)), Variant(adVarWChar), Variant(255L)});
    invokeOn(rs.Get(), kRecordsetIid, t.recordset, L"Open", DISPATCH_METHOD);
    if (rows.empty()) return AdoRecordset(rs.Get());
    // All records first, then their values record by record: Wine's ADO loses values of the
    // records before when AddNew makes room for another one. Moving ends each edit.
    for (size_t r = 0; r < rows.size(); ++r) invokeOn(rs.Get(), kRecordsetIid, t.recordset, L"AddNew", DISPATCH_METHOD);
    invokeOn(rs.Get(), kRecordsetIid, t.recordset, L"MoveFirst", DISPATCH_METHOD);
    for (const auto& row : rows) {
        for (size_t c = 0; c < columns.size() && c < row.size(); ++c) {
            ComPtr<IDispatch> field =
                objectOf(invokeOn(fields.Get(), kFieldsIid, t.fields, L"Item", DISPATCH_PROPERTYGET, {Variant(long(c))}));
            invokeOn(field.Get(), kFieldIid, t.field, L"Value", DISPATCH_PROPERTYPUT, {Variant(std::wstring_view(row[c]))});
        }
        invokeOn(rs.Get(), kRecordsetIid, t.recordset, L"MoveNext", DISPATCH_METHOD);
    }
    invokeOn(rs.Get(), kRecordsetIid, t.recordset, L"MoveFirst", DISPATCH_METHOD);
    return AdoRecordset(rs.Get());
}

long AdoRecordset::recordCount() const {
    return orvi::com::toLong(invokeOn(get(), kRecordsetIid, adoTypes().recordset, L"RecordCount", DISPATCH_PROPERTYGET).get());
}

bool AdoRecordset::eof() const {
    return orvi::com::toBool(invokeOn(get(), kRecordsetIid, adoTypes().recordset, L"EOF", DISPATCH_PROPERTYGET).get());
}

void AdoRecordset::moveFirst() const {
    invokeOn(get(), kRecordsetIid, adoTypes().recordset, L"MoveFirst", DISPATCH_METHOD);
}

void AdoRecordset::moveNext() const {
    invokeOn(get(), kRecordsetIid, adoTypes().recordset, L"MoveNext", DISPATCH_METHOD);
}

Variant AdoRecordset::field(const Variant& index) const {
    const AdoTypes& t = adoTypes();
    ComPtr<IDispatch> fields = objectOf(invokeOn(get(), kRecordsetIid, t.recordset, L"Fields", DISPATCH_PROPERTYGET));
    ComPtr<IDispatch> field = objectOf(invokeOn(fields.Get(), kFieldsIid, t.fields, L"Item", DISPATCH_PROPERTYGET, {index}));
    return invokeOn(field.Get(), kFieldIid, t.field, L"Value", DISPATCH_PROPERTYGET);
}

std::vector<std::wstring> AdoRecordset::fieldNames() const {
    const AdoTypes& t = adoTypes();
    ComPtr<IDispatch> fields = objectOf(invokeOn(get(), kRecordsetIid, t.recordset, L"Fields", DISPATCH_PROPERTYGET));
    long count = orvi::com::toLong(invokeOn(fields.Get(), kFieldsIid, t.fields, L"Count", DISPATCH_PROPERTYGET).get());
    std::vector<std::wstring> names;
    for (long i = 0; i < count; ++i) {
        ComPtr<IDispatch> field =
            objectOf(invokeOn(fields.Get(), kFieldsIid, t.fields, L"Item", DISPATCH_PROPERTYGET, {Variant(i)}));
        names.push_back(orvi::com::toString(invokeOn(field.Get(), kFieldIid, t.field, L"Name", DISPATCH_PROPERTYGET).get()));
    }
    return names;
}

}  // namespace hostkit
