// User messages: the routine behind SendMessage of the bill, list and base-data event objects.
//
// The library does not deliver messages. It collects the recipients (a one-based Collection of
// the user codes that are given and read as numbers, in input order), checks that there is
// something to send, writes the text to a temporary file in the ANSI code page through
// Scripting.FileSystemObject, reads the file back into a byte buffer with a trailing 0 and hands
// everything to a new OrviMessage.CMessage object of the client:
//
//   SendMessage(operator ID As Long ByRef, recipients As Collection ByRef,
//               title (CR -> character 20) As String ByRef, 0 As Integer,
//               body() As Byte ByRef, body length without the trailing 0 As Long ByRef)
//
// The temporary file is <temp dir>\temp<seconds since midnight, as a Single>.tmp; it is deleted
// once the component has taken the message, and stays behind when a later step fails.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace orvi::message {

// Number of every failure of SendUserMessage (the interface-defined code 100).
constexpr HRESULT kSendFailed = HRESULT(0x80040064);
// Source of the two refusals raised before anything is sent.
constexpr const wchar_t* kRefusalSource = L"OrviClassEvents.BillEvent:SendMessage";

// Sends title and message to the users in `users` (one value or an array walked from index 0 to
// its upper bound) and returns true. Any failure throws a ComError numbered kSendFailed with the
// description and source of what failed (no source when the library itself failed, so that the
// calling member's own source shows) and no help file or context.
bool SendUserMessage(BSTR title, BSTR message, const VARIANT& users);

}  // namespace orvi::message
