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
        addSampleFields(bill);
        // The data service is read only when the event object binds.
        auto dataSrv = emptyDataSrv();
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
        SampleWrites w;
        BSTR plainKey = w.plainKey, listKey = w.listKey, last = w.last;  // w owns them
        VARIANT amount = w.amount, listValue = w.listValue;

        // Both ways must do the same thing.
        setField(plainKey, amount);
        setField(listKey, listValue);
        SampleWrites::checkWritten(bill);

        std::printf("%-46s %13s %13s %8s\n", "operation", "library", "bare calls", "ratio");
        auto [ours, plain] = bench::nsPerCallSideBySide([&] { setField(plainKey, amount); },
                                                        [&] { bare.plain(plainKey, amount); }, 20000);
        row("SetFieldValue, plain field", ours, plain);
        auto [oursList, list] = bench::nsPerCallSideBySide([&] { setField(listKey, listValue); },
                                                           [&] { bare.list(listKey, last); }, 400);
        row("SetFieldValue, list box of 1,000 (last item)", oursList, list);

        ev = Late();
        bill.dataSrv.Reset();
    }
    CoUninitialize();
    return 0;
}
