// The IUnknown of the tests' and benchmarks' own COM objects (host doubles, sinks): a reference
// count, deletion at zero, and QueryInterface answering IUnknown, IDispatch and the IIDs the
// object is made with, all with its IDispatch (UncountedObject<IDispatchEx> for an object
// that also resolves names dynamically). Not com::Unknown: that one counts its objects in
// the library's module, and a double must never count as an object left alive.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <utility>
#include <vector>

namespace testkit {

template <class Interface>
class UncountedObject : public Interface {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        bool known = riid == IID_IUnknown || riid == IID_IDispatch;
        for (const IID& i : also_) known = known || riid == i;
        if (!known) return E_NOINTERFACE;
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;
        return ULONG(n);
    }
    // No type information unless the object says otherwise.
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    long refs() noexcept {
        AddRef();
        return long(Release());
    }

protected:
    // `also`: further interfaces the object answers with its IDispatch (a control's dual
    // interfaces). The object starts with one reference, the creator's.
    explicit UncountedObject(std::vector<IID> also = {}) : also_(std::move(also)) {}
    virtual ~UncountedObject() = default;

private:
    std::vector<IID> also_;
    volatile LONG refs_ = 1;
};

using UncountedDispatch = UncountedObject<IDispatch>;

// GetTypeInfo of an object that answers with one type, `type`.
inline HRESULT oneTypeInfo(ITypeInfo* type, UINT index, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index) return DISP_E_BADINDEX;
    *info = type;
    type->AddRef();
    return S_OK;
}

}  // namespace testkit
