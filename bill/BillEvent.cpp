// BillEvent: creation, binding to the bill control, and the bill's properties.
#include "bill/BillEvent.h"

#include "host/HostForm.h"
#include "layout/BillEntrys.h"
#include "layout/BillHeads.h"

namespace orvi {

namespace member = host::member;

BillEvent::BillEvent() {
    // Sub-objects in this order: the tool wrapper (made by the base), then the header and entry
    // collections.
    billHeads_ = com::make<BillHeads>();
    billEntrys_ = com::make<BillEntrys>();
}

BillEvent::~BillEvent() {
    releaseInOrder(std::tie(billHeads_, billEntrys_), std::tie(), std::tie(billCtl_));
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
        bindDataSrv(com::toObject(com::get(bill(), member::DataSrv).get()).Get());
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
    return getQelLib(ret);
}

STDMETHODIMP BillEvent::get_MenuBar(_MenuBar** ret) {
    return getMenuBar(ret);
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

STDMETHODIMP BillEvent::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    // lSendType selects nothing: every message goes the one way the message component offers.
    return sendMessage(sTitle, sMessage, arrUsers, ret);
}

}  // namespace orvi
