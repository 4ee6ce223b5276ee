// The foundation library's containers: Dictionary (keys matched without regard to case, kept in
// insertion order, positions 1-based) and Vector (indexed from a lower bound, 1 by default).
#pragma once
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "hostkit/HostKit.h"

namespace hostkit {

class PyxDictionary final : public orvi::com::ComObject<PyxDictionary, PyxLibrary, IPyxDictionary> {
public:
    static constexpr const wchar_t* kSource = L"Pyx.Dictionary";

    STDMETHODIMP get_Count(long* count) override;
    STDMETHODIMP get_Key(long index, BSTR* key) override;
    STDMETHODIMP get_Item(BSTR key, VARIANT* value) override;
    STDMETHODIMP put_Item(BSTR key, VARIANT value) override;
    STDMETHODIMP LookUp(BSTR key, VARIANT* value, VARIANT_BOOL* found) override;
    STDMETHODIMP get_Value(BSTR key, VARIANT defaultValue, VARIANT* value) override;
    STDMETHODIMP Remove(BSTR key) override;
    STDMETHODIMP RemoveAll() override;

    // C++ conveniences for building host data.
    void set(std::wstring_view key, const VARIANT& value);
    void set(std::wstring_view key, const Variant& value) { set(key, value.get()); }
    const VARIANT* find(std::wstring_view key) const;

private:
    static std::wstring fold(std::wstring_view key);
    std::vector<std::pair<std::wstring, Variant>> entries_;
    std::unordered_map<std::wstring, size_t> index_;
};

class PyxVector final : public orvi::com::ComObject<PyxVector, PyxLibrary, IPyxVector> {
public:
    static constexpr const wchar_t* kSource = L"Pyx.Vector";

    STDMETHODIMP get_LowerBound(long* index) override;
    STDMETHODIMP get_UpperBound(long* index) override;
    STDMETHODIMP get_Item(long index, VARIANT* value) override;
    STDMETHODIMP put_Item(long index, VARIANT value) override;
    STDMETHODIMP Add(VARIANT value) override;
    STDMETHODIMP get_Count(long* count) override;

    void setLowerBound(long lower) { lower_ = lower; }
    void add(const Variant& value) { items_.push_back(value); }

private:
    long lower_ = 1;
    std::vector<Variant> items_;
};

// New containers, as the interface pointers hosts hand over.
ComPtr<PyxDictionary> newDictionary();
ComPtr<PyxVector> newVector();

// The container of kind `I` a value holds (directly or by reference), or null where it holds none.
template <class I>
ComPtr<I> containerOf(const Variant& v) {
    const VARIANT& d = orvi::com::deref(v.get());
    ComPtr<I> r;
    if ((V_VT(&d) == VT_DISPATCH || V_VT(&d) == VT_UNKNOWN) && V_UNKNOWN(&d))
        V_UNKNOWN(&d)->QueryInterface(__uuidof(I), reinterpret_cast<void**>(r.GetAddressOf()));
    return r;
}
inline ComPtr<IPyxDictionary> dictOf(const Variant& v) {
    return containerOf<IPyxDictionary>(v);
}
inline ComPtr<IPyxVector> vectorOf(const Variant& v) {
    return containerOf<IPyxVector>(v);
}

}  // namespace hostkit
