// The second host process of the lock test: a client session of its own (its own login object
// of the kit's lock service, published in its own property store) asking for one function
// through the library's Net object.
//
//   session_lock_peer <function> try      begin: granted, commit and exit 10; refused, exit 20
//   session_lock_peer <function> hold     begin: granted, signal "<function>.held", wait for
//                                         "<function>.release", commit, exit 10; refused, exit 20
//   session_lock_peer <function> abandon  begin: granted, signal "<function>.held" and end at once
//                                         without committing (exit 40); refused, exit 20
// Anything else that goes wrong exits with 30 or more.
#include <cstdio>
#include <string>

#include "hostkit/SessionKit.h"
#include "support/Peer.h"

using orvi::com::Arg;
using orvi::com::ComError;
using orvi::com::ComPtr;

using peer::create;

namespace {

constexpr long kSubSystem = 5;
constexpr HRESULT kConflict = HRESULT(0x800A4006);

HANDLE event(const std::wstring& name) {
    return CreateEventW(nullptr, TRUE, FALSE, name.c_str());
}

int run(const std::wstring& func, const std::wstring& mode) {
    hostkit::SessionHost host;
    ComPtr<IDispatch> login = create(L"OrviHostKit.Login");
    host.set(L"PropsString", L"UserID=2;Language=CHS");
    host.set(L"OrviLogin", login.Get());
    ComPtr<IDispatch> ev = create(L"OrviClassEvents.BillEvent");
    ComPtr<IDispatch> qel = orvi::com::toObject(orvi::com::get(ev.Get(), L"QelLib").get());
    ComPtr<IDispatch> net = orvi::com::toObject(orvi::com::get(qel.Get(), L"Net").get());

    long task = 0;
    try {
        task = orvi::com::toLong(orvi::com::call(net.Get(), L"BeginMutex", {Arg(kSubSystem), Arg(func.c_str())}).get());
    } catch (const ComError& e) {
        bool refusal = e.hr() == kConflict && e.source() == L"OrviClassEvents.Net";
        std::printf("peer: refused (0x%08lx)\n", (unsigned long)e.hr());
        host.clear();
        return refusal ? 20 : 31;
    }
    std::printf("peer: task %ld\n", task);
    std::fflush(stdout);
    if (task < 1) return 32;
    if (mode == L"hold" || mode == L"abandon") {
        HANDLE held = event(func + L".held");
        HANDLE release = event(func + L".release");
        SetEvent(held);
        if (mode == L"abandon") ExitProcess(40);
        DWORD wait = WaitForSingleObject(release, 60000);
        CloseHandle(held);
        CloseHandle(release);
        if (wait != WAIT_OBJECT_0) return 33;
    }
    bool committed = orvi::com::toBool(orvi::com::call(net.Get(), L"CommitMutex", {Arg(task)}).get());
    host.clear();
    return committed ? 10 : 34;
}

}  // namespace

int main() {
    return peer::run(2, 2, [](const std::vector<std::wstring>& args) { return run(args[0], args[1]); });
}
