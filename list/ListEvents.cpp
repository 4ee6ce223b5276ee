// ListEvents: binding to the list control and the data service, the relays of the list form's
// events (the check relays are CheckRelays, the bar relays EventObject's), and the list API.
//
// Error policy: SetBarStatus, GetSelectedBillInfo, UpdateNormalFld and UpdateNormalFldByKey drop
// every failure; every other member lets a failing host call or container access reach the
// caller unchanged.
#include "list/ListEvents.h"


#include "host/HostForm.h"
#include "host/MFieldValue.h"
#include "text/ValueText.h"

namespace orvi {

namespace member = host::member;

namespace {

template <class P>
P* need(const ComPtr<P>& p) {
    if (!p) com::raise(RuntimeError::ObjectNotSet);
    return p.Get();
}

// (Host calls and container reads on Nothing are error 91 in com:: and host::.)

// "Map" of the field table: field key -> descriptor name. It is asked late-bound, as any object
// the host keeps there would be.
ComPtr<IDispatch> fieldMap(IPyxDictionary* tableInfo) {
    return com::toObject(host::item(tableInfo, L"Map").get());
}

// The descriptor name "Map" gives for a key, or nothing when the key is not in it (a Null
// answer of LookUp counts as not found).
std::optional<Bstr> mappedName(IDispatch* map, Variant& key) {
    Variant found = com::call(map, member::LookUp, {Arg::ref(key)});
    if (found.vt() == VT_NULL || !com::toBool(found.get())) return std::nullopt;
    return com::toBstr(com::index(map, {Arg::ref(key)}).get());
}

}  // namespace

ListEvents::ListEvents() = default;

ListEvents::~ListEvents() {
    releaseInOrder(std::tie(), std::tie(data_), std::tie(listCtl_));
}

// ---- binding -------------------------------------------------------------------------------

STDMETHODIMP ListEvents::get_List(IDispatch** ret) { return answer(ret, [&] { return listCtl_; }); }

STDMETHODIMP ListEvents::put_List(IDispatch* vData) {
    return guard([&] {
        // The control is kept before its data service is read: a failing read leaves it held.
        listCtl_ = vData;
        ComPtr<IDispatch> dataSrv = com::toObject(com::get(listCtl_, member::DataSrv).get());
        bindDataSrv(dataSrv.Get());
    });
}

STDMETHODIMP ListEvents::get_DataSrv(IDispatch** ret) { return answer(ret, [&] { return dataSrv_; }); }

STDMETHODIMP ListEvents::putref_DataSrv(IDispatch* NewValue) {
    return guard([&] { bindDataSrv(NewValue); });
}

STDMETHODIMP ListEvents::putref_Data(IDispatch* NewValue) {
    // An object that is no Dictionary is a type mismatch and the data held before stays.
    return guard([&] { data_ = host::toDictionary(NewValue); });
}

STDMETHODIMP ListEvents::get_RsId(IDispatch** ret) {
    return answer(ret, [&] { return host::toRecordset(com::get(listCtl_, member::RsId).get()); });
}

STDMETHODIMP ListEvents::get_LedgerProperty(IDispatch** ret) {
    // Nothing on this object sets a ledger property: always Nothing.
    return guard([&] { com::initOut(ret); });
}

STDMETHODIMP ListEvents::put_EnableListFillRowEvents(VARIANT_BOOL vData) {
    return guard([&] { com::put(listCtl_, member::EnableListFillRowEvents, Arg::boolean(vData)); });
}

STDMETHODIMP ListEvents::get_EnableListFillRowEvents(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(com::get(listCtl_, member::EnableListFillRowEvents).get()); });
}

STDMETHODIMP ListEvents::get_MultiCheckMgr(IDispatch** ret) { return answer(ret, [&] { return multiCheckMgr_; }); }

STDMETHODIMP ListEvents::putref_MultiCheckMgr(IDispatch* NewValue) {
    return guard([&] { multiCheckMgr_ = NewValue; });
}

STDMETHODIMP ListEvents::get_QelLib(_QelLib** ret) {
    return getQelLib(ret);
}

STDMETHODIMP ListEvents::get_MenuBar(_MenuBar** ret) {
    return getMenuBar(ret);
}

// ---- relays --------------------------------------------------------------------------------

STDMETHODIMP ListEvents::FireBarInitialize(IDispatch* oBar, VARIANT* ret) {
    return fireBarInitialize(oBar, ret);
}

STDMETHODIMP ListEvents::FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return fireBarClick(Tool, Cancel, ret);
}

STDMETHODIMP ListEvents::FireAfterGetData(VARIANT* ret) {
    return relay(LIST_EVENT_AfterGetData, com::EventArgs(), ret);
}

STDMETHODIMP ListEvents::FireDoCommand(IDispatch* Tool, long* lngReturnCode, VARIANT* ret) {
    return doCommand(LIST_EVENT_DoCommand, Tool, lngReturnCode, ret);
}

STDMETHODIMP ListEvents::FireRefreshList(VARIANT* ret) {
    return relay(LIST_EVENT_RefreshList, com::EventArgs(), ret);
}

STDMETHODIMP ListEvents::FireAfterSelList(IDispatch* RsId, IDispatch** VectList, VARIANT* ret) {
    return relay(LIST_EVENT_AfterSelList, com::EventArgs().object(RsId).ref(VectList), ret);
}

STDMETHODIMP ListEvents::FireAfterCopyBillCreateData(long srcInterID, IDispatch* dctData, VARIANT* ret) {
    return relay(LIST_EVENT_AfterCopyBillCreateData, com::EventArgs().value(srcInterID).object(dctData), ret);
}

STDMETHODIMP ListEvents::FireBeforRefreshToolBar(VARIANT_BOOL* bShowCaption, VARIANT* ret) {
    return relay(LIST_EVENT_BeforRefreshToolBar, com::EventArgs().refBool(bShowCaption), ret);
}

STDMETHODIMP ListEvents::FireListFillRow(long lRow, IDispatch* RowData, IDispatch* HeadDict, BSTR* CellData,
                                  long* BackColor, VARIANT_BOOL* ContinueRaise, VARIANT* ret) {
    return listFillRow(LIST_EVENT_ListFillRow, lRow, RowData, HeadDict, CellData, BackColor, ContinueRaise, ret);
}

STDMETHODIMP ListEvents::FireAfterDeleteBill(VARIANT_BOOL bSuccess, long lBillInterID, BSTR sBillNo,
                                             BSTR sErrorMessage, VARIANT_BOOL* bCancelErrorMessage, VARIANT* ret) {
    return relay(LIST_EVENT_AfterDeleteBill, com::EventArgs()
                                             .boolean(bSuccess)
                                             .value(lBillInterID)
                                             .text(sBillNo)
                                             .text(sErrorMessage)
                                             .refBool(bCancelErrorMessage),
                 ret);
}

STDMETHODIMP ListEvents::FireListRowSelected(long lRow, VARIANT* ret) {
    return relay(LIST_EVENT_ListRowSelected, com::EventArgs().value(lRow), ret);
}

// ---- the list API --------------------------------------------------------------------------

STDMETHODIMP ListEvents::SetBarStatus(BSTR Name, BSTR Property, VARIANT* Value, VARIANT* ret) {
    return setBarStatus(listCtl_.Get(), Name, Property, Value, ret);
}

STDMETHODIMP ListEvents::GetCurrentSelRowInfo(IDispatch** ret) {
    return answer(ret, [&] { return host::toDictionary(com::call(listCtl_, member::GetCurrentSelRowInfo).get()); });
}

STDMETHODIMP ListEvents::GetSelectedBillInfo(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        host::VectorPtr bills;
        if (com::ignoring([&] { bills = host::toVector(com::call(listCtl_, member::GetSelectedBillInfo).get()); }))
            *ret = bills.Detach();
    });
}

STDMETHODIMP ListEvents::LoadSelectedBill(Enu_BillStatusExt BillStatus, VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        long status = BillStatus;
        *ret = com::toVariantBool(com::call(listCtl_, member::LoadSelectedBill, {Arg::ref(status)}).get());
    });
}

// The field data of descriptor dct: its key ("Fkey") gives the descriptor name through "Map",
// its page ("FPage") the page descriptor and the page's data; on a page of rows (FEntryType 1)
// the data is indexed by row first. A key that "Map" does not know gives Nothing.
host::DictionaryPtr ListEvents::dataField(IDispatch* dct, long row) {
    host::DictionaryPtr field = host::toDictionary(dct);
    Variant key = host::item(field.Get(), L"Fkey");
    ComPtr<IDispatch> map = fieldMap(tableInfo_.Get());
    std::optional<Bstr> name = mappedName(map.Get(), key);
    if (!name) return nullptr;

    long page = com::toLong(host::item(field.Get(), L"FPage").get());
    host::DictionaryPtr pageInfo = host::toDictionary(host::item(classTypeEntry_.Get(), page).get());
    ComPtr<IDispatch> pageData = com::toObject(host::item(data_.Get(), host::pageKey(page)).get());
    if (com::toLong(host::item(pageInfo.Get(), L"FEntryType").get()) == 1)
        pageData = com::toObject(com::index(pageData.Get(), {Arg::ref(row)}).get());
    return host::toDictionary(com::index(pageData.Get(), {Arg::ref(*name)}).get());
}

host::DictionaryPtr ListEvents::fieldInfo(BSTR key) {
    if (com::view(key).empty()) return nullptr;
    Variant k(com::view(key));
    ComPtr<IDispatch> map = fieldMap(tableInfo_.Get());
    std::optional<Bstr> name = mappedName(map.Get(), k);
    if (!name) return nullptr;
    return host::toDictionary(host::itemOfKey(tableInfo_.Get(), *name).get());
}

STDMETHODIMP ListEvents::GetDataFld(IDispatch* dct, long Row, IDispatch** ret) {
    return answer(ret, [&] { return dataField(dct, Row); });
}

STDMETHODIMP ListEvents::GetDataFldbyKey(BSTR sFKey, long Row, IDispatch** ret) {
    // A key that finds no descriptor leaves Nothing for the lookup: error 91.
    return guard([&] {
        com::initOut(ret);
        host::DictionaryPtr dct = fieldInfo(sFKey);
        *ret = dataField(dct.Get(), Row).Detach();
    });
}

STDMETHODIMP ListEvents::UpdateNormalFld(IDispatch* dct, BSTR sValue, long Row, VARIANT_BOOL bSetModifyFlag,
                                         IDispatch** ret) {
    // Every step runs whatever the step before it did; nothing fails and the result is Nothing.
    // The modified flag is left as the update sets it, whatever bSetModifyFlag says.
    return guard([&] {
        com::initOut(ret);
        host::DictionaryPtr field, fld;
        com::ignoring([&] { field = host::toDictionary(dct); });
        com::ignoring([&] { fld = dataField(dct, Row); });
        com::ignoring([&] {
            fieldvalue::UpdateFldValue(field.Get(), fld.Get(), com::view(sValue));
        });
    });
}

STDMETHODIMP ListEvents::UpdateNormalFldByKey(BSTR sKey, BSTR sValue, long Row, VARIANT_BOOL bSetModifyFlag,
                                              IDispatch** ret) {
    // As UpdateNormalFld, but the field's modified flag is put back as it was unless the caller
    // asks for the update's flag (bSetModifyFlag).
    return guard([&] {
        com::initOut(ret);
        host::DictionaryPtr dct, fld;
        com::ignoring([&] { dct = fieldInfo(sKey); });
        com::ignoring([&] { fld = dataField(dct.Get(), Row); });
        long saved = 0;
        com::ignoring([&] {
            Variant flag;
            Bstr name(L"FModify");
            Variant fallback(short(0));
            com::checkCall(need(fld)->get_Value(name.get(), fallback.get(), &flag.get()), fld.Get(),
                           __uuidof(IPyxDictionary));
            std::optional<double> n = valuetext::LenientNumber(com::toString(flag.get()));
            if (!n) com::raise(RuntimeError::Overflow);
            Variant number(*n);
            saved = com::toLong(number.get());
        });
        com::ignoring([&] {
            fieldvalue::UpdateFldValue(dct.Get(), fld.Get(), com::view(sValue));
        });
        if (!bSetModifyFlag) com::ignoring([&] { host::setItem(fld.Get(), L"FModify", Variant(saved).get()); });
    });
}

STDMETHODIMP ListEvents::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    // lSendType selects nothing: every message goes the one way the message component offers.
    return sendMessage(sTitle, sMessage, arrUsers, ret);
}

}  // namespace orvi
