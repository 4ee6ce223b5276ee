// Cost of a relay: FireBeforeSave called late-bound on the bill event object with 0, 1 and 8
// connected sinks, beside one plain IDispatch::Invoke on a sink in the same run.
//
//   tools/wine-run build/x86_64 build/x86_64/bench/bench_relay.exe
#include <ocidl.h>

#include <cstdio>
#include <vector>

#include "BenchClock.h"
#include "Late.h"
#include "OrviClassEvents.h"

using namespace testkit;

namespace {

// A sink on the stack of main: its references do not end it; events are left to the kinds below.
class StackSink : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IDispatch) return *ppv = nullptr, E_NOINTERFACE;
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(InterlockedDecrement(&refs_)); }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

private:
    volatile LONG refs_ = 1;
};

// A sink that answers every event at once.
class NullSink final : public StackSink {
public:
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        calls_ += params->cArgs;
        return S_OK;
    }
    unsigned long calls_ = 0;
};

// A sink that does what a compiled plug-in's event stub does before its handler runs: copies each
// argument into a typed local, then answers through the by-reference Cancel.
class WorkingSink final : public StackSink {
public:
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        for (UINT i = 0; i < params->cArgs; ++i) {
            VARIANT local;
            VariantInit(&local);
            VariantChangeType(&local, &params->rgvarg[i], 0, VT_BOOL);
            VariantClear(&local);
        }
        if (params->cArgs && V_VT(&params->rgvarg[0]) == (VT_BYREF | VT_BOOL)) *V_BOOLREF(&params->rgvarg[0]) = VARIANT_FALSE;
        return S_OK;
    }
};

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Late ev = Late::create(L"OrviClassEvents.BillEvent");
        IDispatch* disp = ev.get();
        LPOLESTR name = const_cast<LPOLESTR>(L"FireBeforeSave");
        DISPID id = 0;
        disp->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
        ComPtr<IConnectionPointContainer> container;
        disp->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()));
        ComPtr<IConnectionPoint> point;
        container->FindConnectionPoint(DIID___BillEvent, point.GetAddressOf());

        VARIANT_BOOL cancel = VARIANT_FALSE;
        VARIANT arg;
        V_VT(&arg) = VT_BYREF | VT_BOOL;
        V_BOOLREF(&arg) = &cancel;
        DISPPARAMS params = {&arg, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        auto fire = [&] { disp->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr); };

        NullSink sinks[8];
        DWORD cookies[8] = {};
        std::printf("%-48s %10s\n", "operation", "time");
        double zero = bench::nsPerCall(fire);
        std::printf("%-48s %7.1f ns\n", "FireBeforeSave, no sink", zero);
        point->Advise(&sinks[0], &cookies[0]);
        double one = bench::nsPerCall(fire);
        std::printf("%-48s %7.1f ns\n", "FireBeforeSave, 1 sink", one);
        for (int i = 1; i < 8; ++i) point->Advise(&sinks[i], &cookies[i]);
        double eight = bench::nsPerCall(fire);
        std::printf("%-48s %7.1f ns\n", "FireBeforeSave, 8 sinks", eight);
        // The same call made through the IDispatch vtable, as the relay makes it.
        IDispatch* volatile sinkDisp = &sinks[0];  // an opaque pointer: no inlining
        double plainVirtual = bench::nsPerCall([&] {
            sinkDisp->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        });
        std::printf("%-48s %7.1f ns\n", "plain IDispatch::Invoke on one sink", plainVirtual);
        double perSink = (eight - zero) / 8;
        std::printf("%-48s %7.1f ns  (%.2fx the plain call)\n", "relay cost per sink (8 sinks)", perSink,
                    perSink / plainVirtual);
        std::printf("%-48s %7.1f ns\n", "relay cost of the first sink", one - zero);
        for (int i = 0; i < 8; ++i) point->Unadvise(cookies[i]);

        // The same with sinks that do some work of their own, as real plug-ins do.
        WorkingSink working[8];
        double workZero = bench::nsPerCall(fire);
        for (int i = 0; i < 8; ++i) point->Advise(&working[i], &cookies[i]);
        double workEight = bench::nsPerCall(fire);
        IDispatch* volatile workDisp = &working[0];
        double workPlain = bench::nsPerCall([&] {
            workDisp->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        });
        double workPerSink = (workEight - workZero) / 8;
        std::printf("%-48s %7.1f ns\n", "FireBeforeSave, 8 working sinks", workEight);
        std::printf("%-48s %7.1f ns\n", "plain IDispatch::Invoke on one working sink", workPlain);
        std::printf("%-48s %7.1f ns  (%.2fx the plain call)\n", "relay cost per working sink", workPerSink,
                    workPerSink / workPlain);
        for (int i = 0; i < 8; ++i) point->Unadvise(cookies[i]);
    }
    CoUninitialize();
    return 0;
}
