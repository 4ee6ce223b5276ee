// The frame of the tests' second processes (message_peer, session_lock_peer): a client session
// of their own in the same machine. The exit code is the result: the body's own codes, and
// 35 wrong arguments, 36 COM not initialised, 37 no body ran, 38 a COM error, 39 anything else.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "com/LateCall.h"

namespace peer {

inline orvi::com::ComPtr<IDispatch> create(const wchar_t* progId) {
    CLSID clsid;
    orvi::com::check(CLSIDFromProgID(progId, &clsid));
    orvi::com::ComPtr<IDispatch> p;
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(p.GetAddressOf())));
    return p;
}

// Runs `body` with the command line's arguments (the program's name left out) when there are
// `fewest` to `most` of them, in a COM apartment of its own.
template <class Body>
int run(size_t fewest, size_t most, Body body) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 35;
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);
    if (args.size() < fewest || args.size() > most) return 35;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 36;
    int rc = 37;
    try {
        rc = body(args);
    } catch (const orvi::com::ComError& e) {
        std::printf("peer: failed 0x%08lx\n", (unsigned long)e.hr());
        rc = 38;
    } catch (...) {
        rc = 39;
    }
    CoUninitialize();
    return rc;
}

}  // namespace peer
