// The header page and the entry grids as a plug-in reaches them through the bill event object:
// numbering of the grids, index conversions, the one item object of each collection, binding to
// another bill control, the grid's template settings and the bill control's grid members.
#include "OrviClassEvents.h"
#include "test_layout_support.h"

using namespace testkit;
using namespace layouttest;

namespace {

const wchar_t* const kEntrysSource = L"OrviClassEvents.BillEntrys";
const wchar_t* const kHeadsSource = L"OrviClassEvents.BillHeads";
const wchar_t* const kEntrySource = L"OrviClassEvents.BillEntry";
const wchar_t* const kHeadSource = L"OrviClassEvents.BillHead";

bool checkIndexError(const Outcome& o, const wchar_t* source, const wchar_t* text, int line) {
    bool ok = checkError(o, kBadIndex, source, __FILE__, line);
    if (o.description != text) {
        fail(__FILE__, line, "description \"%s\", expected \"%s\"", narrow(o.description).c_str(), narrow(text).c_str());
        ok = false;
    }
    return ok;
}
#define CHECK_INDEX_ERROR(o, source, text) checkIndexError((o), (source), (text), __LINE__)

Variant currency(long long units) {
    Variant v;
    V_VT(&v.get()) = VT_CY;
    V_CY(&v.get()).int64 = units * 10000;
    return v;
}

}  // namespace

TEST_CASE(entry_grids_are_numbered_over_a_mixed_page_vector) {
    Plugin p(mixedBill());
    Late entrys = p.entrys();
    CHECK_EQ(entrys.number(L"Count"), 2L);
    Late first = p.entry(1);
    CHECK_EQ(first.number(L"EntryIndex"), 1L);
    CHECK_EQ(first.text(L"TableName"), std::wstring(L"t_Rows"));  // position 2
    CHECK_EQ(first.number(L"EntryType"), 1L);
    Late second = p.entry(2);
    CHECK_EQ(second.number(L"EntryIndex"), 2L);
    CHECK_EQ(second.text(L"TableName"), std::wstring(L"t_Terms"));  // position 4: the page of type 2 is skipped
    CHECK_EQ(second.text(L"KeyField"), std::wstring(L"t_TermsID"));
    CHECK_EQ(second.number(L"Layer"), 4L);
    // The grid's fields are those of its own page (Page4).
    CHECK_EQ(second.object(L"VeskFields").number(L"Count"), 3L);
    CHECK_INDEX_ERROR(entrys.call(L"Item", {Variant(3L)}), kEntrysSource, kOutOfRange);

    // The bill control numbers its grids from 0: entry 2 is its grid 1. The grid number goes by
    // value, the new limit and visibility by reference.
    ComPtr<FakeObject> ctl = p.bill.billCtl;
    p.entry(1).set(L"MaxRows", Variant(50L));
    CHECK_EQ(argCount(ctl.Get(), L"SetGridMaxRows"), size_t(2));
    CHECK_EQ(argType(ctl.Get(), L"SetGridMaxRows", 0), VARTYPE(VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"SetGridMaxRows", 0)), 0L);
    CHECK_EQ(argType(ctl.Get(), L"SetGridMaxRows", 1), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"SetGridMaxRows", 1)), 50L);
    p.entry(2).set(L"Visible", Variant(false));
    CHECK_EQ(argType(ctl.Get(), L"ShowHideGrid", 0), VARTYPE(VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"ShowHideGrid", 0)), 1L);
    CHECK_EQ(argType(ctl.Get(), L"ShowHideGrid", 1), VARTYPE(VT_BYREF | VT_BOOL));
    CHECK_EQ(asBool(argValue(ctl.Get(), L"ShowHideGrid", 1)), false);
    ctl->returns(L"GetGridMaxRows", Variant(L"75"));
    CHECK_EQ(second.number(L"MaxRows"), 75L);
    CHECK_EQ(argType(ctl.Get(), L"GetGridMaxRows", 0), VARTYPE(VT_I4));
    CHECK_EQ(asLong(argValue(ctl.Get(), L"GetGridMaxRows", 0)), 1L);
    ctl->returns(L"IsGridVisible", Variant(1L));
    Variant visible = second.value(L"Visible");
    CHECK_EQ(visible.vt(), VARTYPE(VT_BOOL));
    CHECK_EQ(asBool(visible), true);
    CHECK_EQ(asLong(argValue(ctl.Get(), L"IsGridVisible", 0)), 1L);
}

TEST_CASE(the_page_vector_is_walked_over_its_whole_range) {
    // A vector from 0: position 0 is after no header and counts as a grid; position 1 is the
    // header whatever its type; positions of other types are left out.
    Plugin p(pagesBill({{1, L"t_Zero", {}}, {1, L"t_Head", {}}, {3, L"t_Other", {}}, {0, L"t_Last", {}}}, 0));
    CHECK_EQ(p.entrys().number(L"Count"), 2L);
    CHECK_EQ(p.entry(1).text(L"TableName"), std::wstring(L"t_Zero"));
    CHECK_EQ(p.entry(2).text(L"TableName"), std::wstring(L"t_Last"));
    // A bill with a header only has no grids.
    Plugin single(pagesBill({{0, L"t_Head", {}}}));
    CHECK_EQ(single.entrys().number(L"Count"), 0L);
    CHECK_INDEX_ERROR(single.entrys().call(L"Item", {Variant(1L)}), kEntrysSource, kOutOfRange);
}

TEST_CASE(entry_index_is_matched_as_text) {
    Plugin p(mixedBill());
    Late entrys = p.entrys();
    long two = 2;
    BSTR twoText = SysAllocString(L"2");
    const Variant same[] = {Variant(2L), Variant(short(2)), Variant(2.0), str(L"2"), currency(2), ref(two), ref(twoText)};
    for (const Variant& index : same) {
        Outcome o = entrys.call(L"Item", {index});
        if (!o.ok()) {
            fail(__FILE__, __LINE__, "Item(%s) failed: 0x%08lx", show(index.get()).c_str(), (unsigned long)o.error);
            continue;
        }
        Late entry(asObject(o.value));
        CHECK_EQ(entry.text(L"TableName"), std::wstring(L"t_Terms"));
        Variant entryIndex = entry.value(L"EntryIndex");
        CHECK_EQ(entryIndex.vt(), VARTYPE(VT_I4));
        CHECK_EQ(asLong(entryIndex), 2L);
    }
    SysFreeString(twoText);
    // Texts that are not exactly the ordinal name no grid; nor do fractions, 0, -1 or True
    // (whose text is "True").
    const Variant none[] = {Variant(3L), Variant(0L), Variant(-1L), Variant(1.5), Variant(true), str(L""),
                            str(L" 2"), str(L"02"), str(L"2.0"), Variant()};
    for (const Variant& index : none) {
        if (!CHECK_INDEX_ERROR(entrys.call(L"Item", {index}), kEntrysSource, kOutOfRange))
            std::printf("    (Item(%s))\n", show(index.get()).c_str());
    }
    // An Index without a text is a failed conversion, raised with the collection's source.
    Outcome o = entrys.call(L"Item", {null()});
    CHECK_ERROR(o, kInvalidUseOfNull, kEntrysSource);
    CHECK_EQ(o.description, std::wstring(L"Invalid use of Null"));
}

TEST_CASE(header_collection_holds_the_one_header_page) {
    Plugin p(mixedBill());
    Late heads = p.heads();
    CHECK_EQ(heads.number(L"Count"), 1L);
    Late head = heads.object(L"Item", {Variant(1L)});
    // Any Index above 0 is the header page, re-pointed at page 1 of the bill.
    for (const Variant& index : {Variant(5L), Variant(100L), Variant(0.5), str(L"3"), null()}) {
        Outcome o = heads.call(L"Item", {index});
        if (!CHECK(o.ok())) continue;
        CHECK(sameObject(asObject(o.value), head.get()));
    }
    CHECK_EQ(head.object(L"VeskFields").number(L"Count"), 2L);  // Page1
    for (const Variant& index : {Variant(0L), Variant(-1L), Variant(true), Variant(), Variant(-0.5)}) {
        if (!CHECK_INDEX_ERROR(heads.call(L"Item", {index}), kHeadsSource, kNotAboveZero))
            std::printf("    (Item(%s))\n", show(index.get()).c_str());
    }
    // A text that is no number cannot be compared with 0.
    CHECK_ERROR(heads.call(L"Item", {str(L"first")}), kTypeMismatch, kHeadsSource);
    // Before binding there is still the header object, bound to nothing.
    SourceLanguage session;
    Late unbound = Late::create(L"OrviClassEvents.BillEvent");
    Late lone = unbound.object(L"BillHeads").object(L"Item", {Variant(1L)});
    CHECK_ERROR(lone.call(L"VeskFields"), kObjectNotSet, kHeadSource);
    CHECK_EQ(unbound.object(L"BillEntrys").number(L"Count"), 0L);
}

TEST_CASE(each_collection_owns_one_item_object) {
    Plugin p(mixedBill());
    Late entrys = p.entrys();
    Late kept = entrys.object(L"Item", {Variant(1L)});
    Late fieldsOfFirst = kept.object(L"VeskFields");
    CHECK_EQ(fieldsOfFirst.number(L"Count"), 1L);  // Page2
    Late again = entrys.object(L"Item", {Variant(2L)});
    CHECK(sameObject(kept.get(), again.get()));
    // The reference kept from Item(1) describes what was asked last.
    CHECK_EQ(kept.number(L"EntryIndex"), 2L);
    CHECK_EQ(kept.text(L"TableName"), std::wstring(L"t_Terms"));
    // The field collection is re-pointed when VeskFields is read, not before.
    CHECK_EQ(fieldsOfFirst.number(L"Count"), 1L);
    Late fieldsOfSecond = kept.object(L"VeskFields");
    CHECK(sameObject(fieldsOfFirst.get(), fieldsOfSecond.get()));
    CHECK_EQ(fieldsOfFirst.number(L"Count"), 3L);  // Page4

    Late head = p.head();
    CHECK(sameObject(head.get(), p.heads().object(L"Item", {Variant(7L)}).get()));
    Late headFields = head.object(L"VeskFields");
    CHECK(sameObject(headFields.get(), head.object(L"VeskFields").get()));
    CHECK(!sameObject(headFields.get(), fieldsOfSecond.get()));
    // One collection per event object: another event object has its own.
    Plugin other(mixedBill());
    CHECK(!sameObject(other.entry(1).get(), kept.get()));
}

TEST_CASE(binding_a_second_bill_control_renumbers_the_grids) {
    Plugin p(mixedBill());
    Late entrys = p.entrys();
    Late kept = p.entry(2);
    // The sample bill: grids at positions 2, 3 and 5 (position 4 is an attachment pane).
    SampleBill sample = hostkit::buildSampleBill();
    p.ev.set(L"BillCtl", obj(sample.billCtl.Get()));
    CHECK_EQ(entrys.number(L"Count"), 3L);
    Late first = entrys.object(L"Item", {Variant(1L)});
    CHECK(sameObject(first.get(), kept.get()));
    CHECK_EQ(first.text(L"TableName"), std::wstring(L"t_SEOrderEntry"));
    CHECK_EQ(p.entry(3).text(L"TableName"), std::wstring(L"t_SEOrderTerms"));
    CHECK_EQ(p.entry(3).number(L"EntryType"), 0L);
    // The header and the fields follow the new control as well.
    CHECK_EQ(p.head().object(L"VeskFields").number(L"Count"), 7L);
    CHECK_EQ(p.entry(3).object(L"VeskFields").object(L"Item", {Variant(1L)}).text(L"FKey"), std::wstring(L"FTerms"));
    // And back to a bill without grids: the count starts from 0 again.
    SampleBill bare = pagesBill({{0, L"t_Head", {}}, {2, L"t_Pane", {}}});
    p.ev.set(L"BillCtl", obj(bare.billCtl.Get()));
    CHECK_EQ(entrys.number(L"Count"), 0L);
    CHECK_INDEX_ERROR(entrys.call(L"Item", {Variant(1L)}), kEntrysSource, kOutOfRange);
}

TEST_CASE(grids_are_numbered_at_binding_and_their_descriptor_read_on_every_item) {
    Plugin p(mixedBill());
    // A page that becomes a grid after binding is not counted until the next binding.
    p.page(3)->put_Item(Bstr(L"FEntryType").get(), Variant(1L).get());
    CHECK_EQ(p.entrys().number(L"Count"), 2L);
    p.ev.set(L"BillCtl", obj(p.bill.billCtl.Get()));
    CHECK_EQ(p.entrys().number(L"Count"), 3L);
    CHECK_EQ(p.entry(2).text(L"TableName"), std::wstring(L"t_Attach"));

    // Each Item reads the descriptor through the bill control: DataSrv, then its
    // ClassTypeEntry, then that vector's Item with the position by reference, late-bound.
    ComPtr<FakeObject> pages = hostkit::newFake(L"PageVector");
    ComPtr<PyxVector> real = p.bill.classTypeEntry;
    pages->on(L"Item", [real](Invocation& inv) {
        long position = inv.count() ? orvi::com::toLong(inv.value(0).get()) : 0;
        real->get_Item(position, &inv.result.get());
    });
    p.bill.dataSrv->property(L"ClassTypeEntry", hostkit::objectValue(pages.Get()));
    Late entrys = p.entrys();
    size_t dataSrvReads = p.bill.billCtl->count(L"DataSrv");
    Late third = entrys.object(L"Item", {Variant(3L)});
    CHECK_EQ(p.bill.billCtl->count(L"DataSrv"), dataSrvReads + 1);
    CHECK_EQ(pages->count(L"Item"), size_t(1));
    CHECK_EQ(argType(pages.Get(), L"Item", 0), VARTYPE(VT_BYREF | VT_I4));
    CHECK_EQ(asLong(argValue(pages.Get(), L"Item", 0)), 4L);
    CHECK_EQ(third.text(L"TableName"), std::wstring(L"t_Terms"));
    // A new descriptor at that position is what the next Item sees.
    auto replaced = hostkit::newDictionary();
    replaced->set(L"FTableName", Variant(L"t_New"));
    real->put_Item(4, hostkit::objectValue(replaced.Get()).get());
    CHECK_EQ(entrys.object(L"Item", {Variant(3L)}).text(L"TableName"), std::wstring(L"t_New"));
    // A descriptor that is no Dictionary is a type mismatch of the Item.
    real->put_Item(4, hostkit::objectValue(pages.Get()).get());
    CHECK_ERROR(entrys.call(L"Item", {Variant(3L)}), kTypeMismatch, kEntrysSource);
    // A host failure on the way keeps its number and description under the collection's source.
    pages->fails(L"Item", HRESULT(0x80041234), L"页面不可用", L"PageVector");
    Outcome o = entrys.call(L"Item", {Variant(1L)});
    CHECK_ERROR(o, 0x80041234, kEntrysSource);
    CHECK_EQ(o.description, std::wstring(L"页面不可用"));
    p.bill.dataSrv->property(L"ClassTypeEntry", hostkit::objectValue(real.Get()));
    pages->on(L"Item", nullptr);
}

TEST_CASE(grid_template_settings_and_geometry) {
    Plugin p(mixedBill());
    Late entry = p.entry(1);
    ComPtr<IPyxDictionary> page = p.page(2);
    for (const wchar_t* name : {L"EntryType", L"Layer", L"EntryHeight", L"EntryWidth", L"EntryTop", L"EntryLeft"})
        CHECK_EQ(entry.value(name).vt(), VARTYPE(VT_I2));
    CHECK_EQ(entry.number(L"EntryTop"), 200L);
    struct Geometry {
        const wchar_t* member;
        const wchar_t* key;
    };
    for (const Geometry& g : {Geometry{L"EntryHeight", L"FHeight"}, Geometry{L"EntryWidth", L"FWidth"},
                              Geometry{L"EntryTop", L"FTop"}, Geometry{L"EntryLeft", L"FLeft"}}) {
        size_t resized = p.bill.billCtl->count(L"SizeControl");
        entry.set(g.member, Variant(300L));
        Variant stored = valueOf(page.Get(), g.key);
        CHECK_EQ(stored.vt(), VARTYPE(VT_I2));  // written as an Integer
        CHECK_EQ(asLong(stored), 300L);
        CHECK_EQ(p.bill.billCtl->count(L"SizeControl"), resized + 1);
        CHECK_EQ(argCount(p.bill.billCtl.Get(), L"SizeControl"), size_t(0));
        CHECK_EQ(entry.number(g.member), 300L);
    }
    // A failing SizeControl does not fail the change.
    p.bill.billCtl->fails(L"SizeControl", HRESULT(0x80040999), L"layout failed", L"BillCtl");
    CHECK_HR(entry.put(L"EntryHeight", Variant(short(420))).hr, S_OK);
    CHECK_EQ(entry.number(L"EntryHeight"), 420L);
    // Other values are converted; a failing conversion reaches the caller.
    page->put_Item(Bstr(L"FLayer").get(), Variant(L" 3 ").get());
    CHECK_EQ(entry.number(L"Layer"), 3L);
    page->put_Item(Bstr(L"FTop").get(), Variant(L"top").get());
    CHECK_ERROR(entry.call(L"EntryTop"), kTypeMismatch, kEntrySource);
    page->put_Item(Bstr(L"FTableName").get(), Variant(12L).get());
    CHECK_EQ(entry.text(L"TableName"), std::wstring(L"12"));
    // A missing key reads as 0 or "".
    page->Remove(Bstr(L"FKeyField").get());
    CHECK_EQ(entry.text(L"KeyField"), std::wstring(L""));
    page->Remove(Bstr(L"FEntryType").get());
    CHECK_EQ(entry.number(L"EntryType"), 0L);
    // The bill control's failures of the grid members reach the caller as they are.
    p.bill.billCtl->fails(L"SetGridMaxRows", HRESULT(0x80040998), L"行数超出限制", L"BillCtl");
    Outcome o = entry.put(L"MaxRows", Variant(100000L));
    CHECK_ERROR(o, 0x80040998, L"BillCtl");
    CHECK_EQ(o.description, std::wstring(L"行数超出限制"));
}

TEST_CASE(the_simulated_control_keeps_grid_limits_and_visibility) {
    Plugin p;
    Late terms = p.entry(3);  // position 5, the control's grid 2
    CHECK_EQ(terms.flag(L"Visible"), true);
    CHECK_EQ(terms.number(L"MaxRows"), 0L);
    terms.set(L"Visible", Variant(false));
    terms.set(L"MaxRows", Variant(12L));
    CHECK_EQ(terms.flag(L"Visible"), false);
    CHECK_EQ(terms.number(L"MaxRows"), 12L);
    Late rows = p.entry(1);
    CHECK_EQ(rows.flag(L"Visible"), true);
    CHECK_EQ(rows.number(L"MaxRows"), 0L);
    // The same state seen through the bill event object's own ShowHideGrid (its grid number
    // comes from the page descriptor's FIndex).
    ComPtr<IPyxDictionary> second = p.page(2);
    p.ev.call(L"ShowHideGrid", {obj(second.Get()), Variant(false)});
    CHECK_EQ(p.entry(1).flag(L"Visible"), false);
    // A grid number the control does not have.
    CHECK_ERROR(Late(p.bill.billCtl.Get()).call(L"IsGridVisible", {Variant(3L)}), 0x800A0009, L"");
}

TEST_CASE(page_objects_created_directly_have_no_bill_control) {
    SourceLanguage session;
    Late entry = Late::create(L"OrviClassEvents.BillEntry");
    CHECK_EQ(entry.number(L"EntryIndex"), 0L);
    for (const wchar_t* name : {L"KeyField", L"EntryType", L"Layer", L"EntryHeight", L"EntryWidth", L"EntryTop",
                                L"EntryLeft", L"MaxRows", L"Visible", L"TableName", L"VeskFields"}) {
        Outcome o = entry.call(name);
        if (!CHECK_ERROR(o, kObjectNotSet, kEntrySource)) std::printf("    (reading %s)\n", narrow(name).c_str());
    }
    for (const wchar_t* name : {L"EntryHeight", L"EntryWidth", L"EntryTop", L"EntryLeft", L"MaxRows"})
        CHECK_ERROR(entry.put(name, Variant(short(1))), kObjectNotSet, kEntrySource);
    CHECK_ERROR(entry.put(L"Visible", Variant(true)), kObjectNotSet, kEntrySource);
    Late head = Late::create(L"OrviClassEvents.BillHead");
    Outcome o = head.call(L"VeskFields");
    CHECK_ERROR(o, kObjectNotSet, kHeadSource);
    CHECK_EQ(o.description, std::wstring(L"Object variable or With block variable not set"));
    // Setting the field collection needs no bill control.
    CHECK_HR(head.putRef(L"VeskFields", obj(nullptr)).hr, S_OK);
}

TEST_CASE(a_page_takes_only_the_librarys_own_field_collection) {
    Plugin p(mixedBill());
    Late head = p.head();
    Late entry = p.entry(2);
    Late entryFields = entry.object(L"VeskFields");
    // The grid's collection given to the header: from now on the header re-initialises it.
    head.setRef(L"VeskFields", obj(entryFields.get()));
    Late headFields = head.object(L"VeskFields");
    CHECK(sameObject(headFields.get(), entryFields.get()));
    CHECK_EQ(entryFields.number(L"Count"), 2L);                     // Page1
    CHECK_EQ(entryFields.object(L"Item", {str(L"KH1")}).text(L"FKey"), std::wstring(L"KH1"));
    // Any other object is a type mismatch, and the collection held stays.
    auto foreign = hostkit::newFake(L"NotFields");
    auto dictionary = hostkit::newDictionary();
    // Late-bound, the dispatcher refuses it before the member runs; through the vtable, the
    // member itself does.
    CHECK_HR(head.putRef(L"VeskFields", obj(foreign.Get())).hr, DISP_E_TYPEMISMATCH);
    CHECK_HR(entry.putRef(L"VeskFields", obj(dictionary.Get())).hr, DISP_E_TYPEMISMATCH);
    ComPtr<_BillHead> headVtbl;
    REQUIRE(SUCCEEDED(head.get()->QueryInterface(IID__BillHead, reinterpret_cast<void**>(headVtbl.GetAddressOf()))));
    _VeskFields* pretender = reinterpret_cast<_VeskFields*>(static_cast<IDispatch*>(foreign.Get()));
    CHECK_HR(headVtbl->putref_VeskFields(&pretender), kTypeMismatch);
    CHECK(sameObject(head.object(L"VeskFields").get(), entryFields.get()));
    // Nothing empties it: the next read makes a new collection.
    head.setRef(L"VeskFields", obj(nullptr));
    Late fresh = head.object(L"VeskFields");
    CHECK(!sameObject(fresh.get(), entryFields.get()));
    CHECK_EQ(fresh.number(L"Count"), 2L);
    // A plug-in that keeps the old collection may still use it.
    CHECK_EQ(entryFields.number(L"Count"), 2L);
}

TEST_CASE(reading_a_field_collection_reads_the_field_table_through_the_control) {
    Plugin p(mixedBill());
    Late entry = p.entry(2);
    size_t ctlReads = p.bill.billCtl->count(L"DataSrv");
    size_t tableReads = p.bill.dataSrv->count(L"TableInfo");
    Late fields = entry.object(L"VeskFields");
    CHECK_EQ(p.bill.billCtl->count(L"DataSrv"), ctlReads + 1);
    CHECK_EQ(p.bill.dataSrv->count(L"TableInfo"), tableReads + 1);
    // A field table that cannot be read fails the read of VeskFields, unchanged.
    p.bill.dataSrv->fails(L"TableInfo", HRESULT(0x80040997), L"模板不可用", L"DataSrv");
    Outcome o = entry.call(L"VeskFields");
    CHECK_ERROR(o, 0x80040997, L"DataSrv");
    CHECK_EQ(o.description, std::wstring(L"模板不可用"));
}
