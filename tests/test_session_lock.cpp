// Two host processes contending for one function through the library's Net object and the kit's
// lock service, whose task table is shared between processes. The other process is
// session_lock_peer (see there for its modes and exit codes).
#include "test_session_support.h"

using namespace testkit;
using namespace sessiontest;
using hostkit::SessionHost;

namespace {

constexpr long kSubSystem = 5;

// This process as a client session with a login object of its own.
struct Client {
    SessionHost host;
    Late login = Late::create(L"OrviHostKit.Login");
    Late ev = Late::create(L"OrviClassEvents.BillEvent");
    Late net;
    Client() {
        host.set(L"PropsString", L"UserID=1;Language=CHS");
        host.set(L"OrviLogin", login.get());
        net = ev.object(L"QelLib").object(L"Net");
    }
    ~Client() { host.clear(); }
};

// A function code no other test process uses.
std::wstring functionCode(const wchar_t* name) {
    return std::wstring(name) + L"-" + std::to_wstring(SessionHost::processId());
}

class Peer {
public:
    Peer(const std::wstring& func, const wchar_t* mode) {
        // The events exist before the peer does, so that none of its signals is lost.
        held_ = CreateEventW(nullptr, TRUE, FALSE, (func + L".held").c_str());
        release_ = CreateEventW(nullptr, TRUE, FALSE, (func + L".release").c_str());
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring program(self);
        program = program.substr(0, program.find_last_of(L"\\/") + 1) + L"session_lock_peer.exe";
        std::wstring command = L"\"" + program + L"\" " + func + L" " + mode;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi_)) {
            stop(__FILE__, __LINE__, "cannot start %s", narrow(program).c_str());
        }
    }
    ~Peer() {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
        CloseHandle(held_);
        CloseHandle(release_);
    }
    // Waits for the peer to signal that it holds its task; false if it ended or timed out first.
    bool waitHeld() const {
        HANDLE both[2] = {held_, pi_.hProcess};
        return WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
    }
    void release() const { SetEvent(release_); }
    // The exit code, once the process has ended (STILL_ACTIVE if it has not within 60 s).
    DWORD result() const {
        WaitForSingleObject(pi_.hProcess, 60000);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION pi_ = {};
    HANDLE held_ = nullptr, release_ = nullptr;
};

}  // namespace

TEST_CASE(a_task_held_here_refuses_the_other_process) {
    Client c;
    std::wstring func = functionCode(L"LOCKA");
    long task = c.net.number(L"BeginMutex", {Variant(kSubSystem), str(func.c_str())});
    REQUIRE(task >= 1);
    CHECK_EQ(Peer(func, L"try").result(), DWORD(20));
    // Still ours, then committed: the other process gets the function.
    CHECK(!c.net.flag(L"QueryFunc", {Variant(kSubSystem), str(func.c_str())}));
    CHECK(c.net.flag(L"CommitMutex", {Variant(task)}));
    CHECK_EQ(Peer(func, L"try").result(), DWORD(10));
    // It committed its task too: the function is free again here.
    long again = c.net.number(L"BeginMutex", {Variant(kSubSystem), str(func.c_str())});
    CHECK(again > task);
    CHECK(c.net.flag(L"CommitMutex", {Variant(again)}));
    CHECK_EQ(c.login.number(L"SessionTasks"), 0L);
}

TEST_CASE(a_task_held_there_refuses_this_process) {
    Client c;
    std::wstring func = functionCode(L"LOCKB");
    Peer peer(func, L"hold");
    REQUIRE(peer.waitHeld());
    Outcome o = c.net.call(L"BeginMutex", {Variant(kSubSystem), str((L"  " + func).c_str())});
    CHECK_ERROR(o, kConflict, L"OrviClassEvents.Net");
    CHECK_EQ(o.description, std::wstring(L"当前使用的功能与其他用户有冲突,目前无法使用!"));
    CHECK(c.net.flag(L"QueryFunc", {Variant(kSubSystem), str(func.c_str())}));
    CHECK(c.net.flag(L"QuerySubSys", {Variant(kSubSystem)}));
    CHECK_EQ(c.login.number(L"SessionTasks"), 0L);

    peer.release();
    CHECK_EQ(peer.result(), DWORD(10));
    long task = c.net.number(L"BeginMutex", {Variant(kSubSystem), str(func.c_str())});
    CHECK(task >= 1);
    CHECK(c.net.flag(L"CommitMutex", {Variant(task)}));
}

TEST_CASE(tasks_of_an_ended_process_are_dropped) {
    Client c;
    std::wstring func = functionCode(L"LOCKC");
    {
        Peer peer(func, L"abandon");
        REQUIRE(peer.waitHeld());
        CHECK_EQ(peer.result(), DWORD(40));
    }
    // The peer never committed, but it is gone.
    long task = c.net.number(L"BeginMutex", {Variant(kSubSystem), str(func.c_str())});
    CHECK(task >= 1);
    CHECK(c.net.flag(L"CommitMutex", {Variant(task)}));
}
