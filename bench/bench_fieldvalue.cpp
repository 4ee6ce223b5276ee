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
#include "BenchHosts.h"
#include "Late.h"
#include "hostkit/FakeHost.h"
#include "hostkit/PyxContainers.h"

using namespace testkit;
using namespace bench;
using hostkit::PyxDictionary;

namespace {

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
        Bare bare{&bill};

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
