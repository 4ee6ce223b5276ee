// Plug-ins that misbehave in their event handlers, for the runner's tests. One DLL, three
// classes; each connects to the event object it is given (Connect(EventObject), Disconnect())
// and then answers every event its own way:
//   OrviRunnerTest.Raises    raises an error (error record set, DISP_E_EXCEPTION)
//   OrviRunnerTest.Crashes   writes through a null pointer
//   OrviRunnerTest.Hangs     never returns
#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "hostkit/PluginModule.h"
#include "tests/support/TestUnknown.h"

namespace {

enum class Fault { Raises, Crashes, Hangs };

struct ClassEntry {
    CLSID clsid;
    const wchar_t* progId;
    Fault fault;
};
// {5E1F7C20-3A41-4B8E-9D52-6A0B1C2D3E41..43}
const ClassEntry kClasses[] = {
    {{0x5e1f7c20, 0x3a41, 0x4b8e, {0x9d, 0x52, 0x6a, 0x0b, 0x1c, 0x2d, 0x3e, 0x41}}, L"OrviRunnerTest.Raises", Fault::Raises},
    {{0x5e1f7c20, 0x3a41, 0x4b8e, {0x9d, 0x52, 0x6a, 0x0b, 0x1c, 0x2d, 0x3e, 0x42}}, L"OrviRunnerTest.Crashes", Fault::Crashes},
    {{0x5e1f7c20, 0x3a41, 0x4b8e, {0x9d, 0x52, 0x6a, 0x0b, 0x1c, 0x2d, 0x3e, 0x43}}, L"OrviRunnerTest.Hangs", Fault::Hangs},
};

HMODULE module = nullptr;
volatile LONG liveObjects = 0;

// IDispatch with a reference count, counted among the DLL's live objects; members by DISPID.
class DispatchBase : public testkit::UncountedDispatch {
public:
    DispatchBase() { InterlockedIncrement(&liveObjects); }
    ~DispatchBase() override { InterlockedDecrement(&liveObjects); }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
};

class Sink final : public DispatchBase {
public:
    explicit Sink(const ClassEntry& c) : class_(c) {}
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        switch (class_.fault) {
        case Fault::Raises: {
            ICreateErrorInfo* create = nullptr;
            if (SUCCEEDED(CreateErrorInfo(&create))) {
                create->SetDescription(const_cast<LPOLESTR>(L"the handler failed on purpose"));
                create->SetSource(const_cast<LPOLESTR>(class_.progId));
                IErrorInfo* info = nullptr;
                if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
                    SetErrorInfo(0, info);
                    info->Release();
                }
                create->Release();
            }
            return DISP_E_EXCEPTION;
        }
        case Fault::Crashes:
            *static_cast<volatile int*>(nullptr) = 1;
            return S_OK;
        case Fault::Hangs:
            Sleep(INFINITE);
            return S_OK;
        }
        return S_OK;
    }

private:
    const ClassEntry& class_;
};

// Connect(EventObject) = 1, Disconnect() = 2.
class Plugin final : public DispatchBase {
public:
    explicit Plugin(const ClassEntry& c) : class_(c) {}
    ~Plugin() override { disconnect(); }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1) return DISP_E_UNKNOWNNAME;
        if (!lstrcmpiW(names[0], L"Connect")) return *ids = 1, S_OK;
        if (!lstrcmpiW(names[0], L"Disconnect")) return *ids = 2, S_OK;
        *ids = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    // Connect is a method and a write-only property of an object (Set plugin.Connect = ev).
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == 2) return disconnect(), S_OK;
        if (id != 1) return DISP_E_MEMBERNOTFOUND;
        bool put = (flags & DISPATCH_PROPERTYPUTREF) != 0;
        if (put != (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
            return DISP_E_PARAMNOTFOUND;
        if (!put && !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT& arg = params->rgvarg[0];
        IUnknown* object = V_VT(&arg) == VT_DISPATCH ? V_DISPATCH(&arg)
                           : V_VT(&arg) == (VT_DISPATCH | VT_BYREF) ? *V_DISPATCHREF(&arg) : nullptr;
        if (!object) return DISP_E_TYPEMISMATCH;
        disconnect();
        IConnectionPointContainer* container = nullptr;
        HRESULT hr = object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
        if (FAILED(hr)) return hr;
        IEnumConnectionPoints* points = nullptr;
        hr = container->EnumConnectionPoints(&points);
        container->Release();
        if (FAILED(hr)) return hr;
        ULONG got = 0;
        hr = points->Next(1, &point_, &got);
        points->Release();
        if (hr != S_OK || !got) return point_ = nullptr, E_FAIL;
        Sink* sink = new (std::nothrow) Sink(class_);
        if (!sink) return E_OUTOFMEMORY;
        hr = point_->Advise(sink, &cookie_);
        sink->Release();
        if (FAILED(hr)) point_->Release(), point_ = nullptr;
        return hr;
    }

private:
    void disconnect() {
        if (!point_) return;
        point_->Unadvise(cookie_);
        point_->Release();
        point_ = nullptr;
    }
    const ClassEntry& class_;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
};

// Returns a new plug-in of one class with its one reference, or null when memory is short.
struct MakePlugin {
    const ClassEntry* entry;
    Plugin* operator()() const { return new (std::nothrow) Plugin(*entry); }
};

plugkit::StaticFactory<MakePlugin> factories[] = {plugkit::StaticFactory<MakePlugin>(MakePlugin{&kClasses[0]}),
                                                  plugkit::StaticFactory<MakePlugin>(MakePlugin{&kClasses[1]}),
                                                  plugkit::StaticFactory<MakePlugin>(MakePlugin{&kClasses[2]})};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) module = instance;
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (size_t i = 0; i < 3; ++i)
        if (clsid == kClasses[i].clsid) return factories[i].QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return liveObjects == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    for (const ClassEntry& c : kClasses)
        if (HRESULT hr = plugkit::registerClass(module, c.clsid, c.progId); FAILED(hr)) return hr;
    return S_OK;
}

STDAPI DllUnregisterServer() {
    for (const ClassEntry& c : kClasses) plugkit::unregisterClass(c.clsid, c.progId);
    return S_OK;
}
