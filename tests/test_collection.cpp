// The library's automation Collection (the recipient list of a message), driven late-bound the way
// a component that receives it does. The class is built into this program from the COM layer, so
// its objects count among this program's live objects, which every case checks are gone.
#include "Errors.h"
#include "Late.h"
#include "com/Collection.h"

using namespace testkit;
using orvi::com::Collection;

namespace {


Late newCollection() {
    ComPtr<Collection> c = Collection::create();
    return Late(ComPtr<IDispatch>(static_cast<IDispatch*>(c.Get())));
}

// Invoke with named arguments: positional ones first, then (name, value) pairs.
Outcome addNamed(const Late& c, std::initializer_list<Variant> positional,
                 std::initializer_list<std::pair<const wchar_t*, Variant>> named) {
    std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(L"Add")};
    for (const auto& n : named) names.push_back(const_cast<LPOLESTR>(n.first));
    std::vector<DISPID> ids(names.size());
    Outcome o;
    o.hr = c.get()->GetIDsOfNames(IID_NULL, names.data(), UINT(names.size()), 0, ids.data());
    if (FAILED(o.hr)) return o;
    // rgvarg: named arguments first (in the order of their DISPIDs), then positional last to first.
    std::vector<VARIANT> args;
    for (const auto& n : named) args.push_back(n.second.get());
    for (auto it = positional.end(); it != positional.begin();) args.push_back((--it)->get());
    DISPPARAMS params = {args.data(), ids.data() + 1, UINT(args.size()), UINT(named.size())};
    EXCEPINFO excep = {};
    o.hr = c.get()->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, &o.value.get(), &excep, &o.argErr);
    o.error = o.hr == DISP_E_EXCEPTION ? excep.scode : o.hr;
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);
    return o;
}

}  // namespace

TEST_CASE(items_are_numbered_from_one_in_the_order_added) {
    Late c = newCollection();
    CHECK_EQ(c.number(L"Count"), 0L);
    CHECK(c.call(L"Add", {Variant(1001L)}).ok());
    CHECK(c.call(L"Add", {str(L"1002")}).ok());
    CHECK_EQ(c.number(L"Count"), 2L);
    Variant first = c.value(L"Item", {Variant(1L)});
    CHECK_EQ(first.vt(), VARTYPE(VT_I4));
    CHECK_EQ(asLong(first), 1001L);
    CHECK_EQ(c.text(L"Item", {Variant(2L)}), std::wstring(L"1002"));
    // Item is the default member, and takes a position of any numeric type.
    Outcome byDefault = c.invoke(L"Item", DISPATCH_PROPERTYGET, {Variant(short(2))});
    CHECK_EQ(asText(byDefault.value), std::wstring(L"1002"));
    DISPPARAMS params = {};
    Variant index(1L);
    params.rgvarg = &index.get();
    params.cArgs = 1;
    Variant result;
    CHECK_HR(c.get()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result.get(), nullptr, nullptr),
             S_OK);
    CHECK_EQ(asLong(result), 1001L);
    // A value passed by reference is stored as a copy.
    long held = 7;
    CHECK(c.call(L"Add", {ref(held)}).ok());
    held = 8;
    CHECK_EQ(c.number(L"Item", {Variant(3L)}), 7L);
}

TEST_CASE(positions_out_of_range_and_missing_keys_fail) {
    Late c = newCollection();
    c.call(L"Add", {Variant(1L)});
    CHECK_ERROR(c.call(L"Item", {Variant(0L)}), kSubscript, L"Collection");
    CHECK_ERROR(c.call(L"Item", {Variant(2L)}), kSubscript, L"Collection");
    CHECK_ERROR(c.call(L"Item", {str(L"nokey")}), kInvalidCall, L"Collection");
    CHECK_HR(c.call(L"Item").hr, DISP_E_PARAMNOTOPTIONAL);
    CHECK_HR(c.call(L"Count", {Variant(1L)}).hr, DISP_E_BADPARAMCOUNT);
    CHECK_HR(c.put(L"Count", Variant(3L)).hr, DISP_E_MEMBERNOTFOUND);
    CHECK_HR(c.call(L"Clear").hr, DISP_E_UNKNOWNNAME);
}

TEST_CASE(keys_before_and_after) {
    Late c = newCollection();
    CHECK(c.call(L"Add", {str(L"a"), str(L"KeyA")}).ok());
    CHECK(c.call(L"Add", {str(L"c"), str(L"KeyC")}).ok());
    // Keys compare ignoring case and must be unique and textual.
    CHECK_EQ(c.text(L"Item", {str(L"keya")}), std::wstring(L"a"));
    CHECK_ERROR(c.call(L"Add", {str(L"x"), str(L"KEYA")}), kDuplicateKey, L"Collection");
    CHECK_ERROR(c.call(L"Add", {str(L"x"), Variant(5L)}), kTypeMismatch, L"Collection");
    // Before a key, after a position; both at once is refused.
    CHECK(c.call(L"Add", {str(L"b"), missing(), str(L"KeyC")}).ok());
    CHECK(c.call(L"Add", {str(L"d"), missing(), missing(), Variant(3L)}).ok());
    CHECK(addNamed(c, {str(L"start")}, {{L"Before", Variant(1L)}, {L"Key", str(L"S")}}).ok());
    CHECK_ERROR(c.call(L"Add", {str(L"x"), missing(), Variant(1L), Variant(1L)}), kInvalidCall, L"Collection");
    CHECK_ERROR(c.call(L"Add", {str(L"x"), missing(), Variant(9L)}), kSubscript, L"Collection");
    std::wstring order;
    for (long i = 1; i <= c.number(L"Count"); ++i) order += c.text(L"Item", {Variant(i)}) + L" ";
    CHECK_EQ(order, std::wstring(L"start a b c d "));
    CHECK_EQ(c.text(L"Item", {str(L"s")}), std::wstring(L"start"));
    CHECK_HR(addNamed(c, {str(L"x")}, {{L"Position", Variant(1L)}}).hr, DISP_E_UNKNOWNNAME);
}

TEST_CASE(new_enum_walks_a_copy_of_the_items) {
    Late c = newCollection();
    c.call(L"Add", {Variant(1L)});
    c.call(L"Add", {Variant(2L)});
    Outcome o = c.invoke(L"_NewEnum", DISPATCH_PROPERTYGET);
    REQUIRE((o.ok() && o.value.vt() == VT_UNKNOWN));
    ComPtr<IEnumVARIANT> e;
    REQUIRE(SUCCEEDED(V_UNKNOWN(&o.value.get())->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(e.GetAddressOf()))));
    o = Outcome();
    // Added after the enumerator was made: not seen by it.
    c.call(L"Add", {Variant(3L)});
    VARIANT items[3];
    ULONG fetched = 0;
    CHECK_HR(e->Next(3, items, &fetched), S_FALSE);
    CHECK_EQ(fetched, 2ul);
    for (ULONG i = 0; i < fetched; ++i) {
        CHECK_EQ(V_VT(&items[i]), VARTYPE(VT_I4));
        CHECK_EQ(long(V_I4(&items[i])), long(i + 1));
        VariantClear(&items[i]);
    }
    CHECK_HR(e->Reset(), S_OK);
    CHECK_HR(e->Skip(1), S_OK);
    ComPtr<IEnumVARIANT> clone;
    CHECK_HR(e->Clone(clone.GetAddressOf()), S_OK);
    VARIANT one;
    VariantInit(&one);
    CHECK_HR(clone->Next(1, &one, nullptr), S_OK);
    CHECK_EQ(long(V_I4(&one)), 2L);
    CHECK_HR(clone->Next(1, &one, nullptr), S_FALSE);
    CHECK_HR(e->Skip(5), S_FALSE);
}

TEST_CASE(the_dual_interface_a_component_declared_as_collection_asks_for) {
    Late c = newCollection();
    ComPtr<orvi::com::AutomationCollection> dual;
    REQUIRE(SUCCEEDED(c.get()->QueryInterface(__uuidof(orvi::com::AutomationCollection),
                                              reinterpret_cast<void**>(dual.GetAddressOf()))));
    // The same object under IDispatch and IUnknown.
    CHECK(sameObject(dual.Get(), c.get()));
    ComPtr<IDispatch> dispatch;
    REQUIRE(SUCCEEDED(dual->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()))));
    CHECK(dispatch.Get() == static_cast<IDispatch*>(dual.Get()));

    // Early-bound, in vtable order: Item, Add, Count, Remove, _NewEnum.
    VARIANT missing;
    VariantInit(&missing);
    V_VT(&missing) = VT_ERROR;
    V_ERROR(&missing) = DISP_E_PARAMNOTFOUND;
    Variant a(1001L), b(L"1002"), keyB(L"second"), c3(3L);
    CHECK_EQ(dual->Add(&a.get(), &missing, &missing, &missing), S_OK);
    CHECK_EQ(dual->Add(&b.get(), &keyB.get(), &missing, &missing), S_OK);
    Variant one(1L);
    CHECK_EQ(dual->Add(&c3.get(), &missing, &one.get(), &missing), S_OK);  // before the first
    long n = 0;
    CHECK_EQ(dual->Count(&n), S_OK);
    CHECK_EQ(n, 3L);
    Variant got;
    CHECK_EQ(dual->Item(&one.get(), &got.get()), S_OK);
    CHECK_EQ(asLong(got), 3L);
    Variant byKey;
    CHECK_EQ(dual->Item(&keyB.get(), &byKey.get()), S_OK);
    CHECK_EQ(asText(byKey), std::wstring(L"1002"));
    // Remove by position and by key.
    CHECK_EQ(dual->Remove(&one.get()), S_OK);
    CHECK_EQ(dual->Remove(&keyB.get()), S_OK);
    CHECK_EQ(dual->Count(&n), S_OK);
    CHECK_EQ(n, 1L);
    ComPtr<IUnknown> unknown;
    CHECK_EQ(dual->_NewEnum(unknown.GetAddressOf()), S_OK);
    ComPtr<IEnumVARIANT> items;
    REQUIRE(SUCCEEDED(unknown.As(&items)));
    VARIANT first;
    VariantInit(&first);
    ULONG fetched = 0;
    CHECK_EQ(items->Next(1, &first, &fetched), S_OK);
    CHECK_EQ(asLong(Variant::attach(first)), 1001L);
    // Failures come back with the collection's error record.
    Variant nine(9L);
    Variant none;
    CHECK_EQ(dual->Item(&nine.get(), &none.get()), kSubscript);
    CHECK_EQ(dual->Remove(&nine.get()), kSubscript);
    CHECK_EQ(dual->Remove(&keyB.get()), kInvalidCall);
    CHECK_EQ(dual->Add(&missing, &missing, &missing, &missing), HRESULT(0x800A01C1));
}

TEST_CASE(remove_late_bound) {
    Late c = newCollection();
    for (long v : {10L, 20L, 30L}) CHECK(c.call(L"Add", {Variant(v)}).ok());
    CHECK(c.call(L"Add", {Variant(40L), str(L"k")}).ok());
    CHECK(c.call(L"Remove", {Variant(2L)}).ok());
    CHECK(c.call(L"Remove", {str(L"K")}).ok());
    CHECK_EQ(c.number(L"Count"), 2L);
    CHECK_EQ(asLong(c.value(L"Item", {Variant(2L)})), 30L);
    CHECK_ERROR(c.call(L"Remove", {Variant(3L)}), kSubscript, L"Collection");
    CHECK_ERROR(c.call(L"Remove", {str(L"k")}), kInvalidCall, L"Collection");
    CHECK_EQ(c.call(L"Remove").hr, DISP_E_PARAMNOTOPTIONAL);
}
