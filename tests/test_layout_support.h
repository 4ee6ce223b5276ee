// Helpers shared by the layout tests: a plug-in's view of a bound bill event object, bills built
// for one case, and the error numbers and texts of the layout model.
#pragma once
#include <initializer_list>
#include <string>

#include "BoundBill.h"
#include "Errors.h"
#include "Late.h"
#include "hostkit/SessionKit.h"
#include "hostkit/SimBill.h"

namespace layouttest {

using hostkit::FakeObject;
using hostkit::Invocation;
using hostkit::PyxDictionary;
using hostkit::PyxVector;
using hostkit::SampleBill;
using testkit::Late;
using testkit::Outcome;
using testkit::Variant;
using testkit::integer;
using testkit::null;
using orvi::com::Bstr;
using orvi::com::ComPtr;

// The client's session in the source language: the library's messages stay in Chinese.
struct SourceLanguage {
    hostkit::SessionHost host;
    SourceLanguage() { host.set(L"PropsString", L"UserID=1;Language=CHS"); }
};

inline Variant boolean(bool b) {
    return Variant(b);
}

// A template page: a page descriptor with the given FEntryType and table, and its fields (the
// descriptor names listed in layout order, each a field with FKey = its name with a leading K).
struct PageSpec {
    long entryType;
    const wchar_t* table;
    std::initializer_list<const wchar_t*> fields;
};

// A bill of the given pages with a plain fake control: the layout members only record their
// calls (SizeControl, SetGridMaxRows and the rest answer Empty).
inline SampleBill pagesBill(std::initializer_list<PageSpec> pages, long lowerBound = 1) {
    SampleBill b;
    b.classType = hostkit::newDictionary();
    b.classTypeEntry = hostkit::newVector();
    b.classTypeEntry->setLowerBound(lowerBound);
    b.tableInfo = hostkit::newDictionary();
    b.data = hostkit::newDictionary();
    auto map = hostkit::newDictionary();
    long position = lowerBound;
    for (const PageSpec& p : pages) {
        auto page = hostkit::newDictionary();
        page->set(L"FEntryType", Variant(p.entryType));
        page->set(L"FTableName", Variant(p.table));
        page->set(L"FKeyField", Variant(std::wstring(p.table) + L"ID"));
        page->set(L"FLayer", Variant(short(position)));
        page->set(L"FTop", Variant(short(100 * position)));
        page->set(L"FLeft", Variant(short(0)));
        page->set(L"FHeight", Variant(short(500)));
        page->set(L"FWidth", Variant(short(9000)));
        b.classTypeEntry->add(hostkit::objectValue(page.Get()));
        auto fields = hostkit::newDictionary();
        for (const wchar_t* name : p.fields) {
            auto dct = hostkit::newDictionary();
            std::wstring key = std::wstring(L"K") + name;
            dct->set(L"FKey", Variant(key));
            dct->set(L"FPage", Variant(position));
            dct->set(L"FCaption", Variant(name));
            b.tableInfo->set(name, hostkit::objectValue(dct.Get()));
            fields->set(name, Variant(name));
            map->set(key, Variant(name));
        }
        b.tableInfo->set(L"Page" + std::to_wstring(position), hostkit::objectValue(fields.Get()));
        ++position;
    }
    b.tableInfo->set(L"Map", hostkit::objectValue(map.Get()));
    hostkit::addServices(b);
    for (const wchar_t* name : {L"SizeControl", L"SetGridMaxRows", L"GetGridMaxRows", L"ShowHideGrid", L"IsGridVisible",
                                L"SetCaption", L"ShowHideField", L"IsFieldVisibleRunTime", L"LockCell",
                                L"IsFieldLockRunTime", L"SetHeadCtlProperty", L"GetHeadCtlProperty", L"SetText"})
        b.billCtl->returns(name, Variant());
    return b;
}

// The four-page bill of mixed kinds: header (FEntryType 0), a grid (1), a page that is neither
// (2) and a grid of one record (0).
inline SampleBill mixedBill() {
    return pagesBill({{0, L"t_Head", {L"H1", L"H2"}},
                      {1, L"t_Rows", {L"R1"}},
                      {2, L"t_Attach", {L"A1"}},
                      {0, L"t_Terms", {L"T1", L"T2", L"T3"}}});
}

// A bill event object bound to a bill, as the bill form hands it to plug-ins.
struct Plugin {
    SourceLanguage session;
    SampleBill bill;
    Late ev;

    explicit Plugin(SampleBill b = hostkit::buildSampleBill()) : bill(std::move(b)) {
        ev = testkit::bindBill(bill);
    }
    Late heads() const { return ev.object(L"BillHeads"); }
    Late entrys() const { return ev.object(L"BillEntrys"); }
    Late head() const { return heads().object(L"Item", {Variant(1L)}); }
    Late entry(long index) const { return entrys().object(L"Item", {Variant(index)}); }
    Late headField(const Variant& index) const { return head().object(L"VeskFields").object(L"Item", {index}); }
    Late entryField(long entry, const Variant& index) const {
        return this->entry(entry).object(L"VeskFields").object(L"Item", {index});
    }
    // A descriptor of the template, by descriptor name.
    ComPtr<IPyxDictionary> descriptor(const wchar_t* name) const {
        const VARIANT* v = bill.tableInfo->find(name);
        ComPtr<IPyxDictionary> d;
        if (v && V_VT(v) == VT_DISPATCH && V_DISPATCH(v))
            V_DISPATCH(v)->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(d.GetAddressOf()));
        return d;
    }
    // The page descriptor at a position of the page vector.
    ComPtr<IPyxDictionary> page(long position) const {
        Variant item;
        bill.classTypeEntry->get_Item(position, &item.get());
        ComPtr<IPyxDictionary> d;
        if (item.vt() == VT_DISPATCH && V_DISPATCH(&item.get()))
            V_DISPATCH(&item.get())->QueryInterface(__uuidof(IPyxDictionary), reinterpret_cast<void**>(d.GetAddressOf()));
        return d;
    }
};

// A value of a container, by key (Empty when missing).
inline Variant valueOf(IPyxDictionary* d, const wchar_t* key) {
    Variant r;
    if (d) d->get_Item(Bstr(key).get(), &r.get());
    return r;
}

// The type and value of argument i of the last call of a member of a fake (VT_EMPTY when there
// was no such call).
inline VARTYPE argType(FakeObject* f, const wchar_t* member, size_t i) {
    const hostkit::RecordedCall* c = f->last(member);
    return c && i < c->args.size() ? c->args[i].vt : VARTYPE(VT_EMPTY);
}
inline Variant argValue(FakeObject* f, const wchar_t* member, size_t i) {
    const hostkit::RecordedCall* c = f->last(member);
    return c && i < c->args.size() ? c->args[i].value : Variant();
}
inline size_t argCount(FakeObject* f, const wchar_t* member) {
    const hostkit::RecordedCall* c = f->last(member);
    return c ? c->args.size() : size_t(-1);
}

}  // namespace layouttest
