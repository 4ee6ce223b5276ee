// The library's lifetime in a client process: per-thread session state goes with a thread's last
// object, the library can unload as soon as no object of it is alive, and threads that used it
// end cleanly after it has been unloaded. This program's main thread never uses the library
// itself, so the library is loaded only by the apartments of the threads below.
#include "hostkit/FakeHost.h"
#include "test_session_support.h"

using namespace testkit;
using namespace sessiontest;
using hostkit::SessionHost;

namespace {

// A thread that uses the library in its own apartment: it translates (the library's own messages
// and a plug-in's text), releases every object, tells the test it is done and waits; when told to
// end, it lets COM unload what it no longer uses, leaves its apartment and ends.
struct Translator {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE end = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;
    std::wstring libraryText, pluginText;

    Translator() { thread = CreateThread(nullptr, 0, &Translator::run, this, 0, nullptr); }
    ~Translator() {
        SetEvent(end);
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        CloseHandle(done);
        CloseHandle(end);
    }

    static DWORD WINAPI run(void* p) {
        auto& t = *static_cast<Translator*>(p);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        try {
            Late ev = Late::create(L"OrviClassEvents.BillEvent");
            Late qel = ev.object(L"QelLib");
            t.libraryText = qel.call(L"CreateQelObject", {str(L" ")}).description;
            t.pluginText = qel.text(L"LoadVyString", {str(L"保存"), missing()});
        } catch (...) {
        }
        SetEvent(t.done);
        WaitForSingleObject(t.end, INFINITE);
        CoFreeUnusedLibrariesEx(0, 0);
        CoUninitialize();
        return 0;
    }
};

}  // namespace

TEST_CASE(threads_translate_release_and_outlive_the_unloaded_library) {
    SessionHost host;
    host.set(L"PropsString", L"UserID=1;Language=ENG");
    host.writeTable(L"OrviDesign", L"ENG", {{L"参数错误。参数必须不为空", L"Invalid argument: it must not be empty"}});
    host.writeTable(L"QelDesign", L"ENG", {{L"保存", L"Save"}});
    {
        Translator first, second;
        HANDLE both[2] = {first.done, second.done};
        REQUIRE((first.thread && second.thread));
        REQUIRE(WaitForMultipleObjects(2, both, TRUE, 30000) == WAIT_OBJECT_0);
        // Each thread translated through a loader of its own...
        CHECK_EQ(first.libraryText, std::wstring(L"Invalid argument: it must not be empty"));
        CHECK_EQ(second.pluginText, std::wstring(L"Save"));
        CHECK_EQ(host.created(L"OrviResLoader"), 2L);
        // ...which went, on that thread, with the thread's last object of the library.
        CHECK_EQ(host.alive(L"OrviResLoader"), 0L);
        CHECK_EQ(libraryObjects(), 0L);
        REQUIRE(libraryModule() != nullptr);
        CHECK_HR(libraryCanUnloadNow(), S_OK);
        // The threads let COM unload the library, leave their apartments and end.
    }
    CHECK(libraryModule() == nullptr);
}
