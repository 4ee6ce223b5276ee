#include "layout/BillEntry.h"

namespace orvi {

BillEntry::BillEntry() = default;
BillEntry::~BillEntry() = default;

STDMETHODIMP BillEntry::get_EntryIndex(long* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_KeyField(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_EntryType(short* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_Layer(short* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::put_EntryHeight(short vData) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_EntryHeight(short* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::put_EntryWidth(short vData) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_EntryWidth(short* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::put_EntryTop(short vData) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_EntryTop(short* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::put_EntryLeft(short vData) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_EntryLeft(short* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::put_MaxRows(long vData) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_MaxRows(long* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::put_Visible(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_Visible(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_TableName(BSTR* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::get_VeskFields(_VeskFields** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEntry::putref_VeskFields(_VeskFields** vData) {
    return pending(__func__);
}

}  // namespace orvi
