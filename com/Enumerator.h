// The one enumerator of this layer: the Collection's _NewEnum (IEnumVARIANT) and the event
// objects' connection points and connections (IEnumConnectionPoints, IEnumConnections). It walks
// a copy of the items taken when it was made and holds its own reference to each; every item it
// hands out is the caller's own (a reference added, a Variant copied).
//
// Next(n > 1, items, NULL) is E_POINTER, as the system's own enumerators answer it: without the
// count the caller could not tell how many items it has to release. A null array is E_POINTER
// only when something is asked for (n > 0).
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <utility>
#include <vector>

#include "Errors.h"
#include "Unknown.h"
#include "Variant.h"

namespace orvi::com {

// A connection as an enumerator keeps it.
struct HeldConnection {
    Microsoft::WRL::ComPtr<IUnknown> sink;
    DWORD cookie;
};

namespace detail {
inline HRESULT handOut(VARIANT& out, const Variant& held) noexcept {
    VariantInit(&out);
    return VariantCopy(&out, const_cast<VARIANT*>(&held.get()));
}
inline void takeBack(VARIANT& out) noexcept { VariantClear(&out); }
inline HRESULT handOut(IConnectionPoint*& out, const Microsoft::WRL::ComPtr<IConnectionPoint>& held) noexcept {
    out = held.Get();
    out->AddRef();
    return S_OK;
}
inline void takeBack(IConnectionPoint*& out) noexcept { out->Release(); }
inline HRESULT handOut(CONNECTDATA& out, const HeldConnection& held) noexcept {
    out = {held.sink.Get(), held.cookie};
    out.pUnk->AddRef();
    return S_OK;
}
inline void takeBack(CONNECTDATA& out) noexcept { out.pUnk->Release(); }
}  // namespace detail

template <class Enum, class Item, class Held>
class Enumerator final : public Unknown<Enumerator<Enum, Item, Held>, Enum> {
public:
    // Throws std::bad_alloc.
    static Microsoft::WRL::ComPtr<Enum> make(std::vector<Held> items, size_t at = 0) {
        Microsoft::WRL::ComPtr<Enum> e;
        *e.ReleaseAndGetAddressOf() = new Enumerator(std::move(items), at);
        return e;
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (fetched) *fetched = 0;
        if ((count && !out) || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        for (; n < count && at_ < items_.size(); ++n, ++at_) {
            HRESULT hr = detail::handOut(out[n], items_[at_]);
            if (FAILED(hr)) {
                while (n) detail::takeBack(out[--n]);  // on failure the caller owns nothing
                return hr;
            }
        }
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        size_t left = items_.size() - at_;
        at_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        at_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Enum** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        try {
            *out = make(items_, at_).Detach();
            return S_OK;
        } catch (...) {
            return failureHresult();
        }
    }

private:
    Enumerator(std::vector<Held> items, size_t at) : items_(std::move(items)), at_(at) {}

    std::vector<Held> items_;
    size_t at_;
};

}  // namespace orvi::com
