#include "list/ListEvents.h"

namespace orvi {

ListEvents::ListEvents() = default;
ListEvents::~ListEvents() = default;

STDMETHODIMP ListEvents::FireBarInitialize(IDispatch* oBar, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterGetData(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireDoCommand(IDispatch* Tool, long* lngReturnCode, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireRefreshList(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterSelList(IDispatch* RsId, IDispatch** VectList, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterCopyBillCreateData(long srcInterID, IDispatch* dctData, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireBeforRefreshToolBar(VARIANT_BOOL* bShowCaption, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireListFillRow(long lRow, IDispatch* RowData, IDispatch* HeadDict, BSTR* CellData, long* BackColor, VARIANT_BOOL* ContinueRaise, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterDeleteBill(VARIANT_BOOL bSuccess, long lBillInterID, BSTR sBillNo, BSTR sErrorMessage, VARIANT_BOOL* bCancelErrorMessage, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireListRowSelected(long lRow, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_List(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::put_List(IDispatch* vData) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_RsId(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_DataSrv(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::putref_DataSrv(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::putref_Data(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_LedgerProperty(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::put_EnableListFillRowEvents(VARIANT_BOOL vData) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_EnableListFillRowEvents(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_MultiCheckMgr(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::putref_MultiCheckMgr(IDispatch* NewValue) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::SetBarStatus(BSTR Name, BSTR Property, VARIANT* Value, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::GetCurrentSelRowInfo(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::GetDataFld(IDispatch* dct, long Row, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::GetDataFldbyKey(BSTR sFKey, long Row, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::UpdateNormalFld(IDispatch* dct, BSTR sValue, long Row, VARIANT_BOOL bSetModifyFlag, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::UpdateNormalFldByKey(BSTR sKey, BSTR sValue, long Row, VARIANT_BOOL bSetModifyFlag, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::GetSelectedBillInfo(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::LoadSelectedBill(Enu_BillStatusExt BillStatus, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_QelLib(_QelLib** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::get_MenuBar(_MenuBar** ret) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireBeforeMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long* lCheckLevel, long lCheckStatus, long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL* bSendCheckMessage, VARIANT_BOOL* bSendAcceptMessage, BSTR* sMessageTitle, BSTR* sMessage, VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL Success) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireStartMultiCheck(long lCheckMode, long lCheckMaxLevel, VARIANT_BOOL* bSendMessage, VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireFinishMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus, VARIANT_BOOL* bSendMessage) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus, long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* bSendMessage, VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL Success) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireBusinessCheck(VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterBusinessCheck(VARIANT_BOOL Success) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireUnBusinessCheck(VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireAfterUnBusinessCheck(VARIANT_BOOL Success) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) {
    return pending(__func__);
}

STDMETHODIMP ListEvents::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    return pending(__func__);
}

}  // namespace orvi
