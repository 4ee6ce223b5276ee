#pragma once
#include "server/Library.h"

namespace orvi {

class ListEvents final : public Object<ListEvents, _ListEvents, com::EventSource<ListEvents, OrviLibrary>> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.ListEvents";
    static constexpr const CLSID& kClsid = CLSID_ListEvents;
    static constexpr const IID& kEventIid = DIID___ListEvents;

    ListEvents();
    ~ListEvents() override;

    // _ListEvents
    STDMETHODIMP FireBarInitialize(IDispatch* oBar, VARIANT* ret) override;
    STDMETHODIMP FireAfterGetData(VARIANT* ret) override;
    STDMETHODIMP FireDoCommand(IDispatch* Tool, long* lngReturnCode, VARIANT* ret) override;
    STDMETHODIMP FireRefreshList(VARIANT* ret) override;
    STDMETHODIMP FireAfterSelList(IDispatch* RsId, IDispatch** VectList, VARIANT* ret) override;
    STDMETHODIMP FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) override;
    STDMETHODIMP FireAfterCopyBillCreateData(long srcInterID, IDispatch* dctData, VARIANT* ret) override;
    STDMETHODIMP FireBeforRefreshToolBar(VARIANT_BOOL* bShowCaption, VARIANT* ret) override;
    STDMETHODIMP FireListFillRow(long lRow, IDispatch* RowData, IDispatch* HeadDict, BSTR* CellData, long* BackColor, VARIANT_BOOL* ContinueRaise, VARIANT* ret) override;
    STDMETHODIMP FireAfterDeleteBill(VARIANT_BOOL bSuccess, long lBillInterID, BSTR sBillNo, BSTR sErrorMessage, VARIANT_BOOL* bCancelErrorMessage, VARIANT* ret) override;
    STDMETHODIMP FireListRowSelected(long lRow, VARIANT* ret) override;
    STDMETHODIMP get_List(IDispatch** ret) override;
    STDMETHODIMP put_List(IDispatch* vData) override;
    STDMETHODIMP get_RsId(IDispatch** ret) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP putref_DataSrv(IDispatch* NewValue) override;
    STDMETHODIMP putref_Data(IDispatch* NewValue) override;
    STDMETHODIMP get_LedgerProperty(IDispatch** ret) override;
    STDMETHODIMP put_EnableListFillRowEvents(VARIANT_BOOL vData) override;
    STDMETHODIMP get_EnableListFillRowEvents(VARIANT_BOOL* ret) override;
    STDMETHODIMP get_MultiCheckMgr(IDispatch** ret) override;
    STDMETHODIMP putref_MultiCheckMgr(IDispatch* NewValue) override;
    STDMETHODIMP SetBarStatus(BSTR Name, BSTR Property, VARIANT* Value, VARIANT* ret) override;
    STDMETHODIMP GetCurrentSelRowInfo(IDispatch** ret) override;
    STDMETHODIMP GetDataFld(IDispatch* dct, long Row, IDispatch** ret) override;
    STDMETHODIMP GetDataFldbyKey(BSTR sFKey, long Row, IDispatch** ret) override;
    STDMETHODIMP UpdateNormalFld(IDispatch* dct, BSTR sValue, long Row, VARIANT_BOOL bSetModifyFlag, IDispatch** ret) override;
    STDMETHODIMP UpdateNormalFldByKey(BSTR sKey, BSTR sValue, long Row, VARIANT_BOOL bSetModifyFlag, IDispatch** ret) override;
    STDMETHODIMP GetSelectedBillInfo(IDispatch** ret) override;
    STDMETHODIMP LoadSelectedBill(Enu_BillStatusExt BillStatus, VARIANT_BOOL* ret) override;
    STDMETHODIMP get_QelLib(_QelLib** ret) override;
    STDMETHODIMP get_MenuBar(_MenuBar** ret) override;
    STDMETHODIMP FireBeforeMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long* lCheckLevel, long lCheckStatus, long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP FireMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL* bSendCheckMessage, VARIANT_BOOL* bSendAcceptMessage, BSTR* sMessageTitle, BSTR* sMessage, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP FireAfterMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL Success) override;
    STDMETHODIMP FireStartMultiCheck(long lCheckMode, long lCheckMaxLevel, VARIANT_BOOL* bSendMessage, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP FireFinishMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus, VARIANT_BOOL* bSendMessage) override;
    STDMETHODIMP FireUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus, long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* bSendMessage, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP FireAfterUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL Success) override;
    STDMETHODIMP FireBusinessCheck(VARIANT_BOOL* Cancel) override;
    STDMETHODIMP FireAfterBusinessCheck(VARIANT_BOOL Success) override;
    STDMETHODIMP FireUnBusinessCheck(VARIANT_BOOL* Cancel) override;
    STDMETHODIMP FireAfterUnBusinessCheck(VARIANT_BOOL Success) override;
    STDMETHODIMP FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) override;
};

}  // namespace orvi
