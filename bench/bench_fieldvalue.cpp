// Cost of BillEvent.SetFieldValue, called late-bound as a plug-in calls it, beside the bare host
// calls the write must make, made directly on the same host objects in the same run:
//   plain field:  GetFieldInfoByKey, GetDataFld (late-bound on the bill control), FCtlType and
//                 FLookUpType of the descriptor, FFLD and FMODIFY into the field data (through the
//                 container's vtable), SetText (late-bound)
//   list box:     the same calls up to the descriptor's control type, then LookUp of VALUELIST,
//                 VALUELIST itself, the item count, key and item of every item up to the match
//                 (the value is the display text of the last of 1,000 items), FDSP, FFLD and
//                 FMODIFY, SetText
// The bill control is a lean one (no recording), so the library's own share is not hidden.
//
//   tools/wine-run build/x86_64 build/x86_64/bench/bench_fieldvalue.exe
#include <cstdio>
#include <string>

#include "BenchClock.h"
#include "Late.h"
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"

using namespace testkit;
using hostkit::PyxDictionary;

namespace {

// A bill control that answers the three members a value write calls: the descriptor of a key,
// the field data of a descriptor, and SetText (which does nothing).
class LeanBill final : public IDispatch {
public:
    struct Field {
        ComPtr<PyxDictionary> dct, data;
    };
    std::wstring keys[2];
    Field fields[2];
    ComPtr<IDispatch> dataSrv;  // read once, when the event object binds

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown || riid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
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

// The late-bound call the library makes: the name looked up, then Invoke.
void lateCall(IDispatch* target, const wchar_t* name, VARIANT* args, UINT count, VARIANT* result) {
    DISPID id;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    target->GetIDsOfNames(IID_NULL, &n, 1, 0, &id);
    DISPPARAMS params = {args, nullptr, count, 0};
    target->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, nullptr, nullptr);
}

VARIANT byRef(VARTYPE vt, void* p) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | vt;
    V_BYREF(&v) = p;
    return v;
}

// The host calls a value write makes, as plainly as C++ makes them.
struct Bare {
    LeanBill& bill;
    IPyxDictionary* find(const wchar_t* key, IPyxDictionary*& fld) {
        BSTR k = SysAllocString(key), pKey = SysAllocString(L"");
        long index = 0;
        VARIANT args[3] = {byRef(VT_I4, &index), byRef(VT_BSTR, &pKey), byRef(VT_BSTR, &k)};
        VARIANT dct;
        lateCall(&bill, L"GetFieldInfoByKey", args, 3, &dct);
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
        lateCall(&bill, L"GetDataFld", fargs, 2, &data);
        dd->Release();
        V_DISPATCH(&data)->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(&fld));
        VariantClear(&data);
        return d;
    }
    static long code(IPyxDictionary* d, const wchar_t* key) {
        BSTR k = SysAllocString(key);
        VARIANT v;
        VariantInit(&v);
        d->get_Item(k, &v);
        SysFreeString(k);
        VARIANT l;
        VariantInit(&l);
        VariantChangeType(&l, &v, 0, VT_I4);
        VariantClear(&v);
        return V_I4(&l);
    }
    static void put(IPyxDictionary* d, const wchar_t* key, const VARIANT& value) {
        BSTR k = SysAllocString(key);
        d->put_Item(k, value);
        SysFreeString(k);
    }
    void setText(IPyxDictionary* d, BSTR text) {
        IDispatch* dd = d;
        dd->AddRef();
        long row = -1;
        BSTR t = SysAllocStringLen(text, SysStringLen(text));
        VARIANT args[3] = {byRef(VT_BSTR, &t), byRef(VT_I4, &row), byRef(VT_DISPATCH, &dd)};
        VARIANT r;
        lateCall(&bill, L"SetText", args, 3, &r);
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

ComPtr<PyxDictionary> fieldData() {
    auto d = hostkit::newDictionary();
    d->set(L"FFLD", Variant(L""));
    d->set(L"FDSP", Variant(L""));
    d->set(L"FMODIFY", Variant(short(0)));
    return d;
}

void row(const char* what, double ours, double bare) {
    std::printf("%-46s %10.1f ns %10.1f ns %7.2fx\n", what, ours, bare, ours / bare);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        LeanBill bill;
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

        // The data service is read only when the event object binds.
        auto dataSrv = hostkit::newFake(L"DataSrv");
        dataSrv->property(L"ClassType", hostkit::objectValue(hostkit::newDictionary().Get()))
            .property(L"TableInfo", hostkit::objectValue(hostkit::newDictionary().Get()))
            .property(L"ClassTypeEntry", hostkit::objectValue(hostkit::newVector().Get()));
        bill.dataSrv = dataSrv;
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.set(L"BillCtl", obj(&bill));

        IDispatch* disp = ev.get();
        DISPID setId;
        LPOLESTR name = const_cast<LPOLESTR>(L"SetFieldValue");
        disp->GetIDsOfNames(IID_NULL, &name, 1, 0, &setId);
        Bare bare{bill};

        // SetFieldValue(sKey, vValue) as a script passes literals; nRow left to its default.
        auto setField = [&](const wchar_t* key, const VARIANT& value) {
            VARIANT args[2];
            args[0] = value;
            V_VT(&args[1]) = VT_BSTR;
            V_BSTR(&args[1]) = const_cast<BSTR>(key);
            DISPPARAMS params = {args, nullptr, 2, 0};
            VARIANT result;
            VariantInit(&result);
            disp->Invoke(setId, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
            VariantClear(&result);
        };
        BSTR plainKey = SysAllocString(L"FAmount"), listKey = SysAllocString(L"FStatus");
        BSTR last = SysAllocString(L"状态 1000");
        VARIANT amount;
        V_VT(&amount) = VT_R8;
        V_R8(&amount) = 12.5;
        VARIANT listValue;
        V_VT(&listValue) = VT_BSTR;
        V_BSTR(&listValue) = last;

        // Both ways must do the same thing.
        setField(plainKey, amount);
        setField(listKey, listValue);
        Late plainData(bill.fields[0].data.Get()), listData(bill.fields[1].data.Get());
        if (asText(plainData.value(L"Item", {str(L"FFLD")})) != L"12.5" ||
            asText(listData.value(L"Item", {str(L"FFLD")})) != L"1000")
            std::printf("SetFieldValue did not write what the bare calls write\n");

        std::printf("%-46s %13s %13s %8s\n", "operation", "library", "bare calls", "ratio");
        auto [ours, plain] = bench::nsPerCallSideBySide([&] { setField(plainKey, amount); },
                                                        [&] { bare.plain(plainKey, amount); }, 20000);
        row("SetFieldValue, plain field", ours, plain);
        auto [oursList, list] = bench::nsPerCallSideBySide([&] { setField(listKey, listValue); },
                                                           [&] { bare.list(listKey, last); }, 400);
        row("SetFieldValue, list box of 1,000 (last item)", oursList, list);

        SysFreeString(plainKey);
        SysFreeString(listKey);
        SysFreeString(last);
        ev = Late();
        bill.dataSrv.Reset();
    }
    CoUninitialize();
    return 0;
}
