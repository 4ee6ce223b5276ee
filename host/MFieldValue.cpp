#include "host/MFieldValue.h"

#include "text/ValueText.h"

namespace orvi::fieldvalue {

using valuetext::ColumnKind;

namespace {

double numberOf(std::wstring_view text) {
    std::optional<double> n = valuetext::LenientNumber(text);
    if (!n) com::raise(RuntimeError::Overflow);
    return *n;
}

double dateOf(const VARIANT& value) {
    Variant date;
    com::changeType(date.get(), value, VT_DATE);
    return V_DATE(&date.get());
}

Variant integerOne() {
    return Variant(short(1));
}

}  // namespace

std::optional<bool> EqualsText(const VARIANT& value, std::wstring_view text) {
    const VARIANT& v = com::deref(value);
    if (V_VT(&v) == VT_NULL) return std::nullopt;
    if (V_VT(&v) == VT_BSTR) return com::view(V_BSTR(&v)) == text;
    return com::toBstr(v).view() == text;
}

void UpdateFldValue(IPyxDictionary* dct, IPyxDictionary* dctFld, std::wstring_view sValue) {
    Variant type = host::item(dct, L"FValueType");
    Variant stored = host::item(dctFld, L"FFLD");
    // Null matches no type code: it is compared as any other type.
    ColumnKind kind = type.vt() == VT_NULL ? ColumnKind::Other : valuetext::KindOfColumn(com::toDouble(type.get()));
    Variant text(sValue);
    switch (kind) {
    case ColumnKind::Number:
    case ColumnKind::DateTime: {
        bool differs = kind == ColumnKind::Number
                           ? numberOf(sValue) != numberOf(com::toBstr(stored.get()).view())
                           : valuetext::DayNumber(dateOf(stored.get())) != valuetext::DayNumber(dateOf(text.get()));
        if (!differs) return;
        host::setItem(dctFld, L"FFLD", text.get());
        host::setItem(dctFld, L"FMODIFY", integerOne().get());
        host::setItem(dctFld, L"FInput", integerOne().get());
        return;
    }
    case ColumnKind::Other: {
        std::optional<bool> same = EqualsText(stored.get(), sValue);
        if (!same || *same) return;
        host::setItem(dctFld, L"FFLD", Variant(valuetext::WithoutQuotes(sValue)).get());
        host::setItem(dctFld, L"FMODIFY", integerOne().get());
        return;
    }
    }
}

host::DictionaryPtr ListItems(IPyxDictionary* dct) {
    const wchar_t* key = host::lookUp(dct, L"VALUELIST") ? L"VALUELIST" : L"SQL";
    return host::toDictionary(host::item(dct, key).get());
}

std::optional<ListChoice> ChooseListItem(IPyxDictionary* items, std::wstring_view text, ItemMatch match) {
    long count = host::count(items);
    for (long i = 1; i <= count; ++i) {
        Bstr code = host::keyAt(items, i);
        Variant display = host::itemOfKey(items, code);
        bool same = match == ItemMatch::Variant ? EqualsText(display.get(), text).value_or(false)
                                                : com::toBstr(display.get()).view() == text;
        if (same) return ListChoice{Variant(std::move(code)), Variant(text)};
    }
    if (!host::lookUp(items, text)) return std::nullopt;
    return ListChoice{Variant(text), host::item(items, text)};
}

std::optional<bool> CodeIs(const VARIANT& code, double n) {
    const VARIANT& v = com::deref(code);
    if (V_VT(&v) == VT_NULL) return std::nullopt;
    return com::toDouble(v) == n;
}

bool IsListField(IPyxDictionary* dct) {
    return CodeIs(host::item(dct, L"FCtlType").get(), 8).value_or(false);
}

bool IsTwoStateField(IPyxDictionary* dct) {
    return CodeIs(host::item(dct, L"FCtlType").get(), 4).value_or(false);
}

bool IsLookupField(IPyxDictionary* dct) {
    Variant kind = host::item(dct, L"FLookUpType");
    std::optional<bool> none = CodeIs(kind.get(), 0), noneToo = CodeIs(kind.get(), 100);
    return none && noneToo && !*none && !*noneToo;
}

Bstr StoreListChoice(IPyxDictionary* dctFld, const ListChoice& choice) {
    // Both texts first: a display value that cannot be text stops the write before any store.
    Bstr display = com::toBstr(choice.display.get());
    Bstr code = com::toBstr(choice.code.get());
    host::setItem(dctFld, L"FDSP", Variant(display.view()).get());
    host::setItem(dctFld, L"FFLD", Variant(code.view()).get());
    host::setItem(dctFld, L"FMODIFY", integerOne().get());
    return code;
}

}  // namespace orvi::fieldvalue
