// What the benchmarks share: the host calls a value write makes, written as plainly as C++ makes
// them (Bare, over a lean bill control: LeanBill), a member name looked up every time or once
// (Name, knownIds), and the layout bill of many fields (layoutBill).
#pragma once
#include <cstdio>
#include <optional>
#include <string>

#include "Late.h"
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"
#include "hostkit/SimBill.h"

namespace bench {

using namespace testkit;
using hostkit::PyxDictionary;

// A member name as a bare call site uses it: looked up every time, or (knownIds) once.
struct Name {
    const wchar_t* text;
    DISPID id = DISPID_UNKNOWN;
};
inline bool knownIds = false;

inline DISPID idOf(IDispatch* target, Name& n) {
    if (knownIds && n.id != DISPID_UNKNOWN) return n.id;
    LPOLESTR text = const_cast<LPOLESTR>(n.text);
    target->GetIDsOfNames(IID_NULL, &text, 1, 0, &n.id);
    return n.id;
}

inline void lateCall(IDispatch* target, Name& name, VARIANT* args, UINT count, VARIANT* result) {
    DISPID id = idOf(target, name);
    DISPPARAMS params = {args, nullptr, count, 0};
    target->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, nullptr, nullptr);
}
inline Variant get(IDispatch* target, Name& name, VARIANT* args = nullptr, UINT count = 0) {
    Variant r;
    lateCall(target, name, args, count, &r.get());
    return r;
}

inline Name kGetFieldInfoByKey{L"GetFieldInfoByKey"}, kGetDataFld{L"GetDataFld"}, kSetText{L"SetText"};

// A container key as the bare calls pass it: allocated each time (what the library did before),
// or (keysInPlace) laid out in place as the library now passes keys (com::InBstr).
inline bool keysInPlace = false;
class KeyArg {
public:
    explicit KeyArg(const wchar_t* key) {
        if (keysInPlace)
            inPlace_.emplace(std::wstring_view(key));
        else
            allocated_ = SysAllocString(key);
    }
    ~KeyArg() { SysFreeString(allocated_); }
    KeyArg(const KeyArg&) = delete;
    KeyArg& operator=(const KeyArg&) = delete;
    BSTR get() const noexcept { return inPlace_ ? inPlace_->get() : allocated_; }

private:
    std::optional<orvi::com::InBstr> inPlace_;  // made only when keys go in place
    BSTR allocated_ = nullptr;
};

// A bill control that answers the three members a value write calls: the descriptor of a key,
// the field data of a descriptor, and SetText (which does nothing).
class LeanBill final : public IDispatch {
    long refs_ = 1;

public:
    struct Field {
        ComPtr<PyxDictionary> dct, data;
    };
    std::wstring keys[2];
    Field fields[2];
    ComPtr<IDispatch> dataSrv;  // read once, when the event object binds (the typed one)

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs_); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs_); }  // lives on the stack
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override {
        static const wchar_t* const known[] = {L"GetFieldInfoByKey", L"GetDataFld", L"SetText", L"DataSrv"};
        for (int i = 0; i < 4; ++i)
            if (!lstrcmpiW(names[0], known[i])) return *id = i + 1, S_OK;
        return *id = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (result) VariantInit(result);
        switch (id) {
        case 1: {  // GetFieldInfoByKey(key, ByRef name, ByRef index)
            const VARIANT& key = orvi::com::deref(p->rgvarg[p->cArgs - 1]);
            BSTR k = V_VT(&key) == (VT_BYREF | VT_BSTR) ? *V_BSTRREF(&key) : V_BSTR(&key);
            for (int i = 0; i < 2; ++i)
                if (keys[i] == std::wstring_view(k, SysStringLen(k))) {
                    V_VT(result) = VT_DISPATCH;
                    V_DISPATCH(result) = fields[i].dct.Get();
                    fields[i].dct->AddRef();
                }
            return S_OK;
        }
        case 2: {  // GetDataFld(ByRef dct, ByRef row)
            const VARIANT& d = orvi::com::deref(p->rgvarg[p->cArgs - 1]);
            IDispatch* dct = V_VT(&d) == (VT_BYREF | VT_DISPATCH) ? *V_DISPATCHREF(&d) : V_DISPATCH(&d);
            for (auto& f : fields)
                if (dct == static_cast<IDispatch*>(f.dct.Get())) {
                    V_VT(result) = VT_DISPATCH;
                    V_DISPATCH(result) = f.data.Get();
                    f.data->AddRef();
                }
            return S_OK;
        }
        case 3: return S_OK;  // SetText
        case 4:
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = dataSrv.Get();
            dataSrv->AddRef();
            return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }
};


inline VARIANT byRef(VARTYPE vt, void* p) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | vt;
    V_BYREF(&v) = p;
    return v;
}

// The host calls a value write makes, as plainly as C++ makes them.
struct Bare {
    IDispatch* bill;
    IPyxDictionary* find(const wchar_t* key, IPyxDictionary*& fld) {
        BSTR k = SysAllocString(key), pKey = SysAllocString(L"");
        long index = 0;
        VARIANT args[3] = {byRef(VT_I4, &index), byRef(VT_BSTR, &pKey), byRef(VT_BSTR, &k)};
        VARIANT dct;
        lateCall(bill, kGetFieldInfoByKey, args, 3, &dct);
        SysFreeString(k);
        SysFreeString(pKey);
        IPyxDictionary* d = nullptr;
        V_DISPATCH(&dct)->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(&d));
        VariantClear(&dct);
        IDispatch* dd = d;
        dd->AddRef();
        long row = -1;
        VARIANT fargs[2] = {byRef(VT_I4, &row), byRef(VT_DISPATCH, &dd)};
        VARIANT data;
        lateCall(bill, kGetDataFld, fargs, 2, &data);
        dd->Release();
        V_DISPATCH(&data)->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(&fld));
        VariantClear(&data);
        return d;
    }
    static long code(IPyxDictionary* d, const wchar_t* key) {
        VARIANT v;
        VariantInit(&v);
        d->get_Item(KeyArg(key).get(), &v);
        VARIANT l;
        VariantInit(&l);
        VariantChangeType(&l, &v, 0, VT_I4);
        VariantClear(&v);
        return V_I4(&l);
    }
    static void put(IPyxDictionary* d, const wchar_t* key, const VARIANT& value) {
        d->put_Item(KeyArg(key).get(), value);
    }
    void setText(IPyxDictionary* d, BSTR text) {
        IDispatch* dd = d;
        dd->AddRef();
        long row = -1;
        BSTR t = SysAllocStringLen(text, SysStringLen(text));
        VARIANT args[3] = {byRef(VT_BSTR, &t), byRef(VT_I4, &row), byRef(VT_DISPATCH, &dd)};
        VARIANT r;
        lateCall(bill, kSetText, args, 3, &r);
        VariantClear(&r);
        SysFreeString(t);
        dd->Release();
    }
    void plain(const wchar_t* key, const VARIANT& value) {
        IPyxDictionary* fld = nullptr;
        IPyxDictionary* d = find(key, fld);
        if (code(d, L"FCtlType") != 8 && code(d, L"FLookUpType") == 0) {
            put(fld, L"FFLD", value);
            VARIANT one;
            V_VT(&one) = VT_I2;
            V_I2(&one) = 1;
            put(fld, L"FMODIFY", one);
            VARIANT text;
            VariantInit(&text);
            VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR);
            setText(d, V_BSTR(&text));
            VariantClear(&text);
        }
        fld->Release();
        d->Release();
    }
    void read(const wchar_t* key, VARIANT* out) {
        IPyxDictionary* fld = nullptr;
        IPyxDictionary* d = find(key, fld);
        fld->get_Item(KeyArg(L"FFLD").get(), out);
        fld->Release();
        d->Release();
    }
    void list(const wchar_t* key, BSTR value) {
        IPyxDictionary* fld = nullptr;
        IPyxDictionary* d = find(key, fld);
        if (code(d, L"FCtlType") == 8) {
            BSTR vl = SysAllocString(L"VALUELIST");
            VARIANT none;
            V_VT(&none) = VT_ERROR;
            V_ERROR(&none) = DISP_E_PARAMNOTFOUND;
            VARIANT_BOOL found = VARIANT_FALSE;
            d->LookUp(vl, &none, &found);
            VARIANT itemsV;
            VariantInit(&itemsV);
            d->get_Item(vl, &itemsV);
            SysFreeString(vl);
            IPyxDictionary* items = nullptr;
            V_DISPATCH(&itemsV)->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(&items));
            VariantClear(&itemsV);
            long count = 0;
            items->get_Count(&count);
            BSTR codeKey = nullptr;
            for (long i = 1; i <= count && !codeKey; ++i) {
                BSTR k = nullptr;
                items->get_Key(i, &k);
                VARIANT v;
                VariantInit(&v);
                items->get_Item(k, &v);
                if (V_VT(&v) == VT_BSTR && SysStringLen(V_BSTR(&v)) == SysStringLen(value) &&
                    !wmemcmp(V_BSTR(&v), value, SysStringLen(value)))
                    codeKey = k;
                else
                    SysFreeString(k);
                VariantClear(&v);
            }
            VARIANT display, codeV, one;
            V_VT(&display) = VT_BSTR;
            V_BSTR(&display) = value;
            put(fld, L"FDSP", display);
            V_VT(&codeV) = VT_BSTR;
            V_BSTR(&codeV) = codeKey;
            put(fld, L"FFLD", codeV);
            V_VT(&one) = VT_I2;
            V_I2(&one) = 1;
            put(fld, L"FMODIFY", one);
            setText(d, codeKey);
            SysFreeString(codeKey);
            items->Release();
        }
        fld->Release();
        d->Release();
    }
};

inline ComPtr<PyxDictionary> fieldData() {
    auto d = hostkit::newDictionary();
    d->set(L"FFLD", Variant(L""));
    d->set(L"FDSP", Variant(L""));
    d->set(L"FMODIFY", Variant(short(0)));
    return d;
}

// The lean bill's two fields: "FAmount" (a text box) and "FStatus" (a list of 1000 items, the
// last "状态 1000").
inline void addSampleFields(LeanBill& bill) {
    bill.keys[0] = L"FAmount";
    bill.fields[0].dct = hostkit::newDictionary();
    bill.fields[0].dct->set(L"FKey", Variant(L"FAmount"));
    bill.fields[0].dct->set(L"FCtlType", Variant(1L));
    bill.fields[0].dct->set(L"FLookUpType", Variant(0L));
    bill.fields[0].data = fieldData();
    bill.keys[1] = L"FStatus";
    bill.fields[1].dct = hostkit::newDictionary();
    bill.fields[1].dct->set(L"FKey", Variant(L"FStatus"));
    bill.fields[1].dct->set(L"FCtlType", Variant(8L));
    bill.fields[1].dct->set(L"FLookUpType", Variant(0L));
    auto items = hostkit::newDictionary();
    for (int i = 1; i <= 1000; ++i)
        items->set(std::to_wstring(i), Variant((L"状态 " + std::to_wstring(i)).c_str()));
    bill.fields[1].dct->set(L"VALUELIST", hostkit::objectValue(items.Get()));
    bill.fields[1].data = fieldData();
}

// What the benchmarks write to the sample fields: 12.5 to "FAmount", the last item to "FStatus".
struct SampleWrites {
    BSTR plainKey = SysAllocString(L"FAmount"), listKey = SysAllocString(L"FStatus");
    BSTR last = SysAllocString(L"状态 1000");
    VARIANT amount, listValue;
    SampleWrites() {
        V_VT(&amount) = VT_R8;
        V_R8(&amount) = 12.5;
        V_VT(&listValue) = VT_BSTR;
        V_BSTR(&listValue) = last;
    }
    ~SampleWrites() {
        SysFreeString(plainKey);
        SysFreeString(listKey);
        SysFreeString(last);
    }
    SampleWrites(const SampleWrites&) = delete;
    SampleWrites& operator=(const SampleWrites&) = delete;
    // After both were written through the library: says so when it did not write what the bare
    // calls write.
    static void checkWritten(const LeanBill& bill) {
        if (asText(Late(bill.fields[0].data.Get()).value(L"Item", {str(L"FFLD")})) != L"12.5" ||
            asText(Late(bill.fields[1].data.Get()).value(L"Item", {str(L"FFLD")})) != L"1000")
            std::printf("SetFieldValue did not write what the bare calls write\n");
    }
};

// The data service an event object reads when it binds, with empty tables.
inline ComPtr<hostkit::FakeObject> emptyDataSrv() {
    auto dataSrv = hostkit::newFake(L"DataSrv");
    dataSrv->property(L"ClassType", hostkit::objectValue(hostkit::newDictionary().Get()))
        .property(L"TableInfo", hostkit::objectValue(hostkit::newDictionary().Get()))
        .property(L"ClassTypeEntry", hostkit::objectValue(hostkit::newVector().Get()));
    return dataSrv;
}

constexpr int kGrids = 4;
constexpr int kFieldsPerGrid = 50;

inline Variant text(const std::wstring& s) {
    return Variant(std::wstring_view(s));
}

// The bill: a header of two fields, then four grids (FEntryType 0, one record each) of 50
// fields; field g*50+k is "G<g>F<k>" with the descriptor name "D<g>_<k>".
inline hostkit::SampleBill layoutBill() {
    hostkit::SampleBill b;
    b.classType = hostkit::newDictionary();
    b.classTypeEntry = hostkit::newVector();
    b.tableInfo = hostkit::newDictionary();
    b.data = hostkit::newDictionary();
    b.lookups = hostkit::newDictionary();
    b.screen = hostkit::newDictionary();
    auto map = hostkit::newDictionary();
    for (int page = 1; page <= kGrids + 1; ++page) {
        auto descriptor = hostkit::newDictionary();
        descriptor->set(L"FEntryType", Variant(0L));
        descriptor->set(L"FTableName", text(L"t_Page" + std::to_wstring(page)));
        b.classTypeEntry->add(hostkit::objectValue(descriptor.Get()));
        auto fields = hostkit::newDictionary();
        auto data = hostkit::newDictionary();
        int count = page == 1 ? 2 : kFieldsPerGrid;
        for (int k = 1; k <= count; ++k) {
            std::wstring name = L"D" + std::to_wstring(page) + L"_" + std::to_wstring(k);
            std::wstring key = L"G" + std::to_wstring(page) + L"F" + std::to_wstring(k);
            auto dct = hostkit::newDictionary();
            dct->set(L"FKey", text(key));
            dct->set(L"FPage", Variant(long(page)));
            dct->set(L"FCtlType", Variant(1L));
            dct->set(L"FLookUpType", Variant(0L));
            b.tableInfo->set(name, hostkit::objectValue(dct.Get()));
            fields->set(name, text(name));
            map->set(key, text(name));
            auto fld = hostkit::newDictionary();
            fld->set(L"FFLD", text(L"value of " + key));
            fld->set(L"FDSP", text(L"value of " + key));
            data->set(name, hostkit::objectValue(fld.Get()));
        }
        b.tableInfo->set(L"Page" + std::to_wstring(page), hostkit::objectValue(fields.Get()));
        b.data->set(L"Page" + std::to_wstring(page), hostkit::objectValue(data.Get()));
    }
    b.tableInfo->set(L"Map", hostkit::objectValue(map.Get()));
    hostkit::addServices(b);
    b.billCtl->property(L"CurrentRow", Variant(1L));
    hostkit::addFieldAccess(b);
    hostkit::addLayoutMembers(b);
    return b;
}

inline ComPtr<IPyxDictionary> dictionary(const Variant& v) {
    ComPtr<IPyxDictionary> d;
    V_DISPATCH(&v.get())->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(d.GetAddressOf()));
    return d;
}
inline Variant item(IPyxDictionary* d, const wchar_t* key) {
    Variant r;
    d->get_Item(KeyArg(key).get(), &r.get());
    return r;
}

// VeskFields.Item(key) written plainly: the key through the table's map to its descriptor name,
// the walk over the page's fields to its position; the descriptor name.
inline Variant mappedName(IPyxDictionary* tableInfo, const VARIANT& key, const std::wstring& page) {
    ComPtr<IPyxDictionary> map = dictionary(item(tableInfo, L"Map"));
    Variant fallback(L""), mapped;
    map->get_Value(V_BSTR(&key), fallback.get(), &mapped.get());
    ComPtr<IPyxDictionary> fields = dictionary(item(tableInfo, page.c_str()));
    long count = 0;
    fields->get_Count(&count);
    for (long i = 1; i <= count; ++i) {
        Bstr k;
        fields->get_Key(i, k.put());
        if (k.view() == std::wstring_view(V_BSTR(&mapped.get()), SysStringLen(V_BSTR(&mapped.get())))) break;
    }
    return item(fields.Get(), V_BSTR(&mapped.get()));
}

}  // namespace bench
