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
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "com/LateCall.h"
#include "hostkit/SessionKit.h"

using orvi::com::Arg;
using orvi::com::ComError;
using orvi::com::ComPtr;

namespace {

constexpr long kSubSystem = 5;
constexpr HRESULT kConflict = HRESULT(0x800A4006);

ComPtr<IDispatch> create(const wchar_t* progId) {
    CLSID clsid;
    orvi::com::check(CLSIDFromProgID(progId, &clsid));
    ComPtr<IDispatch> p;
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(p.GetAddressOf())));
    return p;
}

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
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 3) return 35;
    std::wstring func = argv[1], mode = argv[2];
    LocalFree(argv);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 36;
    int rc = 37;
    try {
        rc = run(func, mode);
    } catch (const ComError& e) {
        std::printf("peer: failed 0x%08lx\n", (unsigned long)e.hr());
        rc = 38;
    } catch (...) {
        rc = 39;
    }
    CoUninitialize();
    return rc;
}
