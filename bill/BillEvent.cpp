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

const com::HostPtr& BillEvent::bill() {
    if (!billCtl_) com::raise(RuntimeError::ObjectNotSet);
    return billCtl_;
}

Variant BillEvent::header(const wchar_t* key) {
    if (!classType_) com::raise(RuntimeError::ObjectNotSet);
    return host::item(classType_.Get(), key);
}

STDMETHODIMP BillEvent::get_BillCtl(IDispatch** ret) { return answer(ret, [&] { return billCtl_; }); }

STDMETHODIMP BillEvent::put_BillCtl(IDispatch** oBillCtl) {
    return guard([&] {
        if (!oBillCtl) com::raise(E_POINTER, L"Invalid pointer");
        // Each step replaces its field; a failing step leaves the earlier ones replaced.
        billCtl_ = *oBillCtl;
        bindDataSrv(com::toObject(com::get(bill(), member::DataSrv).get()).Get());
        billHeads_->setBillCtl(billCtl_);
        billEntrys_->setBillCtl(billCtl_);
    });
}

STDMETHODIMP BillEvent::get_BillStatus(Enu_BillStatusExt* ret) {
    return answer(ret, [&] { return com::get(bill(), member::BillStatus); });
}

STDMETHODIMP BillEvent::get_ClassType(IDispatch** ret) { return answer(ret, [&] { return classType_; }); }

STDMETHODIMP BillEvent::get_TableInfo(IDispatch** ret) { return answer(ret, [&] { return tableInfo_; }); }

STDMETHODIMP BillEvent::get_ClassTypeEntry(IDispatch** ret) { return answer(ret, [&] { return classTypeEntry_; }); }

STDMETHODIMP BillEvent::get_ParentID(IDispatch** ret) {
    // Nothing in the object sets a parent: always Nothing.
    return guard([&] { com::initOut(ret); });
}

STDMETHODIMP BillEvent::get_DataSrv(IDispatch** ret) { return answer(ret, [&] { return dataSrv_; }); }

STDMETHODIMP BillEvent::get_Data(IDispatch** ret) {
    // Read from the bill control on every call: the bill's data changes under the form.
    return answer(ret, [&] { return host::toDictionary(com::get(bill(), member::Data).get()); });
}

STDMETHODIMP BillEvent::get_CurBillID(long* ret) {
    return answer(ret, [&] { return com::get(bill(), member::CurBillID); });
}

STDMETHODIMP BillEvent::get_rsBillID(IDispatch** ret) {
    return answer(ret, [&] { return com::get(bill(), member::RsBillID); });
}

STDMETHODIMP BillEvent::get_TaskID(long* ret) {
    return answer(ret, [&] { return com::get(bill(), member::TaskID); });
}

STDMETHODIMP BillEvent::put_TaskID(long nTaskID) {
    return guard([&] { com::put(bill(), member::TaskID, Arg(nTaskID)); });
}

STDMETHODIMP BillEvent::get_RPSetPart(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(com::get(bill(), member::RPSetPartGet).get()); });
}

STDMETHODIMP BillEvent::put_RPSetPart(VARIANT_BOOL bRPSetPart) {
    return guard([&] { com::put(bill(), member::RPSetPartPut, Arg::boolean(bRPSetPart)); });
}

STDMETHODIMP BillEvent::get_PrimaryKey(BSTR* ret) {
    return answer(ret, [&] { return header(L"FPrimaryKey"); });
}

STDMETHODIMP BillEvent::get_EntryPrimaryKey(BSTR* ret) {
    return answer(ret, [&] { return header(L"FEPrimaryKey"); });
}

STDMETHODIMP BillEvent::get_AccessoryTypeID(long* ret) {
    return answer(ret, [&] { return header(L"FAccessoryTypeID"); });
}

STDMETHODIMP BillEvent::get_ShowType(short* ret) { return answer(ret, [&] { return header(L"FShowType"); }); }

STDMETHODIMP BillEvent::get_ObjectID(long* ret) { return answer(ret, [&] { return header(L"FObjectID"); }); }

STDMETHODIMP BillEvent::get_ObjectType(long* ret) {
    return answer(ret, [&] { return header(L"FObjectType"); });
}

STDMETHODIMP BillEvent::get_ClassTypeKey(BSTR* ret) {
    return answer(ret, [&] { return header(L"FClassTypeKey"); });
}

STDMETHODIMP BillEvent::get_LayerNames(BSTR* ret) {
    return answer(ret, [&] { return header(L"FLayerNames"); });
}

STDMETHODIMP BillEvent::get_LayerCount(short* ret) {
    return answer(ret, [&] { return header(L"FLayerCount"); });
}

STDMETHODIMP BillEvent::get_TableName(BSTR* ret) {
    return answer(ret, [&] { return header(L"FTableName"); });
}

STDMETHODIMP BillEvent::get_BillHeight(short* ret) {
    return answer(ret, [&] { return header(L"FBillHeight"); });
}

STDMETHODIMP BillEvent::get_BillWidth(short* ret) {
    return answer(ret, [&] { return header(L"FBillWidth"); });
}

STDMETHODIMP BillEvent::get_BillName(BSTR* ret) { return answer(ret, [&] { return header(L"FName"); }); }

STDMETHODIMP BillEvent::put_BillName(BSTR vData) {
    return guard([&] {
        if (!classType_) com::raise(RuntimeError::ObjectNotSet);
        host::setItem(classType_.Get(), L"FName", Variant(com::view(vData)).get());
        com::call(bill(), member::SetBillName);
    });
}

STDMETHODIMP BillEvent::get_FID(long* ret) { return answer(ret, [&] { return header(L"FID"); }); }

STDMETHODIMP BillEvent::get_MultiCheckMgr(IDispatch** ret) { return answer(ret, [&] { return multiCheckMgr_; }); }

STDMETHODIMP BillEvent::putref_MultiCheckMgr(IDispatch* NewValue) {
    return guard([&] { multiCheckMgr_ = NewValue; });
}

STDMETHODIMP BillEvent::put_ReSaveSuccess(VARIANT_BOOL vData) {
    return guard([&] { reSaveSuccess_ = vData ? VARIANT_TRUE : VARIANT_FALSE; });
}

STDMETHODIMP BillEvent::get_ReSaveSuccess(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return reSaveSuccess_; });
}

STDMETHODIMP BillEvent::get_QelLib(_QelLib** ret) {
    return getQelLib(ret);
}

STDMETHODIMP BillEvent::get_MenuBar(_MenuBar** ret) {
    return getMenuBar(ret);
}

STDMETHODIMP BillEvent::get_BillEntrys(_BillEntrys** ret) { return answer(ret, [&] { return billEntrys_; }); }

STDMETHODIMP BillEvent::get_BillHeads(_BillHeads** ret) { return answer(ret, [&] { return billHeads_; }); }

STDMETHODIMP BillEvent::SendMessage(BSTR sTitle, BSTR sMessage, VARIANT arrUsers, long lSendType, VARIANT_BOOL* ret) {
    // lSendType selects nothing: every message goes the one way the message component offers.
    return sendMessage(sTitle, sMessage, arrUsers, ret);
}

}  // namespace orvi
