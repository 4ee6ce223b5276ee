// BaseClassEvent: the event and API object of the host's base-data form. The form hands it its
// browse control, toolbar control, recordsets and data service, and calls its Fire... methods;
// plug-ins sink its events and drive the browse control through its members.
#pragma once
#include "events/EventObject.h"
#include "host/HostData.h"

namespace orvi {

class BaseClassEvent final : public EventObject<BaseClassEvent, _BaseClassEvent> {
public:
    static constexpr const wchar_t* kSource = L"OrviClassEvents.BaseClassEvent";
    static constexpr const CLSID& kClsid = CLSID_BaseClassEvent;
    static constexpr const IID& kEventIid = DIID___BaseClassEvent;
    static constexpr BarEvents kBarEvents = ORVI_BAR_EVENTS(BASE_EVENT);

    BaseClassEvent();
    ~BaseClassEvent() override;

    // _BaseClassEvent
    STDMETHODIMP FireBarInitialize(VARIANT* ret) override;
    STDMETHODIMP FireAfterGetData(VARIANT* ret) override;
    STDMETHODIMP FireDoCommand(IDispatch* Tool, long* lngReturnCode, VARIANT* ret) override;
    STDMETHODIMP FireListFillRow(long lRow, IDispatch* RowData, IDispatch* HeadDict, BSTR* CellData, long* BackColor, VARIANT_BOOL* ContinueRaise, VARIANT* ret) override;
    STDMETHODIMP FireRefreshList(VARIANT* ret) override;
    STDMETHODIMP FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) override;
    STDMETHODIMP FireClassGroupSelected(long Button, long ClassGroupType, long ClassGroupID, BSTR ClassGroupFullNumber, VARIANT* ret) override;
    STDMETHODIMP get_BrowseCtl(IDispatch** ret) override;
    STDMETHODIMP put_BrowseCtl(IDispatch* vData) override;
    STDMETHODIMP get_ListActiveBar(IDispatch** ret) override;
    STDMETHODIMP putref_ListActiveBar(IDispatch* NewValue) override;
    STDMETHODIMP get_RsItem(IDispatch** ret) override;
    STDMETHODIMP putref_RsItem(IDispatch* NewValue) override;
    STDMETHODIMP get_RsId(IDispatch** ret) override;
    STDMETHODIMP putref_RsId(IDispatch* NewValue) override;
    STDMETHODIMP get_RsClassGroup(IDispatch** ret) override;
    STDMETHODIMP putref_RsClassGroup(IDispatch* NewValue) override;
    STDMETHODIMP get_DataSrv(IDispatch** ret) override;
    STDMETHODIMP putref_DataSrv(IDispatch* NewValue) override;
    STDMETHODIMP putref_LedgerProperty(IDispatch* NewValue) override;
    STDMETHODIMP get_LedgerProperty(IDispatch** ret) override;
    STDMETHODIMP put_EnableListFillRowEvents(VARIANT_BOOL vData) override;
    STDMETHODIMP get_EnableListFillRowEvents(VARIANT_BOOL* ret) override;
    STDMETHODIMP get_QelLib(_QelLib** ret) override;
    STDMETHODIMP get_MenuBar(_MenuBar** ret) override;
    STDMETHODIMP GetSelectedClassID(long* ret) override;
    STDMETHODIMP GetSelectedItemID(long* ret) override;
    STDMETHODIMP GetSelectedClassType(long* ret) override;
    STDMETHODIMP GetActiveCtl(IDispatch** ret) override;
    STDMETHODIMP SelectClassGroupByID(long lClassGroupID, long* ret) override;
    STDMETHODIMP RefreshListByClassGroupID(long lClassGroupType, long lClassGroupID) override;
    STDMETHODIMP RefreshSelectedClassGroup() override;
    STDMETHODIMP RefreshSelectedClassGroupList() override;
    STDMETHODIMP RefreshClassGroups() override;
    STDMETHODIMP PitchItemByID(long lItemID, VARIANT_BOOL* ret) override;
    STDMETHODIMP IsSearchState(VARIANT_BOOL* ret) override;
    STDMETHODIMP FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) override;

private:
    // A member of the browse API: any failure in it (no browse control, a member the control
    // lacks, an error inside it, a result of the wrong kind) is raised again with its number and
    // description under this class's source.
    template <class F>
    HRESULT browseApi(F&& f) noexcept {
        return guard([&] { com::reraiseAs(kSource, f); });
    }
    // One call on the browse control (error 91 when none is assigned).
    Variant browse(const wchar_t* member, std::initializer_list<Arg> args = {});

    com::HostPtr browseCtl_;
    ComPtr<IDispatch> listActiveBar_;
    ComPtr<IDispatch> rsItem_;
    ComPtr<IDispatch> rsId_;
    ComPtr<IDispatch> rsClassGroup_;
    host::DictionaryPtr ledgerProperty_;
};

}  // namespace orvi
