// BaseClassEvent: the properties the base-data form assigns, the relays of its events (the bar
// relays are EventObject's) and the browse API. Each browse API member makes one call on the
// browse control and raises any failure again under this class's source; properties and relays
// let errors through unchanged.
#include "list/BaseClassEvent.h"

#include "host/HostForm.h"

namespace orvi {

namespace member = host::member;

BaseClassEvent::BaseClassEvent() = default;

BaseClassEvent::~BaseClassEvent() {
    releaseInOrder(std::tie(), std::tie(ledgerProperty_),
                   std::tie(rsClassGroup_, rsId_, rsItem_, listActiveBar_, browseCtl_));
}

Variant BaseClassEvent::browse(const wchar_t* name, std::initializer_list<Arg> args) {
    return com::call(browseCtl_, name, args);  // no browse control: error 91
}

// ---- properties ----------------------------------------------------------------------------

STDMETHODIMP BaseClassEvent::get_BrowseCtl(IDispatch** ret) {
    return answer(ret, [&] { return browseCtl_; });
}

STDMETHODIMP BaseClassEvent::put_BrowseCtl(IDispatch* vData) {
    return guard([&] { browseCtl_ = vData; });
}

STDMETHODIMP BaseClassEvent::get_ListActiveBar(IDispatch** ret) {
    return answer(ret, [&] { return listActiveBar_; });
}

STDMETHODIMP BaseClassEvent::putref_ListActiveBar(IDispatch* NewValue) {
    return guard([&] { listActiveBar_ = NewValue; });
}

// The three recordsets are ADO Recordsets: another kind of object is a type mismatch and the
// recordset held before stays.
STDMETHODIMP BaseClassEvent::get_RsItem(IDispatch** ret) {
    return answer(ret, [&] { return rsItem_; });
}

STDMETHODIMP BaseClassEvent::putref_RsItem(IDispatch* NewValue) {
    return guard([&] { rsItem_ = host::toRecordset(NewValue); });
}

STDMETHODIMP BaseClassEvent::get_RsId(IDispatch** ret) {
    return answer(ret, [&] { return rsId_; });
}

STDMETHODIMP BaseClassEvent::putref_RsId(IDispatch* NewValue) {
    return guard([&] { rsId_ = host::toRecordset(NewValue); });
}

STDMETHODIMP BaseClassEvent::get_RsClassGroup(IDispatch** ret) {
    return answer(ret, [&] { return rsClassGroup_; });
}

STDMETHODIMP BaseClassEvent::putref_RsClassGroup(IDispatch* NewValue) {
    return guard([&] { rsClassGroup_ = host::toRecordset(NewValue); });
}

STDMETHODIMP BaseClassEvent::get_DataSrv(IDispatch** ret) {
    return answer(ret, [&] { return dataSrv_; });
}

STDMETHODIMP BaseClassEvent::putref_DataSrv(IDispatch* NewValue) {
    return guard([&] { dataSrv_ = NewValue; });
}

STDMETHODIMP BaseClassEvent::putref_LedgerProperty(IDispatch* NewValue) {
    return guard([&] { ledgerProperty_ = host::toDictionary(NewValue); });
}

STDMETHODIMP BaseClassEvent::get_LedgerProperty(IDispatch** ret) {
    return answer(ret, [&] { return ledgerProperty_; });
}

STDMETHODIMP BaseClassEvent::put_EnableListFillRowEvents(VARIANT_BOOL vData) {
    return guard([&] {
        com::put(browseCtl_, member::EnableListFillRowEvents, Arg::boolean(vData));
    });
}

STDMETHODIMP BaseClassEvent::get_EnableListFillRowEvents(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(com::get(browseCtl_, member::EnableListFillRowEvents).get()); });
}

STDMETHODIMP BaseClassEvent::get_QelLib(_QelLib** ret) {
    return getQelLib(ret);
}

STDMETHODIMP BaseClassEvent::get_MenuBar(_MenuBar** ret) {
    return getMenuBar(ret);
}

// ---- relays --------------------------------------------------------------------------------

STDMETHODIMP BaseClassEvent::FireBarInitialize(VARIANT* ret) {
    // The menu bar is built over the toolbar control held now (Nothing when none was assigned).
    ComPtr<IDispatch> bar = listActiveBar_;
    return fireBarInitialize(bar.Get(), ret);
}

STDMETHODIMP BaseClassEvent::FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return fireBarClick(Tool, Cancel, ret);
}

STDMETHODIMP BaseClassEvent::FireAfterGetData(VARIANT* ret) {
    return relay(BASE_EVENT_AfterGetData, com::EventArgs(), ret);
}

STDMETHODIMP BaseClassEvent::FireDoCommand(IDispatch* Tool, long* lngReturnCode, VARIANT* ret) {
    return doCommand(BASE_EVENT_DoCommand, Tool, lngReturnCode, ret);
}

STDMETHODIMP BaseClassEvent::FireListFillRow(long lRow, IDispatch* RowData, IDispatch* HeadDict, BSTR* CellData,
                                  long* BackColor, VARIANT_BOOL* ContinueRaise, VARIANT* ret) {
    return listFillRow(BASE_EVENT_ListFillRow, lRow, RowData, HeadDict, CellData, BackColor, ContinueRaise, ret);
}

STDMETHODIMP BaseClassEvent::FireRefreshList(VARIANT* ret) {
    return relay(BASE_EVENT_RefreshList, com::EventArgs(), ret);
}

STDMETHODIMP BaseClassEvent::FireClassGroupSelected(long Button, long ClassGroupType, long ClassGroupID,
                                                    BSTR ClassGroupFullNumber, VARIANT* ret) {
    return relay(BASE_EVENT_ClassGroupSelected,
                 com::EventArgs().value(Button).value(ClassGroupType).value(ClassGroupID).text(ClassGroupFullNumber),
                 ret);
}

STDMETHODIMP BaseClassEvent::FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) {
    return procedure(BASE_EVENT_BeforeSendMessage, com::EventArgs().text(ActionCode).ref(dctMessage).refBool(Cancel));
}

// ---- the browse API ------------------------------------------------------------------------

STDMETHODIMP BaseClassEvent::GetSelectedClassID(long* ret) {
    // The browse control names this one GetSelectedClassIDEx.
    return browseApi([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(browse(member::GetSelectedClassIDEx).get());
    });
}

STDMETHODIMP BaseClassEvent::GetSelectedItemID(long* ret) {
    return browseApi([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(browse(member::GetSelectedItemID).get());
    });
}

STDMETHODIMP BaseClassEvent::GetSelectedClassType(long* ret) {
    return browseApi([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(browse(member::GetSelectedClassType).get());
    });
}

STDMETHODIMP BaseClassEvent::GetActiveCtl(IDispatch** ret) {
    return browseApi([&] {
        com::initOut(ret);
        *ret = com::toObject(browse(member::GetActiveCtl).get()).Detach();
    });
}

STDMETHODIMP BaseClassEvent::SelectClassGroupByID(long lClassGroupID, long* ret) {
    return browseApi([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(browse(member::SelectClassGroupByID, {Arg::ref(lClassGroupID)}).get());
    });
}

STDMETHODIMP BaseClassEvent::RefreshListByClassGroupID(long lClassGroupType, long lClassGroupID) {
    return browseApi(
        [&] { browse(member::RefreshListByClassGroupID, {Arg::ref(lClassGroupType), Arg::ref(lClassGroupID)}); });
}

STDMETHODIMP BaseClassEvent::RefreshSelectedClassGroup() {
    return browseApi([&] { browse(member::RefreshSelectedClassGroup); });
}

STDMETHODIMP BaseClassEvent::RefreshSelectedClassGroupList() {
    return browseApi([&] { browse(member::RefreshSelectedClassGroupList); });
}

STDMETHODIMP BaseClassEvent::RefreshClassGroups() {
    return browseApi([&] { browse(member::RefreshClassGroups); });
}

STDMETHODIMP BaseClassEvent::PitchItemByID(long lItemID, VARIANT_BOOL* ret) {
    return browseApi([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        *ret = com::toVariantBool(browse(member::PitchItemByID, {Arg::ref(lItemID)}).get());
    });
}

STDMETHODIMP BaseClassEvent::IsSearchState(VARIANT_BOOL* ret) {
    return browseApi([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        *ret = com::toVariantBool(browse(member::IsSearchState).get());
    });
}

STDMETHODIMP BaseClassEvent::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    // lSendType selects nothing: every message goes the one way the message component offers.
    return sendMessage(sTitle, sMessage, arrUsers, ret);
}

}  // namespace orvi
