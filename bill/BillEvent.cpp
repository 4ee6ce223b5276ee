#include "bill/BillEvent.h"

#include "bill/HostForm.h"
#include "layout/BillEntrys.h"
#include "layout/BillHeads.h"
#include "menubar/MenuBar.h"
#include "menubar/VeskTool.h"
#include "session/QelLib.h"

namespace orvi {

namespace member = host::member;

namespace event {
// DISPIDs of __BillEvent.
constexpr DISPID BarInitialize = 1, MenuBarInitialize = 2, HeadCtlClick = 3, BarClick = 4, MenuBarClick = 5,
                 AfterDeleteRow = 6, Change = 7, BeforeSave = 8, AfterSave = 9, AfterFillRow = 10, AfterCopyBill = 11,
                 BeforeVerify = 12, BeforeDoAction = 13, AfterDoAction = 14, SetCurrencyState = 15, Verify = 16,
                 AddNewRow = 17, BeforeLoadBill = 18, AfterLoadBill = 19, BeforLoadBillFillData = 20,
                 AfterNewEmptyData = 21, AfterNewBill = 22, AfterFirstNewBill = 23, SaveBillFailed = 24,
                 BeforeSelBills = 25, AfterSelBill = 26, BeginEdit = 27, AfterLoadBillSetSumData = 28,
                 AfterInputBillSetSumData = 29, AfterSelBillBeforeFillData = 30, BeforeSelBillShowFilter = 31,
                 BeforeMultiCheck = 32, MultiCheck = 33, AfterMultiCheck = 34, StartMultiCheck = 35,
                 FinishMultiCheck = 36, UnMultiCheck = 37, AfterUnMultiCheck = 38, BusinessCheck = 39,
                 AfterBusinessCheck = 40, UnBusinessCheck = 41, AfterUnBusinessCheck = 42, BeforeSendMessage = 43,
                 HeadCtlLostFocus = 44, SetAmountForEnd = 45;
}  // namespace event

BillEvent::BillEvent() {
    // Sub-objects in this order: the tool wrapper, then the header and entry collections.
    tool_ = com::make<VeskTool>();
    billHeads_ = com::make<BillHeads>();
    billEntrys_ = com::make<BillEntrys>();
}

BillEvent::~BillEvent() {
    tool_.Reset();
    billHeads_.Reset();
    billEntrys_.Reset();
    qelLib_.Reset();
    menuBar_.Reset();
    classTypeEntry_.Reset();
    tableInfo_.Reset();
    classType_.Reset();
    dataSrv_.Reset();
    billCtl_.Reset();
    multiCheckMgr_.Reset();
}

HRESULT BillEvent::relay(DISPID id, com::EventArgs& args, VARIANT* ret, bool hasResult) noexcept {
    return guard([&] {
        if (hasResult) com::initOut(ret);
        if (args.hasNullReference()) com::raise(E_POINTER, L"Invalid pointer");
        // A handler may drop the last outside reference to this object (the host closing its
        // form from a plug-in): hold one until the event is over.
        ComPtr<_BillEvent> self(this);
        raiseEvent(id, args);
    });
}

IDispatch* BillEvent::bill() {
    if (!billCtl_) com::raise(RuntimeError::ObjectNotSet);
    return billCtl_.Get();
}

Variant BillEvent::header(const wchar_t* key) {
    if (!classType_) com::raise(RuntimeError::ObjectNotSet);
    return host::item(classType_.Get(), key);
}

STDMETHODIMP BillEvent::get_BillCtl(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, billCtl_);
    });
}

STDMETHODIMP BillEvent::put_BillCtl(IDispatch** oBillCtl) {
    return guard([&] {
        if (!oBillCtl) com::raise(E_POINTER, L"Invalid pointer");
        // Each step replaces its field; a failing step leaves the earlier ones replaced.
        billCtl_ = *oBillCtl;
        dataSrv_ = com::toObject(com::get(bill(), member::DataSrv).get());
        classType_ = host::toDictionary(com::get(dataSrv_.Get(), member::ClassType).get());
        tableInfo_ = host::toDictionary(com::get(dataSrv_.Get(), member::TableInfo).get());
        classTypeEntry_ = host::toVector(com::get(dataSrv_.Get(), member::ClassTypeEntry).get());
        billHeads_->setBillCtl(billCtl_.Get());
        billEntrys_->setBillCtl(billCtl_.Get());
    });
}

STDMETHODIMP BillEvent::get_BillStatus(Enu_BillStatusExt* ret) {
    return guard([&] {
        com::initOut(ret, Enu_BillStatusExt_View);
        *ret = Enu_BillStatusExt(com::toLong(com::get(bill(), member::BillStatus).get()));
    });
}

STDMETHODIMP BillEvent::get_ClassType(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, classType_);
    });
}

STDMETHODIMP BillEvent::get_TableInfo(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, tableInfo_);
    });
}

STDMETHODIMP BillEvent::get_ClassTypeEntry(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, classTypeEntry_);
    });
}

STDMETHODIMP BillEvent::get_ParentID(IDispatch** ret) {
    // Nothing in the object sets a parent: always Nothing.
    return guard([&] { com::initOut(ret); });
}

STDMETHODIMP BillEvent::get_DataSrv(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, dataSrv_);
    });
}

STDMETHODIMP BillEvent::get_Data(IDispatch** ret) {
    // Read from the bill control on every call: the bill's data changes under the form.
    return guard([&] {
        com::initOut(ret);
        *ret = host::toDictionary(com::get(bill(), member::Data).get()).Detach();
    });
}

STDMETHODIMP BillEvent::get_CurBillID(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(com::get(bill(), member::CurBillID).get());
    });
}

STDMETHODIMP BillEvent::get_rsBillID(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toObject(com::get(bill(), member::RsBillID).get()).Detach();
    });
}

STDMETHODIMP BillEvent::get_TaskID(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(com::get(bill(), member::TaskID).get());
    });
}

STDMETHODIMP BillEvent::put_TaskID(long nTaskID) {
    return guard([&] { com::put(bill(), member::TaskID, Arg(nTaskID)); });
}

STDMETHODIMP BillEvent::get_RPSetPart(VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        *ret = com::toVariantBool(com::get(bill(), member::RPSetPartGet).get());
    });
}

STDMETHODIMP BillEvent::put_RPSetPart(VARIANT_BOOL bRPSetPart) {
    return guard([&] { com::put(bill(), member::RPSetPartPut, Arg::boolean(bRPSetPart)); });
}

STDMETHODIMP BillEvent::get_PrimaryKey(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toBstr(header(L"FPrimaryKey").get()).release();
    });
}

STDMETHODIMP BillEvent::get_EntryPrimaryKey(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toBstr(header(L"FEPrimaryKey").get()).release();
    });
}

STDMETHODIMP BillEvent::get_AccessoryTypeID(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(header(L"FAccessoryTypeID").get());
    });
}

STDMETHODIMP BillEvent::get_ShowType(short* ret) {
    return guard([&] {
        com::initOut(ret, short(0));
        *ret = com::toShort(header(L"FShowType").get());
    });
}

STDMETHODIMP BillEvent::get_ObjectID(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(header(L"FObjectID").get());
    });
}

STDMETHODIMP BillEvent::get_ObjectType(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(header(L"FObjectType").get());
    });
}

STDMETHODIMP BillEvent::get_ClassTypeKey(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toBstr(header(L"FClassTypeKey").get()).release();
    });
}

STDMETHODIMP BillEvent::get_LayerNames(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toBstr(header(L"FLayerNames").get()).release();
    });
}

STDMETHODIMP BillEvent::get_LayerCount(short* ret) {
    return guard([&] {
        com::initOut(ret, short(0));
        *ret = com::toShort(header(L"FLayerCount").get());
    });
}

STDMETHODIMP BillEvent::get_TableName(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toBstr(header(L"FTableName").get()).release();
    });
}

STDMETHODIMP BillEvent::get_BillHeight(short* ret) {
    return guard([&] {
        com::initOut(ret, short(0));
        *ret = com::toShort(header(L"FBillHeight").get());
    });
}

STDMETHODIMP BillEvent::get_BillWidth(short* ret) {
    return guard([&] {
        com::initOut(ret, short(0));
        *ret = com::toShort(header(L"FBillWidth").get());
    });
}

STDMETHODIMP BillEvent::get_BillName(BSTR* ret) {
    return guard([&] {
        com::initOut(ret);
        *ret = com::toBstr(header(L"FName").get()).release();
    });
}

STDMETHODIMP BillEvent::put_BillName(BSTR vData) {
    return guard([&] {
        if (!classType_) com::raise(RuntimeError::ObjectNotSet);
        host::setItem(classType_.Get(), L"FName", Variant(std::wstring_view(vData ? vData : L"", SysStringLen(vData))).get());
        com::call(bill(), member::SetBillName);
    });
}

STDMETHODIMP BillEvent::get_FID(long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        *ret = com::toLong(header(L"FID").get());
    });
}

STDMETHODIMP BillEvent::get_MultiCheckMgr(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, multiCheckMgr_);
    });
}

STDMETHODIMP BillEvent::putref_MultiCheckMgr(IDispatch* NewValue) {
    return guard([&] { multiCheckMgr_ = NewValue; });
}

STDMETHODIMP BillEvent::put_ReSaveSuccess(VARIANT_BOOL vData) {
    return guard([&] { reSaveSuccess_ = vData ? VARIANT_TRUE : VARIANT_FALSE; });
}

STDMETHODIMP BillEvent::get_ReSaveSuccess(VARIANT_BOOL* ret) {
    return guard([&] { com::initOut(ret, reSaveSuccess_); });
}

STDMETHODIMP BillEvent::get_QelLib(_QelLib** ret) {
    return guard([&] {
        com::initOut(ret);
        if (!qelLib_) qelLib_ = com::make<QelLib>();
        com::copyOut(ret, qelLib_);
    });
}

STDMETHODIMP BillEvent::get_MenuBar(_MenuBar** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, menuBar_);
    });
}

STDMETHODIMP BillEvent::get_BillEntrys(_BillEntrys** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, billEntrys_);
    });
}

STDMETHODIMP BillEvent::get_BillHeads(_BillHeads** ret) {
    return guard([&] {
        com::initOut(ret);
        com::copyOut(ret, billHeads_);
    });
}

STDMETHODIMP BillEvent::FireBarInitialize(IDispatch* oBar, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        ComPtr<_BillEvent> self(this);
        // InitMenuBar: a new MenuBar over the toolbar control replaces the earlier one.
        ComPtr<MenuBar> bar = com::make<MenuBar>();
        bar->setControl(oBar);
        menuBar_ = bar;
        raiseEvent(event::BarInitialize, com::EventArgs().object(oBar));
        raiseEvent(event::MenuBarInitialize, com::EventArgs().object(static_cast<_MenuBar*>(bar.Get())));
    });
}

STDMETHODIMP BillEvent::FireBarClick(IDispatch* Tool, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        if (!Cancel) com::raise(E_POINTER, L"Invalid pointer");
        ComPtr<_BillEvent> self(this);
        raiseEvent(event::BarClick, com::EventArgs().object(Tool).refBool(Cancel));
        // MenuBarClick follows whatever BarClick left in Cancel.
        ComPtr<VeskTool> tool = tool_;
        tool->setTool(Tool);
        raiseEvent(event::MenuBarClick, com::EventArgs().object(static_cast<_VeskTool*>(tool.Get())).refBool(Cancel));
    });
}

STDMETHODIMP BillEvent::FireAfterSave(VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(event::AfterSave, com::EventArgs().refBool(bCancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeSave(VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(event::BeforeSave, com::EventArgs().refBool(bCancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeVerify(VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(event::BeforeVerify, com::EventArgs().refBool(bCancel), ret);
}

STDMETHODIMP BillEvent::FireVerify(IDispatch** dctErr, BSTR* sErr, long* sErrRow, VARIANT* ret) {
    return relay(event::Verify, com::EventArgs().ref(dctErr).ref(sErr).ref(sErrRow), ret);
}

STDMETHODIMP BillEvent::FireAfterLoadBill(VARIANT* ret) {
    return relay(event::AfterLoadBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireAfterDeleteRow(long Index, long lRow, VARIANT* ret) {
    return relay(event::AfterDeleteRow, com::EventArgs().value(Index).value(lRow), ret);
}

STDMETHODIMP BillEvent::FireAddNewRow(short Index, long NewRow, VARIANT* ret) {
    return relay(event::AddNewRow, com::EventArgs().value(Index).value(NewRow), ret);
}

STDMETHODIMP BillEvent::FireHeadCtlClick(IDispatch* ctl, IDispatch* dct, VARIANT* ret) {
    return relay(event::HeadCtlClick, com::EventArgs().object(ctl).object(dct), ret);
}

STDMETHODIMP BillEvent::ChangeCurrencyState(IDispatch* dcData, VARIANT* ret) {
    return relay(event::SetCurrencyState, com::EventArgs().object(dcData), ret);
}

STDMETHODIMP BillEvent::FireHeadCtlLostFocus(IDispatch* ctl, IDispatch* dct, IDispatch* dctFld, VARIANT* ret) {
    return relay(event::HeadCtlLostFocus, com::EventArgs().object(ctl).object(dct).object(dctFld), ret);
}

STDMETHODIMP BillEvent::FireAfterFirstNewBill(VARIANT* ret) {
    return relay(event::AfterFirstNewBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireAfterNewEmptyData(VARIANT* ret) {
    return relay(event::AfterNewEmptyData, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireBeforLoadBillFillData(VARIANT* ret) {
    return relay(event::BeforLoadBillFillData, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireChange(IDispatch* dct, IDispatch* dctFld, long Col, long Row, VARIANT_BOOL* Cancel, VARIANT* ret) {
    return relay(event::Change, com::EventArgs().object(dct).object(dctFld).value(Col).value(Row).refBool(Cancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeLoadBill(VARIANT_BOOL* Cancel, VARIANT* ret) {
    return relay(event::BeforeLoadBill, com::EventArgs().refBool(Cancel), ret);
}

STDMETHODIMP BillEvent::FireBeforeSelBills(long lSelBillType, IDispatch* oDataSrv, IDispatch* dctLink, BSTR* sFilter, IDispatch** dctParam, VARIANT* ret) {
    return relay(event::BeforeSelBills,
                 com::EventArgs().value(lSelBillType).object(oDataSrv).object(dctLink).ref(sFilter).ref(dctParam), ret);
}

STDMETHODIMP BillEvent::FireAfterSelBill(long lSelBillType, VARIANT* ret) {
    return relay(event::AfterSelBill, com::EventArgs().value(lSelBillType), ret);
}

STDMETHODIMP BillEvent::FireBeginEdit(IDispatch* dct, long Col, long Row, VARIANT* ret) {
    return relay(event::BeginEdit, com::EventArgs().object(dct).value(Col).value(Row), ret);
}

STDMETHODIMP BillEvent::FireAfterLoadBillSetSumData(IDispatch* dct, double* dbResult, VARIANT* ret) {
    return relay(event::AfterLoadBillSetSumData, com::EventArgs().object(dct).ref(dbResult), ret);
}

STDMETHODIMP BillEvent::FireAfterInputBillSetSumData(IDispatch* dct, double* dbResult, VARIANT* ret) {
    return relay(event::AfterInputBillSetSumData, com::EventArgs().object(dct).ref(dbResult), ret);
}

STDMETHODIMP BillEvent::FireBeforeDoAction(IDispatch* dct, IDispatch* dctFld, IDispatch* ItemObj, BSTR ActionTypeName, BSTR ActionName, BSTR Paremeters, VARIANT_BOOL* bCancel, VARIANT* ret) {
    return relay(event::BeforeDoAction,
                 com::EventArgs().object(dct).object(dctFld).object(ItemObj).text(ActionTypeName).text(ActionName)
                     .text(Paremeters).refBool(bCancel),
                 ret);
}

STDMETHODIMP BillEvent::FireAfterDoAction(IDispatch* dct, IDispatch* dctFld, IDispatch* ItemObj, BSTR ActionTypeName, BSTR ActionName, BSTR Paremeters, VARIANT* ret) {
    return relay(event::AfterDoAction,
                 com::EventArgs().object(dct).object(dctFld).object(ItemObj).text(ActionTypeName).text(ActionName)
                     .text(Paremeters),
                 ret);
}

STDMETHODIMP BillEvent::FireAfterSelBillBeforeFillData(IDispatch* dcData, IDispatch* dctLink, VARIANT* ret) {
    return relay(event::AfterSelBillBeforeFillData, com::EventArgs().object(dcData).object(dctLink), ret);
}

STDMETHODIMP BillEvent::FireAfterNewBill(VARIANT* ret) {
    return relay(event::AfterNewBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireAfterCopyBill(VARIANT* ret) {
    return relay(event::AfterCopyBill, com::EventArgs(), ret);
}

STDMETHODIMP BillEvent::FireSaveBillFailed(IDispatch* dctData, BSTR* sErrorMessage, VARIANT_BOOL* bCancelErrorMessage, VARIANT* ret) {
    return relay(event::SaveBillFailed, com::EventArgs().object(dctData).ref(sErrorMessage).refBool(bCancelErrorMessage),
                 ret);
}

STDMETHODIMP BillEvent::FireBeforeSelBillShowFilter(IDispatch** dct, VARIANT* ret) {
    return relay(event::BeforeSelBillShowFilter, com::EventArgs().ref(dct), ret);
}

STDMETHODIMP BillEvent::FireAfterFillRow(long lRow, IDispatch* dctPage, IDispatch* dctEntryData, IDispatch* dctLink, VARIANT* ret) {
    return relay(event::AfterFillRow, com::EventArgs().value(lRow).object(dctPage).object(dctEntryData).object(dctLink),
                 ret);
}

STDMETHODIMP BillEvent::SetText(IDispatch* dct, BSTR sValue, long Row, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetDecimal(IDispatch* dct, long Row, long iDecimal, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetSumDecimal(IDispatch* dct, long iDecimal, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::LockBill(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetCaption(IDispatch* dct) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetBarStatus(BSTR Name, BSTR Property, VARIANT* Value, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::ShowHideField(IDispatch* dct, VARIANT_BOOL bValue, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::ShowHideGrid(IDispatch* dct, VARIANT_BOOL bValue, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::LockCell(IDispatch* dct, long Row, VARIANT_BOOL bValue) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::GetActiveCtl(IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetTypeFloatMin(IDispatch* dct, long lRow, double dbMin, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetTypeFloatMax(IDispatch* dct, long lRow, double dbMax, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::GetFieldInfoByKey(BSTR sKey, BSTR* sPKey, long* lIndex, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::GetDataFld(IDispatch* dct, long Row, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::UpdateNormalFld(IDispatch* dct, BSTR sValue, long Row, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::UpdateLookFld(IDispatch* dct, BSTR sValue, long Row, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::RefreshBill(VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SaveSearchText(long lID, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::IsChange(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetStatus(short iPanel, BSTR sStatus) {
    // The default status text is shown as "Ready"; any other text goes to the host as it is.
    return guard([&] {
        Bstr text(std::wstring_view(sStatus ? sStatus : L"", SysStringLen(sStatus)));
        if (text.view() == L"就绪") text = Bstr(L"Ready");
        com::call(bill(), member::SetStatus, {Arg::ref(iPanel), Arg::ref(text)});
    });
}

STDMETHODIMP BillEvent::GetActiveField(IDispatch** dct, long* Col, long* Row, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::GetToolIndex(BSTR sBandName, BSTR sToolName, long* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::Sum(IDispatch* dct, long BRow, long ERow, double* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetSumData(IDispatch* dct, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::DeleteEntryData(long nPage, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::GetDataFldbyKey(BSTR sFKey, long Row, IDispatch** ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::IsFileNeedFilter(VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::GetFieldValue(BSTR sKey, long nRow, Enu_ValueType ValueType, VARIANT* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetFieldValue(BSTR sKey, VARIANT vValue, long nRow, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::SetBillFormCaption(BSTR sCaption) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::InsertNewRowAndFill(long nPage, long nRow, SAFEARRAY** vFieldsData, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::FireBeforeMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long* lCheckLevel, long lCheckStatus, long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* Cancel) {
    return relay(event::BeforeMultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).value(lBusinessLevel).ref(lCheckLevel)
                     .value(lCheckStatus).value(lLastCheckFrom).value(lLastCheckTo).refBool(Cancel),
                 nullptr, false);
}

STDMETHODIMP BillEvent::FireMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL* bSendCheckMessage, VARIANT_BOOL* bSendAcceptMessage, BSTR* sMessageTitle, BSTR* sMessage, VARIANT_BOOL* Cancel) {
    return relay(event::MultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).value(lBusinessLevel).value(lCheckLevel)
                     .value(lCheckStatus).refBool(bSendCheckMessage).refBool(bSendAcceptMessage).ref(sMessageTitle)
                     .ref(sMessage).refBool(Cancel),
                 nullptr, false);
}

STDMETHODIMP BillEvent::FireAfterMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL Success) {
    return relay(event::AfterMultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).value(lBusinessLevel).value(lCheckLevel)
                     .value(lCheckStatus).boolean(Success),
                 nullptr, false);
}

STDMETHODIMP BillEvent::FireStartMultiCheck(long lCheckMode, long lCheckMaxLevel, VARIANT_BOOL* bSendMessage, VARIANT_BOOL* Cancel) {
    return relay(event::StartMultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).refBool(bSendMessage).refBool(Cancel), nullptr, false);
}

STDMETHODIMP BillEvent::FireFinishMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus, VARIANT_BOOL* bSendMessage) {
    return relay(event::FinishMultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).value(lBusinessLevel).value(lCheckStatus)
                     .refBool(bSendMessage),
                 nullptr, false);
}

STDMETHODIMP BillEvent::FireUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckStatus, long lLastCheckFrom, long lLastCheckTo, VARIANT_BOOL* bSendMessage, VARIANT_BOOL* Cancel) {
    return relay(event::UnMultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).value(lBusinessLevel).value(lCheckStatus)
                     .value(lLastCheckFrom).value(lLastCheckTo).refBool(bSendMessage).refBool(Cancel),
                 nullptr, false);
}

STDMETHODIMP BillEvent::FireAfterUnMultiCheck(long lCheckMode, long lCheckMaxLevel, long lBusinessLevel, long lCheckLevel, long lCheckStatus, VARIANT_BOOL Success) {
    return relay(event::AfterUnMultiCheck,
                 com::EventArgs().value(lCheckMode).value(lCheckMaxLevel).value(lBusinessLevel).value(lCheckLevel)
                     .value(lCheckStatus).boolean(Success),
                 nullptr, false);
}

STDMETHODIMP BillEvent::FireBusinessCheck(VARIANT_BOOL* Cancel) {
    return relay(event::BusinessCheck, com::EventArgs().refBool(Cancel), nullptr, false);
}

STDMETHODIMP BillEvent::FireAfterBusinessCheck(VARIANT_BOOL Success) {
    return relay(event::AfterBusinessCheck, com::EventArgs().boolean(Success), nullptr, false);
}

STDMETHODIMP BillEvent::FireUnBusinessCheck(VARIANT_BOOL* Cancel) {
    return relay(event::UnBusinessCheck, com::EventArgs().refBool(Cancel), nullptr, false);
}

STDMETHODIMP BillEvent::FireAfterUnBusinessCheck(VARIANT_BOOL Success) {
    return relay(event::AfterUnBusinessCheck, com::EventArgs().boolean(Success), nullptr, false);
}

STDMETHODIMP BillEvent::FireBeforeSendMessage(BSTR ActionCode, IDispatch** dctMessage, VARIANT_BOOL* Cancel) {
    return relay(event::BeforeSendMessage, com::EventArgs().text(ActionCode).ref(dctMessage).refBool(Cancel), nullptr,
                 false);
}

STDMETHODIMP BillEvent::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::ClearGrids(short nIndex) {
    return pending(__func__);
}

STDMETHODIMP BillEvent::ChangeAmountForEnd(IDispatch* dcData, long iRow, IDispatch* dct, IDispatch* dctFld, VARIANT* ret) {
    return relay(event::SetAmountForEnd, com::EventArgs().object(dcData).value(iRow).object(dct).object(dctFld), ret);
}

}  // namespace orvi
