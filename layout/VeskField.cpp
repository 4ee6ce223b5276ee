#include "layout/VeskField.h"

#include "host/HostForm.h"
#include "host/MFieldValue.h"
#include "host/MSession.h"
#include "layout/MLayout.h"
#include "layout/VeskFields.h"
#include "text/FontText.h"

namespace orvi {

namespace member = host::member;

namespace {

using fieldvalue::kLookupFailed;
using fieldvalue::kNotInList;
using fieldvalue::kValueNotFound;

[[noreturn]] void fail(HRESULT hr, const wchar_t* text) {
    com::raise(hr, session::LoadLangText(text));
}

Variant integerOne() {
    return Variant(short(1));
}


}  // namespace

VeskField::VeskField() = default;
VeskField::~VeskField() = default;

// ---------------------------------------------------------------- binding

void VeskField::setBillCtl(const com::HostPtr& billCtl) {
    billCtl_ = billCtl;
    tableInfo_ = layout::TableInfoOf(billCtl);
}

void VeskField::setFieldKey(Bstr key) {
    key_ = std::move(key);
    setDescriptor(com::toObject(layout::ItemOf(tableInfo_.Get(), key_.get()).get()).Get());
}

void VeskField::setDescriptor(IDispatch* dct) noexcept {
    dct_ = dct;
    dctDictionary_.Reset();
    if (dct) dct->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(dctDictionary_.GetAddressOf()));
}

IPyxDictionary* VeskField::descriptor() const {
    if (!dct_) com::raise(RuntimeError::ObjectNotSet);
    if (!dctDictionary_) com::raise(RuntimeError::TypeMismatch);
    return dctDictionary_.Get();
}

const com::HostPtr& VeskField::bill() const {
    if (!billCtl_) com::raise(RuntimeError::ObjectNotSet);
    return billCtl_;
}

template <class F>
Variant VeskField::withDescriptor(F&& call) {
    const com::HostPtr& control = bill();
    ComPtr<IDispatch> dct = dct_;
    struct TakeBack {
        VeskField& field;
        ComPtr<IDispatch>& dct;
        ~TakeBack() { field.setDescriptor(dct.Get()); }
    } takeBack{*this, dct};
    return call(control, dct);
}

// ---------------------------------------------------------------- descriptor and control

Variant VeskField::read(const wchar_t* key) const {
    return host::item(descriptor(), key);
}

void VeskField::write(const wchar_t* key, const Variant& value) {
    host::setItem(descriptor(), key, value.get());
}

void VeskField::writeGeometry(const wchar_t* key, short value) {
    write(key, Variant(value));
    layout::SizeControl(billCtl_);
}

void VeskField::push(const wchar_t* propName) {
    if (ownerKind_ != VeskFields::kOwnerHead) return;
    // The new setting already stands in the descriptor; the control's answer is of no use.
    Bstr name(propName);
    withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
        return com::call(ctl, member::SetHeadCtlProperty, {Arg::ref(dct), Arg::ref(name)});
    });
}

Variant VeskField::pull(const wchar_t* propName) {
    // An entry field's look is not kept by the control: Empty, which reads as 0, "" or False.
    if (ownerKind_ != VeskFields::kOwnerHead) return Variant();
    Bstr name(propName);
    return withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
        return com::call(ctl, member::GetHeadCtlProperty, {Arg::ref(dct), Arg::ref(name)});
    });
}

void VeskField::setFontItem(const wchar_t* itemName, std::wstring_view newValue) {
    std::wstring font = com::toString(read(L"FFont").get());
    write(L"FFont", Variant(fonttext::SetFontItem(font, itemName, newValue, session::UpperChar)));
}

// ---------------------------------------------------------------- values

// One value access passes one row variable, starting from the field's Row, to each of its
// row-dependent calls in turn: a row the control leaves in it is what the access's next call
// gets. The field's own Row is changed only by its Row let.
host::DictionaryPtr VeskField::dataField(long& row) {
    Variant fld = withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
        return com::call(ctl, member::GetDataFld, {Arg::ref(dct), Arg::ref(row)});
    });
    return host::toDictionary(fld.get());
}

void VeskField::showText(std::wstring_view text, long& row) {
    Bstr shown(text);
    withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
        return com::call(ctl, member::SetText, {Arg::ref(dct), Arg::ref(row), Arg::ref(shown)});
    });
}

// ReadValue: never fails. A step that fails is skipped and the read goes on with what it has.
Variant VeskField::readValue(Enu_ValueType type) noexcept {
    host::DictionaryPtr fld;
    long row = row_;
    if (!com::ignoring([&] { fld = dataField(row); }) || !fld) return Variant();
    // The stored value; a two-state field (FCtlType 4) reads it as a Boolean: False for 0 or
    // nothing, True otherwise (Null too: it is not 0).
    auto stored = [&] {
        Variant value;
        com::ignoring([&] { value = host::item(fld.Get(), L"FFLD"); });
        com::ignoring([&] {
            if (!fieldvalue::IsTwoStateField(descriptor())) return;
            std::optional<bool> zero = layout::EqualsNumber(value.get(), 0);
            value = Variant(!zero || !*zero);
        });
        return value;
    };
    Variant result;
    switch (type) {
    case Enu_ValueType_FFLD: result = stored(); break;
    case Enu_ValueType_FFND: com::ignoring([&] { result = host::item(fld.Get(), L"FFND"); }); break;
    case Enu_ValueType_FDSP:
        // A display text that cannot be read gives the stored value instead.
        if (!com::ignoring([&] { result = host::item(fld.Get(), L"FDSP"); })) result = stored();
        break;
    }
    return result;
}

// WriteValue. `Value` changes plain, two-state and list fields; `Number` changes lookup fields;
// a let that does not suit the field changes nothing and succeeds.
void VeskField::writeValue(const VARIANT& newValue, Enu_ValueType type) {
    long row = row_;
    host::DictionaryPtr fld = dataField(row);
    if (!fld) fail(kValueNotFound, L"无法更新字段的值");
    // Lookup kinds 0 and 100 (and none at all) are no lookup.
    if (fieldvalue::IsLookupField(descriptor())) {
        if (type != Enu_ValueType_FFND) return;
        // The control resolves the value and stores it into the field data itself.
        Bstr text = com::toBstr(newValue);
        Variant byValue(text.view());
        ComPtr<IDispatch> data(fld.Get());
        Variant found = withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
            return com::call(ctl, member::GetItem, {Arg::ref(dct), Arg::ref(data), Arg::value(byValue.get()), Arg::ref(row)});
        });
        fld = nullptr;
        // Null counts as False: nothing was resolved.
        if (found.vt() == VT_NULL || !com::toBool(found.get())) fail(kLookupFailed, L"更新查找类型字段时出现错误");
        showText(text.view(), row);
        return;
    }
    if (type != Enu_ValueType_FFLD) return;
    if (fieldvalue::IsListField(descriptor())) {
        writeListValue(fld.Get(), newValue, row);
        return;
    }
    Variant value(newValue);
    if (fieldvalue::IsTwoStateField(descriptor())) {
        // A two-state field stores 1 or 0; Null counts as False.
        const VARIANT& v = com::deref(newValue);
        bool on = V_VT(&v) != VT_NULL && com::toBool(v);
        value = Variant(short(on ? 1 : 0));
    }
    host::setItem(fld.Get(), L"FFLD", value.get());
    host::setItem(fld.Get(), L"FMODIFY", integerOne().get());
    showText(com::toBstr(value.get()).view(), row);
}

// A list field: the value is looked for among the display texts first (the first in item order
// wins), then among the codes; the code goes to FFLD, the display text to FDSP, both as texts,
// and the form is shown the code.
void VeskField::writeListValue(IPyxDictionary* fld, const VARIANT& newValue, long& row) {
    host::DictionaryPtr items = fieldvalue::ListItems(descriptor());
    Bstr text = com::toBstr(newValue);
    std::optional<fieldvalue::ListChoice> choice =
        fieldvalue::ChooseListItem(items.Get(), text.view(), fieldvalue::ItemMatch::Text);
    if (!choice) fail(kNotInList, L"没有在列表项中找到指定的值");
    Bstr code = fieldvalue::StoreListChoice(fld, *choice);
    showText(code.view(), row);
}

STDMETHODIMP VeskField::put_Value(VARIANT vData) {
    return guard([&] { com::reraiseAs(kSource, [&] { writeValue(vData, Enu_ValueType_FFLD); }); });
}

STDMETHODIMP VeskField::get_Value(VARIANT* ret) { return answer(ret, [&] { return readValue(Enu_ValueType_FFLD); }); }

STDMETHODIMP VeskField::put_Number(VARIANT vData) {
    return guard([&] { com::reraiseAs(kSource, [&] { writeValue(vData, Enu_ValueType_FFND); }); });
}

STDMETHODIMP VeskField::get_Number(VARIANT* ret) { return answer(ret, [&] { return readValue(Enu_ValueType_FFND); }); }

STDMETHODIMP VeskField::get_Text(VARIANT* ret) { return answer(ret, [&] { return readValue(Enu_ValueType_FDSP); }); }

// ---------------------------------------------------------------- run-time state

STDMETHODIMP VeskField::put_Row(long vData) {
    return guard([&] { row_ = vData; });
}

STDMETHODIMP VeskField::put_Visible(VARIANT_BOOL vData) {
    return guard([&] {
        withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
            return com::call(ctl, member::ShowHideField, {Arg::ref(dct), Arg::refBool(vData)});
        });
    });
}

STDMETHODIMP VeskField::get_Visible(VARIANT_BOOL* ret) {
    return answer(ret, [&] {
        Variant visible = withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
            return com::call(ctl, member::IsFieldVisibleRunTime, {Arg::ref(dct)});
        });
        return com::toBool(visible.get());
    });
}

STDMETHODIMP VeskField::put_FieldLock(VARIANT_BOOL vData) {
    return guard([&] {
        long row = row_;
        withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
            return com::call(ctl, member::LockCell, {Arg::ref(dct), Arg::ref(row), Arg::refBool(vData)});
        });
    });
}

STDMETHODIMP VeskField::get_FieldLock(VARIANT_BOOL* ret) {
    return answer(ret, [&] {
        long row = row_;
        Variant locked = withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
            return com::call(ctl, member::IsFieldLockRunTime, {Arg::ref(dct), Arg::ref(row)});
        });
        return com::toBool(locked.get());
    });
}

// ---------------------------------------------------------------- template settings

STDMETHODIMP VeskField::get_TableName(BSTR* ret) { return answer(ret, [&] { return read(L"FTableName"); }); }

STDMETHODIMP VeskField::get_Page(short* ret) { return answer(ret, [&] { return read(L"FPage"); }); }

STDMETHODIMP VeskField::put_Note(BSTR vData) {
    return guard([&] { write(L"FNote", Variant(com::view(vData))); });
}

STDMETHODIMP VeskField::get_Note(BSTR* ret) { return answer(ret, [&] { return read(L"FNote"); }); }

STDMETHODIMP VeskField::get_NeedSave(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(L"FNeedSave").get()); });
}

STDMETHODIMP VeskField::put_MustInput(VARIANT_BOOL vData) {
    return guard([&] { write(L"FMustInput", Variant::boolean(vData)); });
}

STDMETHODIMP VeskField::get_MustInput(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(read(L"FMustInput").get()); });
}

STDMETHODIMP VeskField::put_FieldTop(short vData) {
    return guard([&] { writeGeometry(L"FTop", vData); });
}

STDMETHODIMP VeskField::get_FieldTop(short* ret) { return answer(ret, [&] { return read(L"FTop"); }); }

STDMETHODIMP VeskField::put_FieldLeft(short vData) {
    return guard([&] { writeGeometry(L"FLeft", vData); });
}

STDMETHODIMP VeskField::get_FieldLeft(short* ret) { return answer(ret, [&] { return read(L"FLeft"); }); }

STDMETHODIMP VeskField::get_Layer(short* ret) { return answer(ret, [&] { return read(L"FLayer"); }); }

STDMETHODIMP VeskField::get_FKey(BSTR* ret) { return answer(ret, [&] { return read(L"FKey"); }); }

STDMETHODIMP VeskField::put_FieldHeight(short vData) {
    return guard([&] { writeGeometry(L"FHeight", vData); });
}

STDMETHODIMP VeskField::get_FieldHeight(short* ret) { return answer(ret, [&] { return read(L"FHeight"); }); }

STDMETHODIMP VeskField::put_FieldWidth(short vData) {
    return guard([&] { writeGeometry(L"FWidth", vData); });
}

STDMETHODIMP VeskField::get_FieldWidth(short* ret) { return answer(ret, [&] { return read(L"FWidth"); }); }

STDMETHODIMP VeskField::put_Filter(BSTR vData) {
    return guard([&] { write(L"FFilter", Variant(com::view(vData))); });
}

STDMETHODIMP VeskField::get_Filter(BSTR* ret) { return answer(ret, [&] { return read(L"FFilter"); }); }

STDMETHODIMP VeskField::get_FieldName(BSTR* ret) { return answer(ret, [&] { return read(L"FFieldName"); }); }

// The caption stands in the descriptor before the control is asked to show it; a failing
// SetCaption leaves it there.
STDMETHODIMP VeskField::put_Caption(BSTR vData) {
    return guard([&] {
        write(L"FCaption", Variant(com::view(vData)));
        withDescriptor([&](com::Target ctl, ComPtr<IDispatch>& dct) {
            return com::call(ctl, member::SetCaption, {Arg::ref(dct)});
        });
    });
}

STDMETHODIMP VeskField::get_Caption(BSTR* ret) { return answer(ret, [&] { return read(L"FCaption"); }); }

// ---------------------------------------------------------------- presentation

STDMETHODIMP VeskField::put_TextColor(long vData) {
    return guard([&] {
        write(L"FTextColor", Variant(vData));
        push(L"TextColor");
    });
}

STDMETHODIMP VeskField::get_TextColor(long* ret) { return answer(ret, [&] { return pull(L"TextColor"); }); }

STDMETHODIMP VeskField::put_LabelWidth(short vData) {
    return guard([&] {
        write(L"FLabelWidth", Variant(vData));
        push(L"LabelWidth");
    });
}

STDMETHODIMP VeskField::get_LabelWidth(short* ret) {
    return answer(ret, [&] { return pull(L"LabelWidth"); });
}

STDMETHODIMP VeskField::put_LabelColor(long vData) {
    return guard([&] {
        write(L"FLabelColor", Variant(vData));
        push(L"LabelColor");
    });
}

STDMETHODIMP VeskField::get_LabelColor(long* ret) { return answer(ret, [&] { return pull(L"LabelColor"); }); }

STDMETHODIMP VeskField::put_FrameBorderColor(long vData) {
    return guard([&] {
        write(L"FFrameBorderColor", Variant(vData));
        push(L"FrameBorderColor");
    });
}

STDMETHODIMP VeskField::get_FrameBorderColor(long* ret) {
    return answer(ret, [&] { return pull(L"FrameBorderColor"); });
}

STDMETHODIMP VeskField::put_FrameBorder(VARIANT_BOOL vData) {
    return guard([&] {
        write(L"FFrameBorder", Variant::boolean(vData));
        push(L"FrameBorder");
    });
}

STDMETHODIMP VeskField::get_FrameBorder(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(pull(L"FrameBorder").get()); });
}

// Font items are written as the texts of their values: sizes as the decimal text of the
// Currency (9, 10.5), bold and italic as True or False.
STDMETHODIMP VeskField::put_FontName(BSTR vData) {
    return guard([&] {
        setFontItem(L"FontName", com::view(vData));
        push(L"FontName");
    });
}

STDMETHODIMP VeskField::get_FontName(BSTR* ret) { return answer(ret, [&] { return pull(L"FontName"); }); }

STDMETHODIMP VeskField::put_FontSize(CURRENCY vData) {
    return guard([&] {
        VARIANT size;
        VariantInit(&size);
        V_VT(&size) = VT_CY;
        V_CY(&size) = vData;
        setFontItem(L"FontSize", com::toBstr(size).view());
        push(L"FontSize");
    });
}

STDMETHODIMP VeskField::get_FontSize(CURRENCY* ret) { return answer(ret, [&] { return pull(L"FontSize"); }); }

STDMETHODIMP VeskField::put_FontBold(VARIANT_BOOL vData) {
    return guard([&] {
        setFontItem(L"FontBold", com::toBstr(Variant::boolean(vData).get()).view());
        push(L"FontBold");
    });
}

STDMETHODIMP VeskField::get_FontBold(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(pull(L"FontBold").get()); });
}

STDMETHODIMP VeskField::put_FontItalic(VARIANT_BOOL vData) {
    return guard([&] {
        setFontItem(L"FontItalic", com::toBstr(Variant::boolean(vData).get()).view());
        push(L"FontItalic");
    });
}

STDMETHODIMP VeskField::get_FontItalic(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(pull(L"FontItalic").get()); });
}

}  // namespace orvi
