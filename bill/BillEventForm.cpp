// BillEvent: the form API. Each member makes one late-bound call of the bill control's member of
// the same name; the object adds only the argument order, a few conversions, one default text
// and its error policy:
//
//   member               host call                                   result      errors
//   SetText              SetText(dct, Row, sValue)  row before text   Empty       ignore
//   SetDecimal           SetDecimal(dct, Row, iDecimal)               Empty       pass
//   SetSumDecimal        SetSumDecimal(dct, iDecimal)                 Empty       pass
//   LockBill             LockBill()                                   Empty       pass
//   SetCaption           SetCaption(dct)                              -           pass
//   SetBarStatus         SetBarStatus(Name, Property, copy of Value)  Empty       ignore
//   ShowHideField        ShowHideField(dct, bValue)                   Empty       ignore
//   ShowHideGrid         ShowHideGrid(dct("FIndex") - 2, bValue)      Empty       ignore
//   LockCell             LockCell(dct, Row, bValue)                   -           ignore
//   GetActiveCtl         GetActiveCtl()                               Object      ignore
//   SetTypeFloatMin/Max  SetTypeFloatMin/Max(dct, lRow, value)        Empty       pass
//   RefreshBill          RefreshBill()                                Empty       pass
//   SaveSearchText       SaveSearchText(lID)                          Empty       pass
//   IsChange             IsChange()                                   Boolean     pass
//   SetStatus            SetStatus(iPanel, text) "就绪" -> "Ready"     -           pass
//   GetActiveField       GetActiveField(dct, Col, Row) all filled     Empty       pass
//   GetToolIndex         GetToolIndex(sBandName, sToolName)           Long        pass
//   Sum                  Sum(dct, BRow, ERow)                         Double      pass
//   SetSumData           SetSumData(dct)                              Empty       pass
//   DeleteEntryData      DeleteEntryData(nPage)                       Boolean     pass
//   SetBillFormCaption   SetBillFormCaption(sCaption)                 -           re-raise
//   InsertNewRowAndFill  InsertNewRowAndFill(nPage, nRow, array)      Boolean     re-raise
//   ClearGrids           ClearGrids(nIndex)                           -           pass
//
// Arguments go to the host as by-reference Variants (copies of the caller's values), except the
// grid number of ShowHideGrid and the Value of SetBarStatus, which go by value. "ignore" leaves
// the result as it was before the call and reports success; "re-raise" raises the caught number
// and description under this class's source; "pass" lets the host's error through unchanged.
#include "bill/BillEvent.h"

#include "host/HostForm.h"

namespace orvi {

namespace member = host::member;
using com::OnError;

namespace {

}  // namespace

STDMETHODIMP BillEvent::SetText(IDispatch* dct, BSTR sValue, long Row, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        showText(dct, sValue, Row);
    });
}

void BillEvent::showText(IDispatch* dct, BSTR text, long row) noexcept {
    com::ignoring([&] {
        ComPtr<IDispatch> d(dct);
        Bstr value(com::view(text));
        com::call(bill(), member::SetText, {Arg::ref(d), Arg::ref(row), Arg::ref(value)});
    });
}

STDMETHODIMP BillEvent::SetDecimal(IDispatch* dct, long Row, long iDecimal, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        ComPtr<IDispatch> d(dct);
        com::call(bill(), member::SetDecimal, {Arg::ref(d), Arg::ref(Row), Arg::ref(iDecimal)});
    });
}

STDMETHODIMP BillEvent::SetSumDecimal(IDispatch* dct, long iDecimal, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        ComPtr<IDispatch> d(dct);
        com::call(bill(), member::SetSumDecimal, {Arg::ref(d), Arg::ref(iDecimal)});
    });
}

STDMETHODIMP BillEvent::LockBill(VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        com::call(bill(), member::LockBill);
    });
}

STDMETHODIMP BillEvent::SetCaption(IDispatch* dct) {
    return guard([&] {
        ComPtr<IDispatch> d(dct);
        com::call(bill(), member::SetCaption, {Arg::ref(d)});
    });
}

STDMETHODIMP BillEvent::SetBarStatus(BSTR Name, BSTR Property, VARIANT* Value, VARIANT* ret) {
    return setBarStatus(billCtl_.Get(), Name, Property, Value, ret);
}

STDMETHODIMP BillEvent::ShowHideField(IDispatch* dct, VARIANT_BOOL bValue, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        com::ignoring([&] {
            ComPtr<IDispatch> d(dct);
            com::call(bill(), member::ShowHideField, {Arg::ref(d), Arg::refBool(bValue)});
        });
    });
}

STDMETHODIMP BillEvent::ShowHideGrid(IDispatch* dct, VARIANT_BOOL bValue, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        com::ignoring([&] {
            // The host numbers its grids from 0; a page descriptor's FIndex counts the header as 1
            // and from 1. A descriptor without FIndex gives -2.
            long grid = com::toLong(host::item(host::toDictionary(dct).Get(), L"FIndex").get()) - 2;
            com::call(bill(), member::ShowHideGrid, {Arg(grid), Arg::refBool(bValue)});
        });
    });
}

STDMETHODIMP BillEvent::LockCell(IDispatch* dct, long Row, VARIANT_BOOL bValue) {
    return guard([&] {
        com::ignoring([&] {
            ComPtr<IDispatch> d(dct);
            com::call(bill(), member::LockCell, {Arg::ref(d), Arg::ref(Row), Arg::refBool(bValue)});
        });
    });
}

STDMETHODIMP BillEvent::GetActiveCtl(IDispatch** ret) {
    return guard([&] {
        com::initOut(ret);
        com::ignoring([&] { *ret = com::toObject(com::call(bill(), member::GetActiveCtl).get()).Detach(); });
    });
}

STDMETHODIMP BillEvent::SetTypeFloatMin(IDispatch* dct, long lRow, double dbMin, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        ComPtr<IDispatch> d(dct);
        com::call(bill(), member::SetTypeFloatMin, {Arg::ref(d), Arg::ref(lRow), Arg::ref(dbMin)});
    });
}

STDMETHODIMP BillEvent::SetTypeFloatMax(IDispatch* dct, long lRow, double dbMax, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        ComPtr<IDispatch> d(dct);
        com::call(bill(), member::SetTypeFloatMax, {Arg::ref(d), Arg::ref(lRow), Arg::ref(dbMax)});
    });
}

STDMETHODIMP BillEvent::RefreshBill(VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        com::call(bill(), member::RefreshBill);
    });
}

STDMETHODIMP BillEvent::SaveSearchText(long lID, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        com::call(bill(), member::SaveSearchText, {Arg::ref(lID)});
    });
}

STDMETHODIMP BillEvent::IsChange(VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(com::call(bill(), member::IsChange).get()); });
}

STDMETHODIMP BillEvent::SetStatus(short iPanel, BSTR sStatus) {
    // The default status text is shown as "Ready"; any other text goes to the host as it is.
    return guard([&] {
        Bstr text(com::view(sStatus));
        if (text.view() == L"就绪") text = Bstr(L"Ready");
        com::call(bill(), member::SetStatus, {Arg::ref(iPanel), Arg::ref(text)});
    });
}

STDMETHODIMP BillEvent::GetActiveField(IDispatch** dct, long* Col, long* Row, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        if (!dct || !Col || !Row) com::raise(E_POINTER, L"Invalid pointer");
        // Col and Row are the caller's own variables; the descriptor comes back as a Dictionary.
        ComPtr<IDispatch> field(*dct);
        com::call(bill(), member::GetActiveField, {Arg::ref(field), Arg::ref(*Col), Arg::ref(*Row)});
        host::DictionaryPtr answer = host::toDictionary(field.Get());
        ComPtr<IDispatch> handedBack(answer.Get());
        if (*dct) (*dct)->Release();
        *dct = handedBack.Detach();
    });
}

STDMETHODIMP BillEvent::GetToolIndex(BSTR sBandName, BSTR sToolName, long* ret) {
    return guard([&] {
        com::initOut(ret, 0L);
        Bstr band(com::view(sBandName)), tool(com::view(sToolName));
        *ret = com::toLong(com::call(bill(), member::GetToolIndex, {Arg::ref(band), Arg::ref(tool)}).get());
    });
}

STDMETHODIMP BillEvent::Sum(IDispatch* dct, long BRow, long ERow, double* ret) {
    return guard([&] {
        com::initOut(ret, 0.0);
        ComPtr<IDispatch> d(dct);
        *ret = com::toDouble(com::call(bill(), member::Sum, {Arg::ref(d), Arg::ref(BRow), Arg::ref(ERow)}).get());
    });
}

STDMETHODIMP BillEvent::SetSumData(IDispatch* dct, VARIANT* ret) {
    return guard([&] {
        com::initOut(ret);
        ComPtr<IDispatch> d(dct);
        com::call(bill(), member::SetSumData, {Arg::ref(d)});
    });
}

STDMETHODIMP BillEvent::DeleteEntryData(long nPage, VARIANT_BOOL* ret) {
    return answer(ret, [&] { return com::toBool(com::call(bill(), member::DeleteEntryData, {Arg::ref(nPage)}).get()); });
}

STDMETHODIMP BillEvent::SetBillFormCaption(BSTR sCaption) {
    return guard([&] {
        com::reraiseAs(kSource, [&] {
            Bstr caption(com::view(sCaption));
            com::call(bill(), member::SetBillFormCaption, {Arg::ref(caption)});
        });
    });
}

STDMETHODIMP BillEvent::InsertNewRowAndFill(long nPage, long nRow, SAFEARRAY** vFieldsData, VARIANT_BOOL* ret) {
    return guard([&] {
        com::initOut(ret, VARIANT_BOOL(VARIANT_FALSE));
        com::reraiseAs(kSource, [&] {
            // The whole array goes in one Variant (an array of Variants), by reference; it is a
            // copy, so the caller's array stays as it was.
            Variant fields;
            if (vFieldsData && *vFieldsData) {
                SAFEARRAY* copy = nullptr;
                com::check(SafeArrayCopy(*vFieldsData, &copy));
                V_VT(&fields.get()) = VT_ARRAY | VT_VARIANT;
                V_ARRAY(&fields.get()) = copy;
            }
            Variant done = com::call(bill(), member::InsertNewRowAndFill,
                                     {Arg::ref(nPage), Arg::ref(nRow), Arg::ref(fields)});
            *ret = com::toVariantBool(done.get());
        });
    });
}

STDMETHODIMP BillEvent::ClearGrids(short nIndex) {
    return guard([&] { com::call(bill(), member::ClearGrids, {Arg::ref(nIndex)}); });
}

}  // namespace orvi
