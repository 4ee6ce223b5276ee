#include "layout/VeskField.h"

namespace orvi {

VeskField::VeskField() = default;
VeskField::~VeskField() = default;

STDMETHODIMP VeskField::put_Value(VARIANT vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Value(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_Number(VARIANT vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Number(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Text(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_Row(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_Visible(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Visible(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_TextColor(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_TextColor(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_TableName(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Page(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_Note(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Note(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_NeedSave(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_MustInput(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_MustInput(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FieldLock(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FieldLock(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FieldTop(short vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FieldTop(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FieldLeft(short vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FieldLeft(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Layer(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_LabelWidth(short vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_LabelWidth(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_LabelColor(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_LabelColor(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FKey(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FieldHeight(short vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FieldHeight(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FieldWidth(short vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FieldWidth(short* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FrameBorderColor(long vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FrameBorderColor(long* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FrameBorder(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FrameBorder(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FontName(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FontName(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FontSize(CURRENCY vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FontSize(CURRENCY* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FontBold(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FontBold(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_FontItalic(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FontItalic(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_Filter(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Filter(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_FieldName(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP VeskField::put_Caption(BSTR vData) {
    return pending(__func__);
}

STDMETHODIMP VeskField::get_Caption(BSTR* ret) {
    return pending(__func__);
}

}  // namespace orvi
