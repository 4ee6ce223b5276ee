#pragma once
#include "server/Library.h"

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
};

}  // namespace orvi
