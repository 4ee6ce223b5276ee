#include "ConnectionPoint.h"

#include "Enumerator.h"
#include "Errors.h"

namespace orvi::com {

ConnectionPoint::~ConnectionPoint() {
    for (Sink& s : sinks_) s.sink->Release();
}

STDMETHODIMP ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IDispatch* disp = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&disp))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp))))
        return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.push_back({nextCookie_, disp, false});
    } catch (...) {
        disp->Release();
        return failureHresult();
    }
    *cookie = nextCookie_++;
    return S_OK;
}

STDMETHODIMP ConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie != cookie || it->removed) continue;
        if (firing_) {
            it->removed = true;  // released when the events under way are over
            return S_OK;
        }
        IDispatch* sink = it->sink;
        sinks_.erase(it);
        sink->Release();  // after the list is consistent: the release may re-enter
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

size_t ConnectionPoint::sinkCount() const noexcept {
    size_t n = 0;
    for (const Sink& s : sinks_) n += !s.removed;
    return n;
}

void ConnectionPoint::purge() noexcept {
    std::vector<IDispatch*> released;
    for (auto it = sinks_.begin(); it != sinks_.end();) {
        if (it->removed) {
            released.push_back(it->sink);
            it = sinks_.erase(it);
        } else {
            ++it;
        }
    }
    for (IDispatch* sink : released) sink->Release();
}

STDMETHODIMP ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::vector<HeldConnection> items;
        items.reserve(sinks_.size());
        for (Sink& s : sinks_)
            if (!s.removed) items.push_back({s.sink, s.cookie});
        *out = Enumerator<IEnumConnections, CONNECTDATA, HeldConnection>::make(std::move(items)).Detach();
        return S_OK;
    } catch (...) {
        return failureHresult();
    }
}

void ConnectionPoint::fire(DISPID id, VARIANTARG* args, UINT count) noexcept {
    if (sinks_.empty()) return;
    // The owner stays alive for the whole event whatever the handlers do; sinks unadvised meanwhile
    // stay alive until the outermost event is over (see Unadvise).
    container_->AddRef();
    ++firing_;
    // Events have no result, and a handler's failure is not the raiser's to act on: neither a
    // result variable nor an exception record is asked for.
    DISPPARAMS params = {args, nullptr, count, 0};
    const size_t connected = sinks_.size();  // sinks advised during the event do not get it
    for (size_t i = 0; i < connected; ++i) {
        if (sinks_[i].removed) continue;
        IDispatch* sink = sinks_[i].sink;  // the vector may grow during the call: copy first
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    if (--firing_ == 0) purge();
    container_->Release();
}

HRESULT enumSinglePoint(IConnectionPoint* point, IEnumConnectionPoints** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        std::vector<ComPtr<IConnectionPoint>> items{point};
        *out = Enumerator<IEnumConnectionPoints, IConnectionPoint*, ComPtr<IConnectionPoint>>::make(std::move(items))
                   .Detach();
        return S_OK;
    } catch (...) {
        return failureHresult();
    }
}

}  // namespace orvi::com
