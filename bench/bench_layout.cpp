// Cost of reading a field value through the layout model, BillEntrys(i).VeskFields(key).Value
// late-bound as a plug-in makes it, on a bill of 200 fields (four grids of 50), beside the host
// calls that chain has to make, made directly on the same host objects in the same run:
//
//   BillEntrys.Item    DataSrv, ClassTypeEntry, Item(position)             late-bound
//   BillEntry.VeskFields  DataSrv, TableInfo                               late-bound
//   VeskFields.Item    TableInfo("Map"), Map.Value(key, ""), TableInfo("Page<n>"), Count,
//                      Key(1..position of the field), Item(mapped key)     vtable
//   VeskField binding  DataSrv, TableInfo (late-bound), TableInfo(descriptor key) (vtable)
//   VeskField.Value    GetDataFld(dct, Row) (late-bound), FFLD, FCtlType (vtable)
//
//   tools/wine-run build/x86_64 build/x86_64/bench/bench_layout.exe
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchHosts.h"
#include "Late.h"
#include "com/LateCall.h"
#include "hostkit/SimBill.h"

using namespace testkit;
using namespace bench;
using hostkit::SampleBill;
using orvi::com::Arg;

namespace {

// A plug-in's late-bound call: the name looked up, then Invoke (what a VB client does on an
// object variable declared As Object).
Variant plugin(IDispatch* target, const wchar_t* name, const VARIANT* arg = nullptr) {
    DISPID id = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    target->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    VARIANT args[1];
    if (arg) args[0] = *arg;
    DISPPARAMS params = {arg ? args : nullptr, nullptr, arg ? 1u : 0u, 0};
    Variant result;
    target->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, &result.get(), nullptr, nullptr);
    return result;
}

struct Read {
    long entry;      // entry ordinal
    long position;   // page position of its grid
    Variant key;     // FKey
    std::wstring page;
};

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        SampleBill bill = layoutBill();
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        ev.set(L"BillCtl", obj(bill.billCtl.Get()));
        ComPtr<IDispatch> entrys(asObject(ev.value(L"BillEntrys")));
        IDispatch* ctl = bill.billCtl.Get();

        std::vector<Read> reads;
        for (int g = 1; g <= kGrids; ++g)
            for (int k = 1; k <= kFieldsPerGrid; ++k)
                reads.push_back({g, g + 1, text(L"G" + std::to_wstring(g + 1) + L"F" + std::to_wstring(k)),
                                 L"Page" + std::to_wstring(g + 1)});

        // Sanity: both ways read the same value.
        {
            const Read& r = reads[77];
            Variant index(r.entry);
            Variant entry = plugin(entrys.Get(), L"Item", &index);
            Variant fields = plugin(V_DISPATCH(&entry.get()), L"VeskFields");
            Variant field = plugin(V_DISPATCH(&fields.get()), L"Item", &r.key.get());
            std::printf("chain reads \"%s\"\n", narrow(asText(plugin(V_DISPATCH(&field.get()), L"Value"))).c_str());
        }

        size_t next = 0;
        auto chain = [&] {
            const Read& r = reads[next++ % reads.size()];
            Variant index(r.entry);
            Variant entry = plugin(entrys.Get(), L"Item", &index);
            Variant fields = plugin(V_DISPATCH(&entry.get()), L"VeskFields");
            Variant field = plugin(V_DISPATCH(&fields.get()), L"Item", &r.key.get());
            Variant value = plugin(V_DISPATCH(&field.get()), L"Value");
            if (next % 1000 == 0) bill.billCtl->clearCalls(), bill.dataSrv->clearCalls();
        };
        auto bare = [&] {
            const Read& r = reads[next++ % reads.size()];
            // BillEntrys.Item: the grid's page descriptor.
            Variant srv = orvi::com::get(ctl, L"DataSrv");
            Variant pages = orvi::com::get(V_DISPATCH(&srv.get()), L"ClassTypeEntry");
            long position = r.position;
            Variant page = orvi::com::call(V_DISPATCH(&pages.get()), L"Item", {Arg::ref(position)});
            ComPtr<IPyxDictionary> pageDescriptor = dictionary(page);
            // BillEntry.VeskFields: the field table.
            srv = orvi::com::get(ctl, L"DataSrv");
            Variant table = orvi::com::get(V_DISPATCH(&srv.get()), L"TableInfo");
            ComPtr<IPyxDictionary> tableInfo = dictionary(table);
            // VeskFields.Item(key): the map, the page and the walk to the field's position.
            Variant name = mappedName(tableInfo.Get(), r.key.get(), r.page);
            // VeskField: binding, descriptor, value.
            srv = orvi::com::get(ctl, L"DataSrv");
            table = orvi::com::get(V_DISPATCH(&srv.get()), L"TableInfo");
            tableInfo = dictionary(table);
            Variant descriptor = item(tableInfo.Get(), V_BSTR(&name.get()));
            ComPtr<IDispatch> dct(V_DISPATCH(&descriptor.get()));
            long row = -1;
            Variant fld = orvi::com::call(ctl, L"GetDataFld", {Arg::ref(dct), Arg::ref(row)});
            Variant value = item(dictionary(fld).Get(), L"FFLD");
            Variant ctlType = item(dictionary(descriptor).Get(), L"FCtlType");
            if (next % 1000 == 0) bill.billCtl->clearCalls(), bill.dataSrv->clearCalls();
        };
        // The plug-in's four calls into the library alone, on members that call no host: what
        // the chain adds at least.
        Variant one(1L);
        Variant firstEntry = plugin(entrys.Get(), L"Item", &one);
        IDispatch* entry = V_DISPATCH(&firstEntry.get());
        auto libraryOnly = [&] {
            plugin(entrys.Get(), L"Count");
            plugin(entry, L"EntryIndex");
            plugin(entrys.Get(), L"Count");
            plugin(entry, L"EntryIndex");
        };

        // Step by step: each library call beside its own host calls, on one field.
        const Read& r0 = reads[120];
        const std::wstring name0 = L"D" + std::to_wstring(r0.position) + L"_21";
        Variant index0(r0.entry);
        Variant entry0 = plugin(entrys.Get(), L"Item", &index0);
        Variant fields0 = plugin(V_DISPATCH(&entry0.get()), L"VeskFields");
        Variant field0 = plugin(V_DISPATCH(&fields0.get()), L"Item", &r0.key.get());
        ComPtr<IPyxDictionary> table0 = dictionary(orvi::com::get(V_DISPATCH(&orvi::com::get(ctl, L"DataSrv").get()), L"TableInfo"));
        struct Step {
            const char* name;
            std::function<void()> library, host;
        };
        int tick = 0;
        auto tidy = [&] {
            if (++tick % 1000 == 0) bill.billCtl->clearCalls(), bill.dataSrv->clearCalls();
        };
        const Step steps[] = {
            {"BillEntrys.Item", [&] { plugin(entrys.Get(), L"Item", &index0); tidy(); },
             [&] {
                 Variant srv = orvi::com::get(ctl, L"DataSrv");
                 Variant pages = orvi::com::get(V_DISPATCH(&srv.get()), L"ClassTypeEntry");
                 long position = r0.position;
                 dictionary(orvi::com::call(V_DISPATCH(&pages.get()), L"Item", {Arg::ref(position)}));
                 tidy();
             }},
            {"BillEntry.VeskFields", [&] { plugin(V_DISPATCH(&entry0.get()), L"VeskFields"); tidy(); },
             [&] {
                 Variant srv = orvi::com::get(ctl, L"DataSrv");
                 dictionary(orvi::com::get(V_DISPATCH(&srv.get()), L"TableInfo"));
                 tidy();
             }},
            {"VeskFields.Item(key)", [&] { plugin(V_DISPATCH(&fields0.get()), L"Item", &r0.key.get()); tidy(); },
             [&] {
                 Variant name = mappedName(table0.Get(), r0.key.get(), r0.page);
                 Variant srv = orvi::com::get(ctl, L"DataSrv");
                 ComPtr<IPyxDictionary> tableInfo = dictionary(orvi::com::get(V_DISPATCH(&srv.get()), L"TableInfo"));
                 item(tableInfo.Get(), V_BSTR(&name.get()));
                 tidy();
             }},
            {"VeskField.Value", [&] { plugin(V_DISPATCH(&field0.get()), L"Value"); tidy(); },
             [&] {
                 Variant descriptor = item(table0.Get(), name0.c_str());
                 ComPtr<IDispatch> dct(V_DISPATCH(&descriptor.get()));
                 long row = -1;
                 Variant fld = orvi::com::call(ctl, L"GetDataFld", {Arg::ref(dct), Arg::ref(row)});
                 item(dictionary(fld).Get(), L"FFLD");
                 item(dictionary(descriptor).Get(), L"FCtlType");
                 tidy();
             }},
        };

        const int perRound = 4000;
        std::printf("%-58s %10s\n", "operation (per read, 200 fields in turn)", "time");
        double b1 = bench::nsPerCall(bare, perRound);
        double c1 = bench::nsPerCall(chain, perRound);
        double b2 = bench::nsPerCall(bare, perRound);
        double c2 = bench::nsPerCall(chain, perRound);
        double bareNs = b1 < b2 ? b1 : b2, chainNs = c1 < c2 ? c1 : c2;
        double lib = bench::nsPerCall(libraryOnly, perRound * 10);
        std::printf("%-58s %8.0f ns\n", "bare host calls of the chain, made directly", bareNs);
        std::printf("%-58s %8.0f ns  (%.2fx the bare calls)\n", "BillEntrys(i).VeskFields(key).Value, late-bound", chainNs,
                    chainNs / bareNs);
        std::printf("%-58s %8.0f ns\n", "library overhead (chain - bare)", chainNs - bareNs);
        std::printf("%-58s %8.0f ns\n", "four late-bound calls into the library, no host calls", lib);
        for (const Step& step : steps) {
            double host = bench::nsPerCall(step.host, perRound * 2);
            double library = bench::nsPerCall(step.library, perRound * 2);
            std::printf("  %-40s %8.0f ns, its host calls %8.0f ns, overhead %6.0f ns\n", step.name, library, host,
                        library - host);
        }
    }
    CoUninitialize();
    return 0;
}
