// BillEvent: field values. A field is found by its key through the bill control
// (GetFieldInfoByKey), its data dictionary fetched with the control's GetDataFld, and its value
// read or changed the way its control needs: a plain value, a lookup value the host resolves
// (GetItem), or a code picked from the item list of a list box. Every write ends with SetText, so
// the form shows the new value.
//
// GetFieldInfoByKey and GetDataFld drop every failure and answer Nothing; the other members
// re-raise any failure with its number and description under this class's source.
#include "bill/BillEvent.h"

#include "host/HostForm.h"
#include "host/MFieldValue.h"
#include "host/MSession.h"

namespace orvi {

namespace member = host::member;

namespace {

using fieldvalue::kFieldNotFound;
using fieldvalue::kLookupFailed;
using fieldvalue::kNotInList;
using fieldvalue::kUpdateFailed;
using fieldvalue::kValueNotFound;

[[noreturn]] void fail(HRESULT hr) {
    const wchar_t* text = L"";
    switch (hr) {
    case kFieldNotFound: text = L"没有找到符合给定字段名的字段"; break;
    case kValueNotFound: text = L"没有找到给定字段名的字段的值"; break;
    case kUpdateFailed: text = L"更新字段值时出现错误"; break;
    case kLookupFailed: text = L"更新查找类型字段时出现错误"; break;
    case kNotInList: text = L"没有在列表项中找到指定的值"; break;
    }
    com::raise(hr, session::LoadLangText(text));
}

// The host's GetItem: whether it resolved the text into the field data (Null counts as False).
// The descriptor, the field data and the row go by reference to the caller's variables: what the
// host leaves in them is what the caller's next steps use.
bool resolveLookup(com::Target billCtl, ComPtr<IDispatch>& dct, ComPtr<IDispatch>& dctFld, std::wstring_view text,
                   long& row) {
    Variant value(text);
    Variant found =
        com::call(billCtl, member::GetItem, {Arg::ref(dct), Arg::ref(dctFld), Arg::value(value.get()), Arg::ref(row)});
    return found.vt() != VT_NULL && com::toBool(found.get());
}

}  // namespace

// The descriptor and the field data, every failure dropped and recorded in the object's error
// state. A failure gives Nothing; a value write (keepAnswer) instead keeps what the host answered
// alongside a failure it reported, and the error state makes the write fail once it has stored
// the value.
host::DictionaryPtr BillEvent::fieldInfo(std::wstring_view key, Bstr& pKey, long& index, bool keepAnswer) noexcept {
    host::DictionaryPtr dct;
    bool failed = false;
    bool ok = com::ignoring([&] {
        Bstr k(key);
        com::CallOutcome answer =
            com::tryCall(bill(), member::GetFieldInfoByKey, {Arg::ref(k), Arg::ref(pKey), Arg::ref(index)});
        failed = answer.failed;
        if (!answer.failed || keepAnswer) dct = host::toDictionary(answer.result.get());
    });
    if (!ok || failed) droppedFailure_ = true;
    if (!ok || (failed && !keepAnswer)) dct.Reset();
    return dct;
}

host::DictionaryPtr BillEvent::dataField(IDispatch* dct, long row, bool keepAnswer) noexcept {
    host::DictionaryPtr fld;
    bool failed = false;
    bool ok = com::ignoring([&] {
        ComPtr<IDispatch> d(dct);
        com::CallOutcome answer = com::tryCall(bill(), member::GetDataFld, {Arg::ref(d), Arg::ref(row)});
        failed = answer.failed;
        if (!answer.failed || keepAnswer) fld = host::toDictionary(answer.result.get());
    });
    if (!ok || failed) droppedFailure_ = true;
    if (!ok || (failed && !keepAnswer)) fld.Reset();
    return fld;
}

STDMETHODIMP BillEvent::GetFieldInfoByKey(BSTR sKey, BSTR* sPKey, long* lIndex, IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        if (!sPKey || !lIndex) com::raise(E_POINTER, L"Invalid pointer");
        // The caller's own variables go to the host and come back filled.
        Bstr pKey = Bstr::attach(*sPKey);
        *sPKey = nullptr;
        host::DictionaryPtr dct = fieldInfo(com::view(sKey), pKey, *lIndex);
        *sPKey = pKey.release();
        *ret = dct.Detach();
    });
}

STDMETHODIMP BillEvent::GetDataFld(IDispatch* dct, long Row, IDispatch** ret) {
    return answer(ret, [&] { return dataField(dct, Row); });
}

STDMETHODIMP BillEvent::GetDataFldbyKey(BSTR sFKey, long Row, IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        Bstr pKey(L"");
        long index = 0;
        host::DictionaryPtr dct = fieldInfo(com::view(sFKey), pKey, index);
        // A key that is not found still asks the host, for the data of Nothing.
        *ret = dataField(dct.Get(), Row).Detach();
    });
}

// The host's GetDataFld and GetItem get the caller's dct and Row by reference; a descriptor or
// row the host leaves there is the one the following steps use.
STDMETHODIMP BillEvent::UpdateNormalFld(IDispatch* dct, BSTR sValue, long Row, IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] {
            ComPtr<IDispatch> d(dct);
            host::DictionaryPtr fld =
                host::toDictionary(com::call(bill(), member::GetDataFld, {Arg::ref(d), Arg::ref(Row)}).get());
            fieldvalue::UpdateFldValue(host::toDictionary(d.Get()).Get(), fld.Get(), com::view(sValue));
            showText(d.Get(), sValue, Row);
        });
    });
}

STDMETHODIMP BillEvent::UpdateLookFld(IDispatch* dct, BSTR sValue, long Row, IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] {
            ComPtr<IDispatch> d(dct);
            ComPtr<IDispatch> fld =
                host::toDictionary(com::call(bill(), member::GetDataFld, {Arg::ref(d), Arg::ref(Row)}).get());
            // A value the host cannot resolve changes nothing and is no error.
            if (resolveLookup(bill(), d, fld, com::view(sValue), Row)) showText(d.Get(), sValue, Row);
        });
    });
}

STDMETHODIMP BillEvent::GetFieldValue(BSTR sKey, long nRow, Enu_ValueType ValueType, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        com::reraiseAs(kSource, [&] {
            Bstr pKey(L"");
            long index = 0;
            host::DictionaryPtr dct = fieldInfo(com::view(sKey), pKey, index);
            if (!dct) fail(kFieldNotFound);
            host::DictionaryPtr fld = dataField(dct.Get(), nRow);
            if (!fld) fail(kValueNotFound);
            const wchar_t* key = ValueType == Enu_ValueType_FFLD   ? L"FFLD"
                                 : ValueType == Enu_ValueType_FFND ? L"FFND"
                                 : ValueType == Enu_ValueType_FDSP ? L"FDSP"
                                                                   : nullptr;
            if (key) host::item(fld.Get(), key).detach(ret);
        });
    });
}

STDMETHODIMP BillEvent::SetFieldValue(BSTR sKey, VARIANT vValue, long nRow, VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        // The error state covers this call only (a handler may call in again meanwhile).
        struct Scope {
            bool& flag;
            bool outer;
            explicit Scope(bool& f) : flag(f), outer(f) { flag = false; }
            ~Scope() { flag = outer; }
        } scope(droppedFailure_);
        com::reraiseAs(kSource, [&] {
            Bstr pKey(L"");
            long index = 0;
            host::DictionaryPtr dct = fieldInfo(com::view(sKey), pKey, index, true);
            if (!dct) fail(kFieldNotFound);
            host::DictionaryPtr fld = dataField(dct.Get(), nRow, true);
            if (!fld) fail(kValueNotFound);
            if (!fieldvalue::IsListField(dct.Get())) {
                if (!fieldvalue::IsLookupField(dct.Get())) {
                    // A plain field stores the value as it came (a Double stays a Double).
                    host::setItem(fld.Get(), L"FFLD", com::deref(vValue));
                    host::setItem(fld.Get(), L"FMODIFY", Variant(short(1)).get());
                    if (droppedFailure_) fail(kUpdateFailed);
                    Bstr text = com::toBstr(vValue);
                    showText(dct.Get(), text.get(), nRow);
                } else {
                    // This call's own descriptor, field data and row go to the host by reference
                    // and are taken back: the text is shown with what the host left.
                    Bstr text = com::toBstr(vValue);
                    ComPtr<IDispatch> d(dct.Get()), f(fld.Get());
                    if (!resolveLookup(bill(), d, f, text.view(), nRow)) fail(kLookupFailed);
                    // The form shows the display text the host resolved.
                    Bstr shown = com::toBstr(host::item(host::toDictionary(f.Get()).Get(), L"FDSP").get());
                    showText(d.Get(), shown.get(), nRow);
                }
            } else {
                Bstr text = com::toBstr(vValue);
                host::DictionaryPtr items = fieldvalue::ListItems(dct.Get());
                std::optional<fieldvalue::ListChoice> choice =
                    fieldvalue::ChooseListItem(items.Get(), text.view(), fieldvalue::ItemMatch::Variant);
                if (!choice) fail(kNotInList);
                // The form is given the code, not the display text.
                Bstr code = fieldvalue::StoreListChoice(fld.Get(), *choice);
                showText(dct.Get(), code.get(), nRow);
            }
            *ret = VARIANT_TRUE;
        });
    });
}

STDMETHODIMP BillEvent::IsFileNeedFilter(VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        com::reraiseAs(kSource,
                       [&] { *ret = com::toVariantBool(com::call(bill(), member::IsFileNeedFilter).get()); });
    });
}

}  // namespace orvi
