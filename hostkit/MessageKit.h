// The message kit: a stand-in for the client's message component, registered in OrviHostKit.dll:
//
//   OrviMessage.CMessage     SendMessage(FromUser, Users, Title, Kind, Body, Length): records the
//                            call, then delivers one message into the inbox of each recipient
//   OrviHostKit.MessageKit   control object: the calls received (argument types as passed and
//                            values), failures to simulate, creation counts, the inboxes
//
// SendMessage takes each argument in the form it is passed (by value or by reference, any
// variant type that converts): FromUser and Kind as numbers, Title as text, Users as a collection
// object, an array (every element) or one value, Body as a
// one-dimensional array of bytes and Length as the number of its first bytes to deliver (0 to
// the array's size; more is error 5). Nothing is assumed about a trailing 0. Any other form is
// error 13. A collection object is taken as the client's component, which declares the parameter
// As Collection, takes it: the object is asked for the automation _Collection interface
// ({A4C46780-499F-101B-BB78-00AA00383CBB}) and read early-bound through it (Count, then Item 1 to
// Count); an object without that interface is error 13, whatever members it answers late-bound.
// The call is recorded before anything is checked, so a refused call is recorded too.
//
// Inbox format. The inbox of a recipient is the folder <InboxFolder>\<recipient>, where
// <recipient> is the recipient's text with spaces trimmed and every character other than a
// letter, a digit, "-" and "_" replaced by "_". The default InboxFolder is
// <temporary folder>\OrviMessageKit, the same for every process of one Wine prefix (or Windows
// user). Each message is one file named
//
//   <16 hex digits: UTC time of delivery in 100 ns units>-<8 hex digits: process ID>-<8 hex
//   digits: sequence number in the process>.msg
//
// so that the names sort in order of delivery. It is written under the name with ".part"
// appended and then renamed, so a reader never sees half a message. Content: header lines in
// UTF-8, each ending in CR LF, then an empty line, then the body bytes exactly as delivered:
//
//   OrviMessageKit 1
//   Sender: <FromUser, decimal>
//   Kind: <Kind, decimal>
//   Title: <Title, with "%" and every character below 32 written as %XX (two hex digits)>
//   Length: <number of body bytes, decimal>
//
// readInbox below reads that format without COM (any process, also one that never loaded the
// kit); the control object reads it too.
#pragma once
#include <string>
#include <vector>

#include "OrviMessageKit.h"
#include "hostkit/HostKit.h"

namespace hostkit {

struct MessageKitLibrary {
    static const orvi::com::TypeLibDesc& typeLib() noexcept;
};

// ---------------------------------------------------------------- inboxes

struct InboxMessage {
    std::wstring file;  // full path
    long sender = 0;
    long kind = 0;
    std::wstring title;
    std::string body;  // the bytes as delivered
};

// <temporary folder>\OrviMessageKit
std::wstring defaultInboxFolder();
// The folder name of a recipient's inbox (see above).
std::wstring inboxName(const std::wstring& recipient);
// The messages of a recipient in the inbox folder, oldest first; files that do not follow the
// format are skipped.
std::vector<InboxMessage> readInbox(const std::wstring& folder, const std::wstring& recipient);
// Writes one message into a recipient's inbox; false when the file cannot be written.
bool deliver(const std::wstring& folder, const std::wstring& recipient, const InboxMessage& message);
// Deletes the messages of a recipient.
void clearInbox(const std::wstring& folder, const std::wstring& recipient);

// ---------------------------------------------------------------- the COM classes

class MessageComponent final : public orvi::com::ComObject<MessageComponent, MessageKitLibrary, ICMessage> {
    using Base = orvi::com::ComObject<MessageComponent, MessageKitLibrary, ICMessage>;

public:
    static constexpr const wchar_t* kSource = L"OrviMessage.CMessage";

    MessageComponent();
    ~MessageComponent() override;

    // Records the arguments exactly as passed before the dispatcher sees them.
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr) override;
    STDMETHODIMP SendMessage(VARIANT FromUser, VARIANT Users, VARIANT Title, VARIANT Kind, VARIANT Body,
                             VARIANT Length, VARIANT_BOOL* ret) override;
};

// Class factory body of the component: refuses while FailCreate is set.
HRESULT createMessageComponent(REFIID riid, void** ppv) noexcept;

class MessageControl final : public orvi::com::ComObject<MessageControl, MessageKitLibrary, IMessageKit> {
public:
    static constexpr const wchar_t* kSource = L"OrviHostKit.MessageKit";

    STDMETHODIMP get_CallCount(long* ret) override;
    STDMETHODIMP ArgType(long Call, long Index, long* ret) override;
    STDMETHODIMP ArgValue(long Call, long Index, VARIANT* ret) override;
    STDMETHODIMP FailSend(long Number, BSTR Description, long HelpContext) override;
    STDMETHODIMP FailCreate(long Result) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP get_Created(long* ret) override;
    STDMETHODIMP get_Alive(long* ret) override;
    STDMETHODIMP get_InboxFolder(BSTR* ret) override;
    STDMETHODIMP put_InboxFolder(BSTR Value) override;
    STDMETHODIMP InboxCount(BSTR Recipient, long* ret) override;
    STDMETHODIMP InboxSender(BSTR Recipient, long Index, long* ret) override;
    STDMETHODIMP InboxTitle(BSTR Recipient, long Index, BSTR* ret) override;
    STDMETHODIMP InboxKind(BSTR Recipient, long Index, long* ret) override;
    STDMETHODIMP InboxBody(BSTR Recipient, long Index, VARIANT* ret) override;
    STDMETHODIMP InboxText(BSTR Recipient, long Index, BSTR* ret) override;
    STDMETHODIMP ClearInbox(BSTR Recipient) override;
};

// ---------------------------------------------------------------- C++ face for hosts and tests

// The message kit of OrviHostKit.dll in this process, through its control object. It starts
// from a clean kit (Reset) and leaves it clean (the destructor resets it, which drops every
// value the kit recorded, and clears the inboxes it was asked to clear).
class MessageHost {
public:
    MessageHost();
    ~MessageHost();
    MessageHost(const MessageHost&) = delete;
    MessageHost& operator=(const MessageHost&) = delete;

    long calls() const;
    VARTYPE argType(long call, long index) const;
    Variant arg(long call, long index) const;
    void failSend(long number, const wchar_t* description, long helpContext = 0);
    void failCreate(HRESULT result);
    void reset();
    long created() const;
    long alive() const;

    std::wstring inboxFolder() const;
    std::vector<InboxMessage> inbox(const std::wstring& recipient) const;
    // Clears the recipient's inbox now and again when the host goes.
    void clearInbox(const std::wstring& recipient);

    IMessageKit* kit() const noexcept { return kit_.Get(); }

private:
    ComPtr<IMessageKit> kit_;
    std::vector<std::wstring> cleared_;
};

}  // namespace hostkit
