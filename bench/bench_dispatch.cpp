// Cost of a late-bound call into the library's objects and of a name lookup, each beside the
// same operation through the platform's ITypeInfo::Invoke / ITypeInfo::GetIDsOfNames on the same
// object in the same run.
//
//   tools/wine-run build/x86_64 build/x86_64/bench/bench_dispatch.exe
#include <algorithm>
#include <cstdio>

#include "BenchClock.h"
#include "Late.h"
#include "OrviClassEvents.h"
#include "com/Dispatch.h"

using namespace testkit;

namespace {

void row(const char* what, double ours, double platform) {
    std::printf("%-44s %9.1f ns %9.1f ns %7.2fx\n", what, ours, platform, platform / ours);
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        IDispatch* disp = ev.get();
        ComPtr<_BillEvent> vtbl;
        disp->QueryInterface(IID__BillEvent, reinterpret_cast<void**>(vtbl.GetAddressOf()));

        ComPtr<ITypeLib> lib;
        LoadRegTypeLib(LIBID_OrviClassEvents, 2, 1, 0, lib.GetAddressOf());
        ComPtr<ITypeInfo> dispInfo, info;
        lib->GetTypeInfoOfGuid(IID__BillEvent, dispInfo.GetAddressOf());
        HREFTYPE ref = 0;
        dispInfo->GetRefTypeOfImplType(UINT(-1), &ref);
        dispInfo->GetRefTypeInfo(ref, info.GetAddressOf());

        LPOLESTR name = const_cast<LPOLESTR>(L"ReSaveSuccess");
        DISPID id = 0;
        disp->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO excep = {};
        UINT argErr = 0;

        std::printf("%-44s %12s %12s %8s\n", "operation", "ours", "ITypeInfo", "ratio");
        double ours = bench::nsPerCall([&] {
            disp->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, &excep, &argErr);
            VariantClear(&result);
        });
        double platform = bench::nsPerCall([&] {
            info->Invoke(vtbl.Get(), id, DISPATCH_PROPERTYGET, &none, &result, &excep, &argErr);
            VariantClear(&result);
        });
        row("property get (ReSaveSuccess)", ours, platform);

        ours = bench::nsPerCall([&] {
            disp->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, &excep, &argErr);
            VariantClear(&result);
        });
        platform = bench::nsPerCall([&] {
            info->Invoke(vtbl.Get(), id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, &excep, &argErr);
            VariantClear(&result);
        });
        row("property get, script flags", ours, platform);

        VARIANT value;
        VariantInit(&value);
        V_VT(&value) = VT_BOOL;
        V_BOOL(&value) = VARIANT_TRUE;
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS put = {&value, &putId, 1, 1};
        ours = bench::nsPerCall([&] { disp->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, &excep, &argErr); });
        platform = bench::nsPerCall([&] { info->Invoke(vtbl.Get(), id, DISPATCH_PROPERTYPUT, &put, nullptr, &excep, &argErr); });
        row("property let, Boolean", ours, platform);

        VARIANT text;
        VariantInit(&text);
        V_VT(&text) = VT_BSTR;
        V_BSTR(&text) = SysAllocString(L"-1");
        put.rgvarg = &text;
        ours = bench::nsPerCall([&] { disp->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, &excep, &argErr); });
        platform = bench::nsPerCall([&] { info->Invoke(vtbl.Get(), id, DISPATCH_PROPERTYPUT, &put, nullptr, &excep, &argErr); });
        row("property let, text converted to Boolean", ours, platform);
        VariantClear(&text);

        VARIANT_BOOL direct = 0;
        double vtblNs = bench::nsPerCall([&] { vtbl->get_ReSaveSuccess(&direct); });
        std::printf("%-44s %9.1f ns\n", "direct vtable call (for reference)", vtblNs);
        VARIANT retArg;
        V_VT(&retArg) = VT_BYREF | VT_BOOL;
        V_BOOLREF(&retArg) = &direct;
        VARTYPE vts[1] = {VT_BYREF | VT_BOOL};
        VARIANTARG* ptrs[1] = {&retArg};
        VARIANT hr;
        double dcf = bench::nsPerCall([&] { DispCallFunc(vtbl.Get(), 7 * sizeof(void*) + 33 * sizeof(void*), CC_STDCALL, VT_ERROR, 1, vts, ptrs, &hr); });
        std::printf("%-44s %9.1f ns\n", "DispCallFunc alone (for reference)", dcf);

        for (const wchar_t* n : {L"ReSaveSuccess", L"resavesuccess", L"FireAfterInputBillSetSumData", L"FID"}) {
            LPOLESTR names[1] = {const_cast<LPOLESTR>(n)};
            DISPID got = 0;
            MEMBERID member = 0;
            ours = bench::nsPerCall([&] { disp->GetIDsOfNames(IID_NULL, names, 1, 0, &got); });
            platform = bench::nsPerCall([&] { info->GetIDsOfNames(names, 1, &member); });
            char label[80];
            std::snprintf(label, sizeof label, "name lookup \"%s\"", narrow(n).c_str());
            row(label, ours, platform);
        }

        // Every member name of every interface of the type library, through the table the
        // objects' GetIDsOfNames uses (the call into an object adds a few ns; see above). The
        // library is found through the registry (resource 99 is no type library).
        static const orvi::com::TypeLibDesc registered(LIBID_OrviClassEvents, 2, 1, 99);
        double worst = 0, total = 0;
        int names = 0;
        std::wstring worstName;
        for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
            ComPtr<ITypeInfo> t;
            TYPEATTR* attr = nullptr;
            if (FAILED(lib->GetTypeInfo(i, t.GetAddressOf())) || FAILED(t->GetTypeAttr(&attr))) continue;
            GUID guid = attr->guid;
            bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
            t->ReleaseTypeAttr(attr);
            if (!dual) continue;
            const orvi::com::DispatchTable& table = orvi::com::DispatchTable::of(registered, guid);
            for (const orvi::com::FuncSpec& f : table.functions()) {
                LPOLESTR n[1] = {const_cast<LPOLESTR>(f.name.c_str())};
                DISPID got = 0;
                // The best of three measurements, so that a busy moment does not decide a name.
                double ns = 1e18;
                for (int again = 0; again < 3; ++again)
                    ns = std::min(ns, bench::nsPerCall([&] { table.getIDsOfNames(n, 1, &got); }, 100000));
                if (got != f.id) std::printf("lookup of %s gave the wrong DISPID\n", narrow(f.name).c_str());
                total += ns;
                ++names;
                if (ns > worst) worst = ns, worstName = f.name;
            }
        }
        std::printf("%-44s %9.1f ns (mean of %d names)\n", "name lookup, every member name", names ? total / names : 0,
                    names);
        std::printf("%-44s %9.1f ns (\"%s\")\n", "name lookup, slowest member name", worst, narrow(worstName).c_str());
    }
    CoUninitialize();
    return 0;
}
