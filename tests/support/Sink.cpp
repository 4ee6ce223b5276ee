#include "Sink.h"

#include <algorithm>

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
    eventIds_ = memberIds(eventsInfo(source, iid).Get());
    REQUIRE(SUCCEEDED(point_->Advise(static_cast<IDispatch*>(this), &cookie_)));
}

DISPID Sink::id(const wchar_t* event, Where where) const {
    auto found = eventIds_.find(std::wstring_view(event));
    if (found == eventIds_.end()) stop(where.file_name(), int(where.line()), "no event %s", narrow(event).c_str());
    return found->second;
}

std::vector<std::wstring> Sink::names() const {
    std::vector<std::wstring> r;
    for (const EventCall& e : events_) {
        auto named = std::find_if(eventIds_.begin(), eventIds_.end(), [&](const auto& n) { return n.second == e.id; });
        r.push_back(named != eventIds_.end() ? named->first : L"#" + std::to_wstring(e.id));
    }
    return r;
}

ComPtr<ITypeInfo> eventsInfo(IUnknown* source, REFIID events, Where where) {
    ComPtr<IDispatch> dispatch;
    ComPtr<ITypeInfo> own;
    ComPtr<ITypeLib> lib;
    ComPtr<ITypeInfo> info;
    UINT index = 0;
    if (FAILED(source->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()))) ||
        FAILED(dispatch->GetTypeInfo(0, 0, own.GetAddressOf())) ||
        FAILED(own->GetContainingTypeLib(lib.GetAddressOf(), &index)) ||
        FAILED(lib->GetTypeInfoOfGuid(events, info.GetAddressOf())))
        stop(where.file_name(), int(where.line()), "no type information for the object's events");
    return info;
}

std::map<std::wstring, DISPID, std::less<>> memberIds(ITypeInfo* info) {
    std::map<std::wstring, DISPID, std::less<>> r;
    TYPEATTR* attr = nullptr;
    if (!info || FAILED(info->GetTypeAttr(&attr))) return r;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) continue;
        BSTR name = nullptr;
        UINT n = 0;
        if (SUCCEEDED(info->GetNames(f->memid, &name, 1, &n)) && n == 1) r.emplace(std::wstring(name, SysStringLen(name)), f->memid);
        SysFreeString(name);
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    return r;
}

DISPID memberId(ITypeInfo* info, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    if (FAILED(info->GetIDsOfNames(&n, 1, &id))) return DISPID_UNKNOWN;
    return id;
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
