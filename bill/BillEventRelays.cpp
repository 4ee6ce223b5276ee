// BillEvent: the relays of the bill form's events. Each Fire... call raises its event on every
// connected plug-in and returns an Empty Variant; by-reference arguments reach the event as
// references to the host's own variables. The check relays are CheckRelays; the bar relays are
// shared with the other event objects (EventObject).
#include "bill/BillEvent.h"

namespace orvi {

STDMETHODIMP BillEvent::FireBarInitialize(IDispatch* oBar, VARIANT* ret) {
    return fireBarInitialize(oBar, ret);
}

STDMETHODIMP BillEvent::FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return fireBarClick(Tool, Cancel, ret);
}

STDMETHODIMP BillEvent::FireAfterSave(VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(BILL_EVENT_AfterSave, com::EventArgs().refBool(bCancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeSave(VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(BILL_EVENT_BeforeSave, com::EventArgs().refBool(bCancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeVerify(VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(BILL_EVENT_BeforeVerify, com::EventArgs().refBool(bCancel), ret);
}

STDMETHODIMP BillEvent::FireVerify(IDispatch** dctErr, BSTR* sErr, long* sErrRow, VARIANT* ret) {
    return relay(BILL_EVENT_Verify, com::EventArgs().ref(dctErr).ref(sErr).ref(sErrRow), ret);
}

STDMETHODIMP BillEvent::FireAfterLoadBill(VARIANT* ret) {
    return relay(BILL_EVENT_AfterLoadBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireAfterDeleteRow(long Index, long lRow, VARIANT* ret) {
    return relay(BILL_EVENT_AfterDeleteRow, com::EventArgs().value(Index).value(lRow), ret);
}

STDMETHODIMP BillEvent::FireAddNewRow(short Index, long NewRow, VARIANT* ret) {
    return relay(BILL_EVENT_AddNewRow, com::EventArgs().value(Index).value(NewRow), ret);
}

STDMETHODIMP BillEvent::FireHeadCtlClick(IDispatch* ctl, IDispatch* dct, VARIANT* ret) {
    return relay(BILL_EVENT_HeadCtlClick, com::EventArgs().object(ctl).object(dct), ret);
}

STDMETHODIMP BillEvent::ChangeCurrencyState(IDispatch* dcData, VARIANT* ret) {
    return relay(BILL_EVENT_SetCurrencyState, com::EventArgs().object(dcData), ret);
}

STDMETHODIMP BillEvent::FireHeadCtlLostFocus(IDispatch* ctl, IDispatch* dct, IDispatch* dctFld, VARIANT* ret) {
    return relay(BILL_EVENT_HeadCtlLostFocus, com::EventArgs().object(ctl).object(dct).object(dctFld), ret);
}

STDMETHODIMP BillEvent::FireAfterFirstNewBill(VARIANT* ret) {
    return relay(BILL_EVENT_AfterFirstNewBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireAfterNewEmptyData(VARIANT* ret) {
    return relay(BILL_EVENT_AfterNewEmptyData, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireBeforLoadBillFillData(VARIANT* ret) {
    return relay(BILL_EVENT_BeforLoadBillFillData, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireChange(IDispatch* dct, IDispatch* dctFld, long Col, long Row, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return relay(BILL_EVENT_Change, com::EventArgs().object(dct).object(dctFld).value(Col).value(Row).refBool(Cancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeLoadBill(VARIANT_BOOL* Cancel, VARIANT* ret) {
    return relay(BILL_EVENT_BeforeLoadBill, com::EventArgs().refBool(Cancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeSelBills(long lSelBillType, IDispatch* oDataSrv, IDispatch* dctLink, BSTR* sFilter, IDispatch** dctParam, VARIANT* ret) {
    return relay(BILL_EVENT_BeforeSelBills,
                 com::EventArgs().value(lSelBillType).object(oDataSrv).object(dctLink).ref(sFilter).ref(dctParam), ret);
}

STDMETHODIMP BillEvent::FireAfterSelBill(long lSelBillType, VARIANT* ret) {
    return relay(BILL_EVENT_AfterSelBill, com::EventArgs().value(lSelBillType), ret);
}

STDMETHODIMP BillEvent::FireBeginEdit(IDispatch* dct, long Col, long Row, VARIANT* ret) {
    return relay(BILL_EVENT_BeginEdit, com::EventArgs().object(dct).value(Col).value(Row), ret);
}

STDMETHODIMP BillEvent::FireAfterLoadBillSetSumData(IDispatch* dct, double* dbResult, VARIANT* ret) {
    return relay(BILL_EVENT_AfterLoadBillSetSumData, com::EventArgs().object(dct).ref(dbResult), ret);
}

STDMETHODIMP BillEvent::FireAfterInputBillSetSumData(IDispatch* dct, double* dbResult, VARIANT* ret) {
    return relay(BILL_EVENT_AfterInputBillSetSumData, com::EventArgs().object(dct).ref(dbResult), ret);
}

STDMETHODIMP BillEvent::FireBeforeDoAction(IDispatch* dct, IDispatch* dctFld, IDispatch* ItemObj, BSTR ActionTypeName, BSTR ActionName, BSTR Paremeters, VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(BILL_EVENT_BeforeDoAction,
                 com::EventArgs().object(dct).object(dctFld).object(ItemObj).text(ActionTypeName).text(ActionName)
                     .text(Paremeters).refBool(bCancel),
                 ret);
}

STDMETHODIMP BillEvent::FireAfterDoAction(IDispatch* dct, IDispatch* dctFld, IDispatch* ItemObj, BSTR ActionTypeName, BSTR ActionName, BSTR Paremeters, VARIANT* ret) {
    return relay(BILL_EVENT_AfterDoAction,
                 com::EventArgs().object(dct).object(dctFld).object(ItemObj).text(ActionTypeName).text(ActionName)
                     .text(Paremeters),
                 ret);
}

STDMETHODIMP BillEvent::FireAfterSelBillBeforeFillData(IDispatch* dcData, IDispatch* dctLink, VARIANT* ret) {
    return relay(BILL_EVENT_AfterSelBillBeforeFillData, com::EventArgs().object(dcData).object(dctLink), ret);
}

STDMETHODIMP BillEvent::FireAfterNewBill(VARIANT* ret) {
    return relay(BILL_EVENT_AfterNewBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireAfterCopyBill(VARIANT* ret) {
    return relay(BILL_EVENT_AfterCopyBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireSaveBillFailed(IDispatch* dctData, BSTR* sErrorMessage, VARIANT_BOOL* bCancelErrorMessage, VARIANT* ret) {
    return relay(BILL_EVENT_SaveBillFailed, com::EventArgs().object(dctData).ref(sErrorMessage).refBool(bCancelErrorMessage),
                 ret);
}

STDMETHODIMP BillEvent::FireBeforeSelBillShowFilter(IDispatch** dct, VARIANT* ret) {
    return relay(BILL_EVENT_BeforeSelBillShowFilter, com::EventArgs().ref(dct), ret);
}

STDMETHODIMP BillEvent::FireAfterFillRow(long lRow, IDispatch* dctPage, IDispatch* dctEntryData, IDispatch* dctLink, VARIANT* ret) {
    return relay(BILL_EVENT_AfterFillRow, com::EventArgs().value(lRow).object(dctPage).object(dctEntryData).object(dctLink),
                 ret);
}

STDMETHODIMP BillEvent::ChangeAmountForEnd(IDispatch* dcData, long iRow, IDispatch* dct, IDispatch* dctFld, VARIANT* ret) {
    return relay(BILL_EVENT_SetAmountForEnd, com::EventArgs().object(dcData).value(iRow).object(dct).object(dctFld), ret);
}

}  // namespace orvi
