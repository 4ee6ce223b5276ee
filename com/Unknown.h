// Reference counting and QueryInterface for the small objects of this layer that are not
// automation classes (class factories, enumerators, type information views): the class lists its
// interfaces once and each live object counts in Module.
//
//   class ClassFactory final : public Unknown<ClassFactory, IClassFactory> { ... };
//
// A class that answers an interface only sometimes overrides `bool answers(REFIID)`.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "Module.h"

namespace orvi::com {

template <class Derived, class Itf, class... More>
class Unknown : public Itf, public More... {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == __uuidof(Itf))
            *ppv = static_cast<Itf*>(this);
        else
            (void)((riid == __uuidof(More) && (*ppv = static_cast<More*>(this))) || ...);
        if (!*ppv || !static_cast<Derived*>(this)->answers(riid)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (!n) delete this;  // the destructor is virtual
        return ULONG(n);
    }
    bool answers(REFIID) const noexcept { return true; }

protected:
    Unknown() noexcept { Module::objectCreated(); }
    virtual ~Unknown() { Module::objectDestroyed(); }

private:
    volatile LONG refs_ = 1;
};

}  // namespace orvi::com
