// How failures leave the library: every catch site turns an exception into an HRESULT through
// one table (com/Errors.h), object creation keeps a failing constructor's error record, and the
// enumerators of the Collection and of the event objects answer a call alike.
#include <ocidl.h>

#include <new>

#include "Late.h"
#include "OrviClassEvents.h"
#include "com/Collection.h"
#include "com/ComObject.h"
#include "hostkit/SimBill.h"

using namespace testkit;
namespace com = orvi::com;

namespace {

constexpr HRESULT kHostFailure = HRESULT(0x80040123);

struct ErrorRecord {
    bool present = false;
    std::wstring description, source;
};
ErrorRecord takeErrorRecord() {
    ErrorRecord r;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return r;
    BSTR d = nullptr, s = nullptr;
    info->GetDescription(&d);
    info->GetSource(&s);
    info->Release();
    r = {true, d ? d : L"", s ? s : L""};
    SysFreeString(d);
    SysFreeString(s);
    return r;
}

// Objects whose construction fails, made the way the class factory makes the library's classes.
template <class Failure>
class FailsToConstruct final : public com::Unknown<FailsToConstruct<Failure>, IUnknown> {
public:
    static constexpr const wchar_t* kSource = L"Test.FailsToConstruct";
    FailsToConstruct() { Failure::fail(); }
};
struct HostFailure {
    [[noreturn]] static void fail() { com::raise(kHostFailure, L"the host refused", L"Host.Form"); }
};
struct NoSource {
    [[noreturn]] static void fail() { com::raise(kHostFailure, L"refused without a source"); }
};
struct NoMemory {
    [[noreturn]] static void fail() { throw std::bad_alloc(); }
};

template <class Failure>
HRESULT create(IUnknown** out) {
    SetErrorInfo(0, nullptr);
    return com::createInstance<FailsToConstruct<Failure>>(IID_IUnknown, reinterpret_cast<void**>(out));
}

}  // namespace

TEST_CASE(a_member_boundary_maps_each_kind_of_exception_through_the_table) {
    SetErrorInfo(0, nullptr);
    CHECK_HR(com::boundary(L"Test.Member", [] { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    ErrorRecord r = takeErrorRecord();
    CHECK(r.present);
    CHECK_EQ(r.description, std::wstring(L"Out of memory"));
    CHECK_EQ(r.source, std::wstring(L"Test.Member"));

    CHECK_HR(com::boundary(L"Test.Member", [] { throw 42; }), E_UNEXPECTED);
    r = takeErrorRecord();
    CHECK_EQ(r.description, std::wstring(L"Unexpected failure"));

    CHECK_HR(com::boundary(L"Test.Member", [] { com::raise(kHostFailure, L"the host refused", L"Host.Form"); }),
             kHostFailure);
    r = takeErrorRecord();
    CHECK_EQ(r.description, std::wstring(L"the host refused"));
    CHECK_EQ(r.source, std::wstring(L"Host.Form"));
}

TEST_CASE(out_of_memory_in_make_reaches_the_boundary_as_out_of_memory) {
    HRESULT hr = com::boundary(L"Test.Member", [] { com::make<FailsToConstruct<NoMemory>>(); });
    CHECK_HR(hr, E_OUTOFMEMORY);
    CHECK_EQ(takeErrorRecord().description, std::wstring(L"Out of memory"));
}

TEST_CASE(creation_keeps_the_error_record_of_a_failing_constructor) {
    IUnknown* made = reinterpret_cast<IUnknown*>(1);
    CHECK_HR(create<HostFailure>(&made), kHostFailure);
    CHECK(made == nullptr);
    ErrorRecord r = takeErrorRecord();
    CHECK(r.present);
    CHECK_EQ(r.description, std::wstring(L"the host refused"));
    CHECK_EQ(r.source, std::wstring(L"Host.Form"));

    // An error without a source of its own is the class's.
    CHECK_HR(create<NoSource>(&made), kHostFailure);
    r = takeErrorRecord();
    CHECK_EQ(r.description, std::wstring(L"refused without a source"));
    CHECK_EQ(r.source, std::wstring(L"Test.FailsToConstruct"));

    CHECK_HR(create<NoMemory>(&made), E_OUTOFMEMORY);
    CHECK_EQ(takeErrorRecord().description, std::wstring(L"Out of memory"));
}

TEST_CASE(a_catch_site_without_an_error_record_answers_by_the_same_table) {
    auto answer = [](auto thrower) -> HRESULT {
        try {
            thrower();
            return S_OK;
        } catch (...) {
            return com::failureHresult();
        }
    };
    CHECK_HR(answer([] { throw std::bad_alloc(); }), E_OUTOFMEMORY);
    CHECK_HR(answer([] { com::raise(kHostFailure, L"x"); }), kHostFailure);
    CHECK_HR(answer([] { throw 1; }), E_UNEXPECTED);
}

// ---- the enumerators --------------------------------------------------------------------------

namespace {

bool operator==(const CONNECTDATA& a, const CONNECTDATA& b) {
    return a.pUnk == b.pUnk && a.dwCookie == b.dwCookie;
}

// Next asked for more than one item with nowhere to say how many came: E_POINTER, and nothing is
// handed out. Asked for none, a null array is no fault.
template <class Enum, class Item>
void checkNextWithoutCount(Enum* e) {
    Item items[2] = {};
    CHECK_HR(e->Next(2, items, nullptr), E_POINTER);
    CHECK((items[0] == Item{} && items[1] == Item{}));
    ULONG fetched = 7;
    CHECK_HR(e->Next(0, nullptr, &fetched), S_OK);
    CHECK_EQ(fetched, 0ul);
    CHECK_HR(e->Next(1, nullptr, &fetched), E_POINTER);
    CHECK_EQ(fetched, 0ul);
}

}  // namespace

TEST_CASE(the_collection_enumerator_refuses_next_without_a_count) {
    ComPtr<com::Collection> c = com::Collection::create();
    c->add(Variant(1L).get());
    c->add(Variant(2L).get());
    ComPtr<IUnknown> unknown;
    REQUIRE(SUCCEEDED(c->_NewEnum(unknown.GetAddressOf())));
    ComPtr<IEnumVARIANT> e;
    REQUIRE(SUCCEEDED(unknown.As(&e)));
    VARIANT items[2];
    VariantInit(&items[0]);
    VariantInit(&items[1]);
    CHECK_HR(e->Next(2, items, nullptr), E_POINTER);
    CHECK_EQ(V_VT(&items[0]), VARTYPE(VT_EMPTY));
    ULONG fetched = 7;
    CHECK_HR(e->Next(0, nullptr, &fetched), S_OK);
    CHECK_EQ(fetched, 0ul);
    CHECK_HR(e->Next(1, nullptr, &fetched), E_POINTER);
    // Nothing was consumed by the refused calls.
    CHECK_HR(e->Next(2, items, &fetched), S_OK);
    CHECK_EQ(fetched, 2ul);
    VariantClear(&items[0]);
    VariantClear(&items[1]);
}

TEST_CASE(the_connection_enumerators_refuse_next_without_a_count) {
    Late ev = Late::create(L"OrviClassEvents.ListEvents");
    ComPtr<IConnectionPointContainer> container;
    REQUIRE(SUCCEEDED(ev.get()->QueryInterface(IID_IConnectionPointContainer,
                                               reinterpret_cast<void**>(container.GetAddressOf()))));
    ComPtr<IEnumConnectionPoints> points;
    REQUIRE(SUCCEEDED(container->EnumConnectionPoints(points.GetAddressOf())));
    checkNextWithoutCount<IEnumConnectionPoints, IConnectionPoint*>(points.Get());

    ComPtr<IConnectionPoint> point;
    REQUIRE(SUCCEEDED(container->FindConnectionPoint(DIID___ListEvents, point.GetAddressOf())));
    auto sink = hostkit::newFake(L"Sink");
    DWORD first = 0, second = 0;
    REQUIRE(SUCCEEDED(point->Advise(sink.Get(), &first)));
    REQUIRE(SUCCEEDED(point->Advise(sink.Get(), &second)));
    ComPtr<IEnumConnections> connections;
    REQUIRE(SUCCEEDED(point->EnumConnections(connections.GetAddressOf())));
    checkNextWithoutCount<IEnumConnections, CONNECTDATA>(connections.Get());
    CONNECTDATA got[2] = {};
    ULONG fetched = 0;
    CHECK_HR(connections->Next(2, got, &fetched), S_OK);
    CHECK_EQ(fetched, 2ul);
    CHECK_EQ(got[0].dwCookie, first);
    CHECK_EQ(got[1].dwCookie, second);
    for (CONNECTDATA& d : got)
        if (d.pUnk) d.pUnk->Release();
    connections.Reset();
    CHECK_HR(point->Unadvise(first), S_OK);
    CHECK_HR(point->Unadvise(second), S_OK);
}
