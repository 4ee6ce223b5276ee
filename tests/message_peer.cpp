// The second process of the message test: a client session of its own in the same machine.
//
//   message_peer read <recipient> <sender>   reads the recipient's inbox through the message
//                                            kit's control object: one message from <sender>
//                                            titled "Approved" chr(20) chr(10) "Bill 17" with the
//                                            text "Bill 17 is approved": exit 10; else 20 or more
//   message_peer send <recipient>            sends "From the peer" CR LF "line 2" / "peer text"
//                                            to the recipient through the library's BillEvent,
//                                            as operator 2: exit 10; a failure exits 30 or more
#include <cstdio>
#include <string>

#include "hostkit/SessionKit.h"
#include "support/Peer.h"

using orvi::com::Arg;
using orvi::com::Bstr;
using orvi::com::ComError;
using orvi::com::ComPtr;

using peer::create;

namespace {

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
    // A sender is given in read mode only.
    return peer::run(2, 3, [](const std::vector<std::wstring>& args) {
        const std::wstring& mode = args[0];
        const std::wstring& recipient = args[1];
        long sender = args.size() > 2 ? std::wcstol(args[2].c_str(), nullptr, 10) : 0;
        if (mode == L"read") return readMode(recipient, sender);
        if (mode == L"send") return sendMode(recipient);
        return 37;
    });
}
