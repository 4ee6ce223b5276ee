#include "hostkit/PyxContainers.h"

namespace hostkit {

using orvi::com::boundary;

std::wstring PyxDictionary::fold(std::wstring_view key) {
    std::wstring k(key);
    if (!k.empty()) CharUpperBuffW(k.data(), DWORD(k.size()));
    return k;
}

void PyxDictionary::set(std::wstring_view key, const VARIANT& value) {
    std::wstring k = fold(key);
    auto it = index_.find(k);
    if (it != index_.end()) {
        entries_[it->second].second = Variant(value);
    } else {
        entries_.emplace_back(std::wstring(key), Variant(value));
        index_.emplace(std::move(k), entries_.size() - 1);
    }
}

const VARIANT* PyxDictionary::find(std::wstring_view key) const {
    auto it = index_.find(fold(key));
    return it == index_.end() ? nullptr : &entries_[it->second].second.get();
}

STDMETHODIMP PyxDictionary::get_Count(long* count) {
    return guard([&] { initOut(count, long(entries_.size())); });
}

STDMETHODIMP PyxDictionary::get_Key(long index, BSTR* key) {
    return guard([&] {
        initOut(key);
        if (index < 1 || size_t(index) > entries_.size()) raise(RuntimeError::SubscriptOutOfRange);
        *key = Bstr(entries_[size_t(index - 1)].first).release();
    });
}

STDMETHODIMP PyxDictionary::get_Item(BSTR key, VARIANT* value) {
    return guard([&] {
        initOut(value);
        if (const VARIANT* v = find(orvi::com::view(key)))
            Variant(*v).detach(value);
    });
}

STDMETHODIMP PyxDictionary::put_Item(BSTR key, VARIANT value) {
    return guard([&] { set(orvi::com::view(key), value); });
}

STDMETHODIMP PyxDictionary::LookUp(BSTR key, VARIANT* value, VARIANT_BOOL* found) {
    return guard([&] {
        initOut(found, VARIANT_BOOL(VARIANT_FALSE));
        const VARIANT* v = find(orvi::com::view(key));
        if (!v) return;
        *found = VARIANT_TRUE;
        if (value && !orvi::com::isMissing(*value)) {
            Variant copy(*v);
            VARIANT* target = value;
            if (V_VT(value) == (VT_BYREF | VT_VARIANT)) target = V_VARIANTREF(value);
            VariantClear(target);
            copy.detach(target);
        }
    });
}

STDMETHODIMP PyxDictionary::get_Value(BSTR key, VARIANT defaultValue, VARIANT* value) {
    return guard([&] {
        initOut(value);
        const VARIANT* v = find(orvi::com::view(key));
        if (v)
            Variant(*v).detach(value);
        else if (!orvi::com::isMissing(defaultValue))
            Variant(defaultValue).detach(value);
    });
}

STDMETHODIMP PyxDictionary::Remove(BSTR key) {
    return guard([&] {
        auto it = index_.find(fold(orvi::com::view(key)));
        if (it == index_.end()) raise(RuntimeError::InvalidProcedureCall);
        entries_.erase(entries_.begin() + ptrdiff_t(it->second));
        index_.clear();
        for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(fold(entries_[i].first), i);
    });
}

STDMETHODIMP PyxDictionary::RemoveAll() {
    return guard([&] {
        entries_.clear();
        index_.clear();
    });
}

STDMETHODIMP PyxVector::get_LowerBound(long* index) {
    return guard([&] { initOut(index, lower_); });
}

STDMETHODIMP PyxVector::get_UpperBound(long* index) {
    return guard([&] { initOut(index, long(lower_ + long(items_.size()) - 1)); });
}

STDMETHODIMP PyxVector::get_Item(long index, VARIANT* value) {
    return guard([&] {
        initOut(value);
        if (index < lower_ || index - lower_ >= long(items_.size())) raise(RuntimeError::SubscriptOutOfRange);
        Variant(items_[size_t(index - lower_)]).detach(value);
    });
}

STDMETHODIMP PyxVector::put_Item(long index, VARIANT value) {
    return guard([&] {
        if (index < lower_ || index - lower_ >= long(items_.size())) raise(RuntimeError::SubscriptOutOfRange);
        items_[size_t(index - lower_)] = Variant(value);
    });
}

STDMETHODIMP PyxVector::Add(VARIANT value) {
    return guard([&] { items_.push_back(Variant(value)); });
}

STDMETHODIMP PyxVector::get_Count(long* count) {
    return guard([&] { initOut(count, long(items_.size())); });
}

ComPtr<PyxDictionary> newDictionary() {
    return orvi::com::make<PyxDictionary>();
}

ComPtr<PyxVector> newVector() {
    return orvi::com::make<PyxVector>();
}

Variant objectValue(IDispatch* p) {
    return Variant(p);
}

}  // namespace hostkit
