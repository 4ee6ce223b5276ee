#include "layout/BillEntry.h"

#include "host/HostForm.h"
#include "layout/MLayout.h"
#include "layout/VeskFields.h"

namespace orvi {

namespace member = host::member;

namespace {
// The page vector's item by position, called late-bound like the reads before it.
constexpr const wchar_t* kVectorItem = L"Item";
}  // namespace

BillEntry::BillEntry() = default;
BillEntry::~BillEntry() = default;

void BillEntry::loadEntry(long position) {
    position_ = position;
    ComPtr<IDispatch> dataSrv = layout::DataSrvOf(billCtl_);
    ComPtr<IDispatch> pages = com::toObject(com::get(dataSrv.Get(), member::ClassTypeEntry).get());
    long p = position;
    page_ = host::toDictionary(com::call(pages.Get(), kVectorItem, {Arg::ref(p)}).get());
}

const com::HostPtr& BillEntry::bill() const {
    if (!billCtl_) com::raise(RuntimeError::ObjectNotSet);
    return billCtl_;
}

IPyxDictionary* BillEntry::descriptor() const {
    if (!page_) com::raise(RuntimeError::ObjectNotSet);
    return page_.Get();
}

Variant BillEntry::read(const wchar_t* key) const {
    return host::item(descriptor(), key);
}

void BillEntry::writeGeometry(const wchar_t* key, short value) {
    host::setItem(descriptor(), key, Variant(value).get());
    layout::SizeControl(billCtl_);
}

STDMETHODIMP BillEntry::get_EntryIndex(long* ret) {
    return answer(ret, [&] { return entryIndex_; });
}

STDMETHODIMP BillEntry::get_KeyField(BSTR* ret) { return answer(ret, [&] { return read(L"FKeyField"); }); }

STDMETHODIMP BillEntry::get_EntryType(short* ret) { return answer(ret, [&] { return read(L"FEntryType"); }); }

STDMETHODIMP BillEntry::get_Layer(short* ret) { return answer(ret, [&] { return read(L"FLayer"); }); }

STDMETHODIMP BillEntry::put_EntryHeight(short vData) {
    return guard([&] { writeGeometry(L"FHeight", vData); });
}

STDMETHODIMP BillEntry::get_EntryHeight(short* ret) { return answer(ret, [&] { return read(L"FHeight"); }); }

STDMETHODIMP BillEntry::put_EntryWidth(short vData) {
    return guard([&] { writeGeometry(L"FWidth", vData); });
}

STDMETHODIMP BillEntry::get_EntryWidth(short* ret) { return answer(ret, [&] { return read(L"FWidth"); }); }

STDMETHODIMP BillEntry::put_EntryTop(short vData) {
    return guard([&] { writeGeometry(L"FTop", vData); });
}

STDMETHODIMP BillEntry::get_EntryTop(short* ret) { return answer(ret, [&] { return read(L"FTop"); }); }

STDMETHODIMP BillEntry::put_EntryLeft(short vData) {
    return guard([&] { writeGeometry(L"FLeft", vData); });
}

STDMETHODIMP BillEntry::get_EntryLeft(short* ret) { return answer(ret, [&] { return read(L"FLeft"); }); }

// The grid number goes by value; the new row limit and visibility by reference.
STDMETHODIMP BillEntry::put_MaxRows(long vData) {
    return guard([&] { com::call(bill(), member::SetGridMaxRows, {Arg(gridNumber()), Arg::ref(vData)}); });
}

STDMETHODIMP BillEntry::get_MaxRows(long* ret) {
    return answer(ret, [&] { return com::call(bill(), member::GetGridMaxRows, {Arg(gridNumber())}); });
}

STDMETHODIMP BillEntry::put_Visible(VARIANT_BOOL vData) {
    return guard([&] { com::call(bill(), member::ShowHideGrid, {Arg(gridNumber()), Arg::refBool(vData)}); });
}

STDMETHODIMP BillEntry::get_Visible(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(com::call(bill(), member::IsGridVisible, {Arg(gridNumber())}).get()); });
}

STDMETHODIMP BillEntry::get_TableName(BSTR* ret) { return answer(ret, [&] { return read(L"FTableName"); }); }

STDMETHODIMP BillEntry::get_VeskFields(_VeskFields** ret) {
    return answer(ret, [&] { return VeskFields::forPage(fields_, billCtl_, VeskFields::kOwnerEntry, position_); });
}

STDMETHODIMP BillEntry::putref_VeskFields(_VeskFields** vData) {
    return guard([&] { fields_ = VeskFields::from(vData); });
}

}  // namespace orvi
