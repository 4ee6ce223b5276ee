// The second process of the message test: a client session of its own in the same machine.
//
//   message_peer read <recipient> <sender>   reads the recipient's inbox through the message
//                                            kit's control object: one message from <sender>
//                                            titled "Approved" chr(20) chr(10) "Bill 17" with the
//                                            text "Bill 17 is approved": exit 10; else 20 or more
//   message_peer send <recipient>            sends "From the peer" CR LF "line 2" / "peer text"
//                                            to the recipient through the library's BillEvent,
//                                            as operator 2: exit 10; a failure exits 30 or more
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "com/LateCall.h"
#include "hostkit/SessionKit.h"

using orvi::com::Arg;
using orvi::com::Bstr;
using orvi::com::ComError;
using orvi::com::ComPtr;

namespace {

ComPtr<IDispatch> create(const wchar_t* progId) {
    CLSID clsid;
    orvi::com::check(CLSIDFromProgID(progId, &clsid));
    ComPtr<IDispatch> p;
    orvi::com::check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(p.GetAddressOf())));
    return p;
}

int readMode(const std::wstring& recipient, long sender) {
    ComPtr<IDispatch> kit = create(L"OrviHostKit.MessageKit");
    Bstr who(recipient);
    long count = orvi::com::toLong(orvi::com::call(kit.Get(), L"InboxCount", {Arg::ref(who)}).get());
    if (count != 1) {
        std::printf("peer: %ld messages\n", count);
        return 21;
    }
    long from = orvi::com::toLong(orvi::com::call(kit.Get(), L"InboxSender", {Arg::ref(who), Arg(1L)}).get());
    std::wstring title = orvi::com::toString(orvi::com::call(kit.Get(), L"InboxTitle", {Arg::ref(who), Arg(1L)}).get());
    std::wstring text = orvi::com::toString(orvi::com::call(kit.Get(), L"InboxText", {Arg::ref(who), Arg(1L)}).get());
    if (from != sender) return 22;
    if (title != L"Approved\x14\nBill 17") return 23;
    if (text != L"Bill 17 is approved") return 24;
    return 10;
}

int sendMode(const std::wstring& recipient) {
    hostkit::SessionHost host;
    host.set(L"PropsString", L"UserID=2;Language=CHS");
    ComPtr<IDispatch> ev = create(L"OrviClassEvents.BillEvent");
    bool sent = false;
    try {
        sent = orvi::com::toBool(orvi::com::call(ev.Get(), L"SendMessage",
                                                 {Arg(L"From the peer\r\nline 2"), Arg(L"peer text"),
                                                  Arg(recipient.c_str())})
                                     .get());
    } catch (const ComError& e) {
        std::printf("peer: SendMessage failed 0x%08lx\n", (unsigned long)e.hr());
        host.clear();
        return 31;
    }
    host.clear();
    return sent ? 10 : 32;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 35;
    std::wstring mode = argv[1], recipient = argv[2];
    long sender = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 0;
    LocalFree(argv);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 36;
    int rc = 37;
    try {
        if (mode == L"read") rc = readMode(recipient, sender);
        else if (mode == L"send") rc = sendMode(recipient);
    } catch (const ComError& e) {
        std::printf("peer: failed 0x%08lx\n", (unsigned long)e.hr());
        rc = 38;
    } catch (...) {
        rc = 39;
    }
    CoUninitialize();
    return rc;
}
