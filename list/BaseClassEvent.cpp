#include "list/BaseClassEvent.h"

namespace orvi {

BaseClassEvent::BaseClassEvent() = default;
BaseClassEvent::~BaseClassEvent() = default;

STDMETHODIMP BaseClassEvent::FireBarInitialize(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireAfterGetData(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireDoCommand(IDispatch* Tool, long* lngReturnCode, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireListFillRow(long lRow, IDispatch* RowData, IDispatch* HeadDict, BSTR* CellData, long* BackColor, VARIANT_BOOL* ContinueRaise, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireRefreshList(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireClassGroupSelected(long Button, long ClassGroupType, long ClassGroupID, BSTR ClassGroupFullNumber, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_BrowseCtl(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::put_BrowseCtl(IDispatch* vData) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_ListActiveBar(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::putref_ListActiveBar(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_RsItem(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::putref_RsItem(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_RsId(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::putref_RsId(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_RsClassGroup(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::putref_RsClassGroup(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_DataSrv(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::putref_DataSrv(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::putref_LedgerProperty(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_LedgerProperty(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::put_EnableListFillRowEvents(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_EnableListFillRowEvents(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_QelLib(_QelLib** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::get_MenuBar(_MenuBar** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::GetSelectedClassID(long* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::GetSelectedItemID(long* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::GetSelectedClassType(long* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::GetActiveCtl(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::SelectClassGroupByID(long lClassGroupID, long* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::RefreshListByClassGroupID(long lClassGroupType, long lClassGroupID) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::RefreshSelectedClassGroup() {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::RefreshSelectedClassGroupList() {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::RefreshClassGroups() {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::PitchItemByID(long lItemID, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::IsSearchState(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP BaseClassEvent::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    return pending(__func__);
}

}  // namespace orvi
