#include "Sink.h"

#include "com/ComObject.h"

namespace testkit {

ComPtr<Sink> Sink::create() {
    return orvi::com::adopt(new Sink());
}

Sink::~Sink() = default;

STDMETHODIMP_(ULONG) Sink::Release() {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return ULONG(n);
}

void Sink::connect(IUnknown* source, REFIID iid) {
    ComPtr<IConnectionPointContainer> container;
    REQUIRE(SUCCEEDED(source->QueryInterface(IID_IConnectionPointContainer,
                                             reinterpret_cast<void**>(container.GetAddressOf()))));
    REQUIRE(SUCCEEDED(container->FindConnectionPoint(iid, point_.ReleaseAndGetAddressOf())));
    iid_ = iid;
    REQUIRE(SUCCEEDED(point_->Advise(static_cast<IDispatch*>(this), &cookie_)));
}

void Sink::disconnect() {
    if (point_) CHECK_HR(point_->Unadvise(cookie_), S_OK);
    point_.Reset();
    cookie_ = 0;
}

std::vector<DISPID> Sink::ids() const {
    std::vector<DISPID> r;
    for (const EventCall& e : events_) r.push_back(e.id);
    return r;
}

STDMETHODIMP Sink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch && (riid != iid_ || iid_ == IID_NULL)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP Sink::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                          UINT*) {
    if (result) VariantInit(result);
    EventCall call{id, {}};
    std::vector<VARIANT*> raw;
    for (UINT i = params->cArgs; i > 0; --i) {
        VARIANT* a = &params->rgvarg[i - 1];
        raw.push_back(a);
        call.args.push_back({V_VT(a), Variant(*a)});
    }
    events_.push_back(std::move(call));
    auto h = handlers_.find(id);
    if (h != handlers_.end()) {
        Handler handler = h->second;  // the handler may replace itself
        handler(raw);
    }
    (void)flags;
    (void)excep;
    return failHr_;
}

}  // namespace testkit
