// ListEvents: the event and API object of the host's bill list form. The form hands it its list
// control through List and calls its Fire... methods; plug-ins sink its events and drive the list
// through its members, nearly all of them late-bound calls on the list control.
#pragma once
#include "events/CheckRelays.h"
#include "events/EventObject.h"
#include "host/HostData.h"

namespace orvi {

class ListEvents final : public EventObject<ListEvents, CheckRelays<ListEvents, _ListEvents>> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.ListEvents";
    static constexpr const CLSID& kClsid = CLSID_ListEvents;
    static constexpr const IID& kEventIid = DIID___ListEvents;
    static constexpr BarEvents kBarEvents = ORVI_BAR_EVENTS(LIST_EVENT);
    static constexpr CheckEvents kCheckEvents = ORVI_CHECK_EVENTS(LIST_EVENT);

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
    STDMETHODIMP SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) override;

private:
    // The field data of a descriptor, found through "Map", the page descriptor and the data.
    host::DictionaryPtr dataField(IDispatch* dct, long row);
    // The descriptor of a field key through "Map" (Nothing for an empty or unknown key).
    host::DictionaryPtr fieldInfo(BSTR key);

    com::HostPtr listCtl_;
    host::DictionaryPtr data_;
};

}  // namespace orvi
