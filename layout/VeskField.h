// VeskField: one field of the bill layout, on the header page or in an entry grid. Template
// settings live in the field's descriptor in the template's field table and are read and written
// there; run-time state (visible, locked, the look of header controls) and values belong to the
// bill control and are asked of it late-bound.
//
// Presentation changes of a header field (colours, label width, frame, font) are pushed to the
// bill control at once and read back from it; for an entry field they are only written into the
// descriptor and read back as empty values.
//
// Every bill-control call that receives the descriptor passes it by reference, and the field
// keeps whatever the control left in the argument as its descriptor afterwards.
#pragma once
#include <string>
#include <string_view>

#include "base/Library.h"
#include "host/HostData.h"

namespace orvi {

class VeskField final : public Object<VeskField, _VeskField> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.VeskField";

    VeskField();
    ~VeskField() override;

    // _VeskField
    STDMETHODIMP put_Value(VARIANT vData) override;
    STDMETHODIMP get_Value(VARIANT* ret) override;
    STDMETHODIMP put_Number(VARIANT vData) override;
    STDMETHODIMP get_Number(VARIANT* ret) override;
    STDMETHODIMP get_Text(VARIANT* ret) override;
    STDMETHODIMP put_Row(long vData) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL vData) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_TextColor(long vData) override;
    STDMETHODIMP get_TextColor(long* ret) override;
    STDMETHODIMP get_TableName(BSTR* ret) override;
    STDMETHODIMP get_Page(short* ret) override;
    STDMETHODIMP put_Note(BSTR vData) override;
    STDMETHODIMP get_Note(BSTR* ret) override;
    STDMETHODIMP get_NeedSave(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_MustInput(VARIANT_BOOL vData) override;
    STDMETHODIMP get_MustInput(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_FieldLock(VARIANT_BOOL vData) override;
    STDMETHODIMP get_FieldLock(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_FieldTop(short vData) override;
    STDMETHODIMP get_FieldTop(short* ret) override;
    STDMETHODIMP put_FieldLeft(short vData) override;
    STDMETHODIMP get_FieldLeft(short* ret) override;
    STDMETHODIMP get_Layer(short* ret) override;
    STDMETHODIMP put_LabelWidth(short vData) override;
    STDMETHODIMP get_LabelWidth(short* ret) override;
    STDMETHODIMP put_LabelColor(long vData) override;
    STDMETHODIMP get_LabelColor(long* ret) override;
    STDMETHODIMP get_FKey(BSTR* ret) override;
    STDMETHODIMP put_FieldHeight(short vData) override;
    STDMETHODIMP get_FieldHeight(short* ret) override;
    STDMETHODIMP put_FieldWidth(short vData) override;
    STDMETHODIMP get_FieldWidth(short* ret) override;
    STDMETHODIMP put_FrameBorderColor(long vData) override;
    STDMETHODIMP get_FrameBorderColor(long* ret) override;
    STDMETHODIMP put_FrameBorder(VARIANT_BOOL vData) override;
    STDMETHODIMP get_FrameBorder(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_FontName(BSTR vData) override;
    STDMETHODIMP get_FontName(BSTR* ret) override;
    STDMETHODIMP put_FontSize(CURRENCY vData) override;
    STDMETHODIMP get_FontSize(CURRENCY* ret) override;
    STDMETHODIMP put_FontBold(VARIANT_BOOL vData) override;
    STDMETHODIMP get_FontBold(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_FontItalic(VARIANT_BOOL vData) override;
    STDMETHODIMP get_FontItalic(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_Filter(BSTR vData) override;
    STDMETHODIMP get_Filter(BSTR* ret) override;
    STDMETHODIMP get_FieldName(BSTR* ret) override;
    STDMETHODIMP put_Caption(BSTR vData) override;
    STDMETHODIMP get_Caption(BSTR* ret) override;

    // Initialisers of the field collection, called on every Item in this order. Row is left as
    // it is: a row chosen for one field stays chosen for the next.
    // SetBillCtl stores the control, then reads its DataSrv.TableInfo as the field table.
    void setBillCtl(const com::HostPtr& billCtl);
    void setOwnerKind(std::wstring_view ownerKind) { ownerKind_ = ownerKind; }
    // Stores the descriptor key and reads the descriptor from the field table under it.
    void setFieldKey(Bstr key);

private:
    // The descriptor as the template or the control last gave it, and the same object as the
    // foundation's Dictionary when it is one.
    void setDescriptor(IDispatch* dct) noexcept;
    IPyxDictionary* descriptor() const;  // error 91 without one, 13 when it is no Dictionary
    const com::HostPtr& bill() const;  // the bill control, or error 91

    // A bill-control call that receives the descriptor by reference as its first argument; the
    // descriptor the control leaves there is taken back, also when the call fails.
    template <class F>
    Variant withDescriptor(F&& call);

    Variant read(const wchar_t* key) const;
    void write(const wchar_t* key, const Variant& value);
    void writeGeometry(const wchar_t* key, short value);
    // PushHeadProperty / PullHeadProperty: a header field's look goes to and comes from the
    // bill control; other fields have none there.
    void push(const wchar_t* propName);
    Variant pull(const wchar_t* propName);
    // SetFontItem: one item of the font text under "FFont".
    void setFontItem(const wchar_t* itemName, std::wstring_view newValue);

    // The value members (Value, Number, Text).
    Variant readValue(Enu_ValueType type) noexcept;
    void writeValue(const VARIANT& newValue, Enu_ValueType type);
    void writeListValue(IPyxDictionary* fld, const VARIANT& newValue, long& row);
    host::DictionaryPtr dataField(long& row);  // the control's GetDataFld(descriptor, row)
    void showText(std::wstring_view text, long& row);

    // Released last-declared first when the object goes; the host sees that order.
    ComPtr<IDispatch> dct_;
    host::DictionaryPtr dctDictionary_;
    host::DictionaryPtr tableInfo_;
    com::HostPtr billCtl_;
    long row_ = -1;  // the value BillEvent's field members use when their Row is omitted
    Bstr key_;
    std::wstring ownerKind_;
};

}  // namespace orvi
