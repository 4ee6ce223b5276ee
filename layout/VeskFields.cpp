#include "layout/VeskFields.h"

#include "layout/MLayout.h"
#include "layout/VeskField.h"

namespace orvi {

namespace {

// A text Index (variant type String): a field key rather than a position.
const BSTR* textOf(const VARIANT& index) noexcept {
    const VARIANT& v = com::deref(index);
    if (V_VT(&v) == VT_BSTR) return &V_BSTR(&v);
    if (V_VT(&v) == (VT_BYREF | VT_BSTR)) return V_BSTRREF(&v);
    return nullptr;
}

// The value get with a default of the foundation's Dictionary: the item, or "" for a key that
// is not there.
Variant valueOr(IPyxDictionary* d, BSTR key) {
    if (!d) com::raise(RuntimeError::ObjectNotSet);
    // The default goes by value ([in]): made in place, as a key is.
    com::InBstr empty(L"");
    Variant r;
    com::checkCall(d->get_Value(key, com::borrowed(empty.get()), &r.get()), d, __uuidof(IPyxDictionary));
    return r;
}

}  // namespace

// {5B0D3C1E-7A41-4F0B-9C5E-2E8D6F41A9B7}: private to this module, never registered.
const IID VeskFields::kIdentity = {0x5b0d3c1e, 0x7a41, 0x4f0b, {0x9c, 0x5e, 0x2e, 0x8d, 0x6f, 0x41, 0xa9, 0xb7}};

void* VeskFieldsIdentity::castTo(REFIID riid) noexcept {
    return riid == VeskFields::kIdentity ? static_cast<VeskFields*>(this) : nullptr;
}

VeskFields::VeskFields() = default;
VeskFields::~VeskFields() = default;

ComPtr<VeskFields> VeskFields::from(IUnknown* object) {
    if (!object) return nullptr;
    void* self = nullptr;
    if (FAILED(object->QueryInterface(kIdentity, &self)) || !self) com::raise(RuntimeError::TypeMismatch);
    return com::adopt(static_cast<VeskFields*>(self));
}

ComPtr<VeskFields> VeskFields::from(_VeskFields** object) {
    if (!object) com::raise(E_POINTER, L"Invalid pointer");
    return from(*object);
}

ComPtr<VeskFields> VeskFields::forPage(ComPtr<VeskFields>& kept, const com::HostPtr& billCtl, std::wstring_view ownerKind,
                                       long page) {
    // Held here: the bill control may run code that sets another collection meanwhile.
    ComPtr<VeskFields> fields = com::madeOnce(kept);
    fields->setBillCtl(billCtl);
    fields->setOwnerKind(ownerKind);
    fields->setPage(page);
    return fields;
}

void VeskFields::setBillCtl(const com::HostPtr& billCtl) {
    billCtl_ = billCtl;
    tableInfo_ = layout::TableInfoOf(billCtl);
}

IPyxDictionary* VeskFields::table() const {
    if (!tableInfo_) com::raise(RuntimeError::ObjectNotSet);
    return tableInfo_.Get();
}

Bstr VeskFields::keyByIndex(const VARIANT& index) const noexcept {
    Bstr key;
    com::ignoring([&] {
        // The usual conversion: 2.6 is position 3, True is -1.
        long n = com::toLong(index);
        host::DictionaryPtr page = host::toDictionary(host::item(table(), host::pageKey(page_)).get());
        if (n < 1 || n > host::count(page.Get())) return;
        Bstr name = host::keyAt(page.Get(), n);
        key = layout::TakeText(layout::ItemOf(page.Get(), name.get()));
    });
    return key;
}

Bstr VeskFields::keyByName(BSTR name) const {
    host::DictionaryPtr map = host::toDictionary(host::item(table(), L"Map").get());
    Bstr mapped = layout::TakeText(valueOr(map.Get(), name));
    if (mapped.empty()) return {};
    // The page must list the mapped key itself, letter case included: a field of another page
    // is not found here.
    host::DictionaryPtr page = host::toDictionary(host::item(table(), host::pageKey(page_)).get());
    long count = host::count(page.Get());
    for (long i = 1; i <= count; ++i) {
        if (host::keyAt(page.Get(), i).view() == mapped.view())
            return layout::TakeText(layout::ItemOf(page.Get(), mapped.get()));
    }
    return {};
}

STDMETHODIMP VeskFields::get_Item(VARIANT Index, _VeskField** ret) {
    return answerOwn(ret, [&] {
        // A text is a field key, even one made of digits; anything else is a position.
        const BSTR* text = textOf(Index);
        Bstr key = text ? keyByName(*text) : keyByIndex(Index);
        if (key.empty()) layout::RaiseBadIndex(L"Index 值错误。没有该字段");
        ComPtr<VeskField> field = com::madeOnce(field_);
        field->setBillCtl(billCtl_);
        field->setOwnerKind(ownerKind_);
        field->setFieldKey(std::move(key));
        return field;
    });
}

STDMETHODIMP VeskFields::get_Count(long* ret) {
    return answer(ret, [&] {
        // The page dictionary's own Count, asked late-bound.
        ComPtr<IDispatch> page = com::toObject(host::item(table(), host::pageKey(page_)).get());
        return com::get(page.Get(), L"Count");
    });
}

}  // namespace orvi
