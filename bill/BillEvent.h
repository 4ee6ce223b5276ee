// BillEvent: the event and API object of the host's bill form. The host creates it, binds its
// bill control through BillCtl, and calls its Fire... methods; plug-ins sink its events and drive
// the form through its members.
//
// The class is one object in several units, one per concern:
//   BillEvent.cpp        creation, binding to the bill control, the bill's properties
//   BillEventRelays.cpp  the relays of the form's events (the check relays are CheckRelays)
//   BillEventFields.cpp  field values: descriptors, field data, reads and writes by key
//   BillEventForm.cpp    the form API forwarded to the bill control
#pragma once
#include "events/CheckRelays.h"
#include "events/EventObject.h"
#include "host/HostData.h"

namespace orvi {

class BillEntrys;
class BillHeads;

class BillEvent final : public EventObject<BillEvent, CheckRelays<BillEvent, _BillEvent>> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BillEvent";
    static constexpr const CLSID& kClsid = CLSID_BillEvent;
    static constexpr const IID& kEventIid = DIID___BillEvent;
    static constexpr BarEvents kBarEvents = ORVI_BAR_EVENTS(BILL_EVENT);
    static constexpr CheckEvents kCheckEvents = ORVI_CHECK_EVENTS(BILL_EVENT);

    BillEvent();
    ~BillEvent() override;

    // _BillEvent
    STDMETHODIMP get_BillCtl(IDispatch** ret) override;
    STDMETHODIMP put_BillCtl(IDispatch** oBillCtl) override;
    STDMETHODIMP get_BillStatus(Enu_BillStatusExt* ret) override;
    STDMETHODIMP get_ClassType(IDispatch** ret) override;
    STDMETHODIMP get_TableInfo(IDispatch** ret) override;
    STDMETHODIMP get_ClassTypeEntry(IDispatch** ret) override;
    STDMETHODIMP get_ParentID(IDispatch** ret) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP get_Data(IDispatch** ret) override;
    STDMETHODIMP get_CurBillID(long* ret) override;
    STDMETHODIMP get_rsBillID(IDispatch** ret) override;
    STDMETHODIMP get_TaskID(long* ret) override;
    STDMETHODIMP put_TaskID(long nTaskID) override;
    STDMETHODIMP get_RPSetPart(VARIANT_BOOL* ret) override;
    STDMETHODIMP put_RPSetPart(VARIANT_BOOL bRPSetPart) override;
    STDMETHODIMP get_PrimaryKey(BSTR* ret) override;
    STDMETHODIMP get_EntryPrimaryKey(BSTR* ret) override;
    STDMETHODIMP get_AccessoryTypeID(long* ret) override;
    STDMETHODIMP get_ShowType(short* ret) override;
    STDMETHODIMP get_ObjectID(long* ret) override;
    STDMETHODIMP get_ObjectType(long* ret) override;
    STDMETHODIMP get_ClassTypeKey(BSTR* ret) override;
    STDMETHODIMP get_LayerNames(BSTR* ret) override;
    STDMETHODIMP get_LayerCount(short* ret) override;
    STDMETHODIMP get_TableName(BSTR* ret) override;
    STDMETHODIMP get_BillHeight(short* ret) override;
    STDMETHODIMP get_BillWidth(short* ret) override;
    STDMETHODIMP get_BillName(BSTR* ret) override;
    STDMETHODIMP put_BillName(BSTR vData) override;
    STDMETHODIMP get_FID(long* ret) override;
    STDMETHODIMP get_MultiCheckMgr(IDispatch** ret) override;
    STDMETHODIMP putref_MultiCheckMgr(IDispatch* NewValue) override;
    STDMETHODIMP put_ReSaveSuccess(VARIANT_BOOL vData) override;
    STDMETHODIMP get_ReSaveSuccess(VARIANT_BOOL* ret) override;
    STDMETHODIMP get_QelLib(_QelLib** ret) override;
    STDMETHODIMP get_MenuBar(_MenuBar** ret) override;
    STDMETHODIMP get_BillEntrys(_BillEntrys** ret) override;
    STDMETHODIMP get_BillHeads(_BillHeads** ret) override;
    STDMETHODIMP FireBarInitialize(IDispatch* oBar, VARIANT* ret) override;
    STDMETHODIMP FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) override;
    STDMETHODIMP FireAfterSave(VARIANT_BOOL* bCancel, VARIANT* ret) override;
    STDMETHODIMP FireBeforeSave(VARIANT_BOOL* bCancel, VARIANT* ret) override;
    STDMETHODIMP FireBeforeVerify(VARIANT_BOOL* bCancel, VARIANT* ret) override;
    STDMETHODIMP FireVerify(IDispatch** dctErr, BSTR* sErr, long* sErrRow, VARIANT* ret) override;
    STDMETHODIMP FireAfterLoadBill(VARIANT* ret) override;
    STDMETHODIMP FireAfterDeleteRow(long Index, long lRow, VARIANT* ret) override;
    STDMETHODIMP FireAddNewRow(short Index, long NewRow, VARIANT* ret) override;
    STDMETHODIMP FireHeadCtlClick(IDispatch* ctl, IDispatch* dct, VARIANT* ret) override;
    STDMETHODIMP ChangeCurrencyState(IDispatch* dcData, VARIANT* ret) override;
    STDMETHODIMP FireHeadCtlLostFocus(IDispatch* ctl, IDispatch* dct, IDispatch* dctFld, VARIANT* ret) override;
    STDMETHODIMP FireAfterFirstNewBill(VARIANT* ret) override;
    STDMETHODIMP FireAfterNewEmptyData(VARIANT* ret) override;
    STDMETHODIMP FireBeforLoadBillFillData(VARIANT* ret) override;
    STDMETHODIMP FireChange(IDispatch* dct, IDispatch* dctFld, long Col, long Row, VARIANT_BOOL* Cancel, VARIANT* ret) override;
    STDMETHODIMP FireBeforeLoadBill(VARIANT_BOOL* Cancel, VARIANT* ret) override;
    STDMETHODIMP FireBeforeSelBills(long lSelBillType, IDispatch* oDataSrv, IDispatch* dctLink, BSTR* sFilter, IDispatch** dctParam, VARIANT* ret) override;
    STDMETHODIMP FireAfterSelBill(long lSelBillType, VARIANT* ret) override;
    STDMETHODIMP FireBeginEdit(IDispatch* dct, long Col, long Row, VARIANT* ret) override;
    STDMETHODIMP FireAfterLoadBillSetSumData(IDispatch* dct, double* dbResult, VARIANT* ret) override;
    STDMETHODIMP FireAfterInputBillSetSumData(IDispatch* dct, double* dbResult, VARIANT* ret) override;
    STDMETHODIMP FireBeforeDoAction(IDispatch* dct, IDispatch* dctFld, IDispatch* ItemObj, BSTR ActionTypeName, BSTR ActionName, BSTR Paremeters, VARIANT_BOOL* bCancel, VARIANT* ret) override;
    STDMETHODIMP FireAfterDoAction(IDispatch* dct, IDispatch* dctFld, IDispatch* ItemObj, BSTR ActionTypeName, BSTR ActionName, BSTR Paremeters, VARIANT* ret) override;
    STDMETHODIMP FireAfterSelBillBeforeFillData(IDispatch* dcData, IDispatch* dctLink, VARIANT* ret) override;
    STDMETHODIMP FireAfterNewBill(VARIANT* ret) override;
    STDMETHODIMP FireAfterCopyBill(VARIANT* ret) override;
    STDMETHODIMP FireSaveBillFailed(IDispatch* dctData, BSTR* sErrorMessage, VARIANT_BOOL* bCancelErrorMessage, VARIANT* ret) override;
    STDMETHODIMP FireBeforeSelBillShowFilter(IDispatch** dct, VARIANT* ret) override;
    STDMETHODIMP FireAfterFillRow(long lRow, IDispatch* dctPage, IDispatch* dctEntryData, IDispatch* dctLink, VARIANT* ret) override;
    STDMETHODIMP SetText(IDispatch* dct, BSTR sValue, long Row, VARIANT* ret) override;
    STDMETHODIMP SetDecimal(IDispatch* dct, long Row, long iDecimal, VARIANT* ret) override;
    STDMETHODIMP SetSumDecimal(IDispatch* dct, long iDecimal, VARIANT* ret) override;
    STDMETHODIMP LockBill(VARIANT* ret) override;
    STDMETHODIMP SetCaption(IDispatch* dct) override;
    STDMETHODIMP SetBarStatus(BSTR Name, BSTR Property, VARIANT* Value, VARIANT* ret) override;
    STDMETHODIMP ShowHideField(IDispatch* dct, VARIANT_BOOL bValue, VARIANT* ret) override;
    STDMETHODIMP ShowHideGrid(IDispatch* dct, VARIANT_BOOL bValue, VARIANT* ret) override;
    STDMETHODIMP LockCell(IDispatch* dct, long Row, VARIANT_BOOL bValue) override;
    STDMETHODIMP GetActiveCtl(IDispatch** ret) override;
    STDMETHODIMP SetTypeFloatMin(IDispatch* dct, long lRow, double dbMin, VARIANT* ret) override;
    STDMETHODIMP SetTypeFloatMax(IDispatch* dct, long lRow, double dbMax, VARIANT* ret) override;
    STDMETHODIMP GetFieldInfoByKey(BSTR sKey, BSTR* sPKey, long* lIndex, IDispatch** ret) override;
    STDMETHODIMP GetDataFld(IDispatch* dct, long Row, IDispatch** ret) override;
    STDMETHODIMP UpdateNormalFld(IDispatch* dct, BSTR sValue, long Row, IDispatch** ret) override;
    STDMETHODIMP UpdateLookFld(IDispatch* dct, BSTR sValue, long Row, IDispatch** ret) override;
    STDMETHODIMP RefreshBill(VARIANT* ret) override;
    STDMETHODIMP SaveSearchText(long lID, VARIANT* ret) override;
    STDMETHODIMP IsChange(VARIANT_BOOL* ret) override;
    STDMETHODIMP SetStatus(short iPanel, BSTR sStatus) override;
    STDMETHODIMP GetActiveField(IDispatch** dct, long* Col, long* Row, VARIANT* ret) override;
    STDMETHODIMP GetToolIndex(BSTR sBandName, BSTR sToolName, long* ret) override;
    STDMETHODIMP Sum(IDispatch* dct, long BRow, long ERow, double* ret) override;
    STDMETHODIMP SetSumData(IDispatch* dct, VARIANT* ret) override;
    STDMETHODIMP DeleteEntryData(long nPage, VARIANT_BOOL* ret) override;
    STDMETHODIMP GetDataFldbyKey(BSTR sFKey, long Row, IDispatch** ret) override;
    STDMETHODIMP IsFileNeedFilter(VARIANT_BOOL* ret) override;
    STDMETHODIMP GetFieldValue(BSTR sKey, long nRow, Enu_ValueType ValueType, VARIANT* ret) override;
    STDMETHODIMP SetFieldValue(BSTR sKey, VARIANT vValue, long nRow, VARIANT_BOOL* ret) override;
    STDMETHODIMP SetBillFormCaption(BSTR sCaption) override;
    STDMETHODIMP InsertNewRowAndFill(long nPage, long nRow, SAFEARRAY** vFieldsData, VARIANT_BOOL* ret) override;
    STDMETHODIMP SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) override;
    STDMETHODIMP ClearGrids(short nIndex) override;
    STDMETHODIMP ChangeAmountForEnd(IDispatch* dcData, long iRow, IDispatch* dct, IDispatch* dctFld, VARIANT* ret) override;

private:
    const com::HostPtr& bill();          // the bound bill control, or error 91
    Variant header(const wchar_t* key);  // a value of the ClassType template header

    // Field values (BillEventFields.cpp). Each returns Nothing where the member would.
    host::DictionaryPtr fieldInfo(std::wstring_view key, Bstr& pKey, long& index, bool keepAnswer = false) noexcept;
    host::DictionaryPtr dataField(IDispatch* dct, long row, bool keepAnswer = false) noexcept;
    void showText(IDispatch* dct, BSTR text, long row) noexcept;  // SetText, errors ignored

    VARIANT_BOOL reSaveSuccess_ = VARIANT_FALSE;
    com::HostPtr billCtl_;
    ComPtr<BillHeads> billHeads_;
    ComPtr<BillEntrys> billEntrys_;
    // Set when GetFieldInfoByKey or GetDataFld dropped a failure: the error state a value write
    // tests before it shows the new value.
    bool droppedFailure_ = false;
};

}  // namespace orvi
