' SendMessage from VBScript, as a script plug-in sends a message: through the bill event object,
' with the host kit's message component recording the call and delivering into the inboxes, read
' back through the message kit's control object.
' Run after tests/vbs/support/prelude.vbs (Check, CheckNoError, Finish, OpenSession).
On Error Resume Next

Dim messages, ev, fso, tempFolder, before, f, sent, users, body, leftFiles
OpenSession "UserID=55;Language=CHS"
Set messages = CreateObject("OrviHostKit.MessageKit")
messages.Reset
messages.ClearInbox "3001"
messages.ClearInbox "3002"
Set ev = CreateObject("OrviClassEvents.BillEvent")
CheckNoError "set-up"

Set fso = CreateObject("Scripting.FileSystemObject")
Set tempFolder = fso.GetSpecialFolder(2)
Set before = CreateObject("Scripting.Dictionary")
For Each f In tempFolder.Files
    before(f.Name) = True
Next

' Numeric codes of an array, in order; the others are skipped.
sent = ev.SendMessage("Hello", "abc", Array(3001, "", "x", "3002"))
CheckNoError "SendMessage"
Check sent = True, "SendMessage answers True"
Check messages.CallCount = 1, "one call, got " & messages.CallCount
Check messages.ArgType(1, 1) = &H4003, "operator ID is a Long by reference"
Check messages.ArgType(1, 2) = &H4009, "recipients are an object by reference"
Check messages.ArgType(1, 3) = &H4008, "title is a String by reference"
Check messages.ArgType(1, 4) = 2, "kind is an Integer by value"
Check messages.ArgType(1, 5) = &H6011, "body is a Byte array by reference"
Check messages.ArgType(1, 6) = &H4003, "length is a Long by reference"
Check messages.ArgValue(1, 1) = 55, "operator ID"
users = messages.ArgValue(1, 2)
Check UBound(users) = 1, "two recipients"
Check users(0) = 3001 And users(1) = "3002", "recipients in order"
' (Wine's VBScript cannot take the bounds of a Byte array: its type, and the bytes through C++.)
body = messages.ArgValue(1, 5)
Check VarType(body) = vbArray + vbByte, "body recorded as a Byte array"
Check messages.ArgValue(1, 6) = 3, "length 3"
Check messages.ArgValue(1, 4) = 0, "kind 0"
CheckNoError "reading the call"

Check messages.InboxCount("3001") = 1, "delivered to 3001"
Check messages.InboxCount("3002") = 1, "delivered to 3002"
Check messages.InboxSender("3001", 1) = 55, "sender"
Check messages.InboxTitle("3002", 1) = "Hello", "title"
Check messages.InboxText("3002", 1) = "abc", "text"
CheckNoError "reading the inboxes"

' A carriage return of the title becomes character 20.
sent = ev.SendMessage("one" & vbCrLf & "two", "", 3001)
CheckNoError "SendMessage with a two-line title"
Check messages.ArgValue(-1, 3) = "one" & Chr(20) & vbLf & "two", "title line break"
Check messages.ArgValue(-1, 6) = 0, "empty message: length 0"
Check messages.InboxCount("3001") = 2, "second message delivered"

' Refusals: the library's number and source, the Chinese text (printed as ? here; its length).
sent = ev.SendMessage("T", "M", "ABC")
Check Err.Number = &H80040064, "no recipients: number, got " & Hex(Err.Number)
Check Err.Source = "OrviClassEvents.BillEvent:SendMessage", "refusal source, got " & Err.Source
Check Len(Err.Description) = 31, "recipient refusal text"
Err.Clear
sent = ev.SendMessage("", "", 3001)
Check Err.Number = &H80040064, "nothing to send: number, got " & Hex(Err.Number)
Check Len(Err.Description) = 16, "empty message refusal text"
Err.Clear

' The component fails: its error under the library's number; the message file stays.
messages.FailSend &H80040300, "service down"
sent = ev.SendMessage("T", "kept", 3001)
Check Err.Number = &H80040064, "component failure number, got " & Hex(Err.Number)
Check Err.Source = "OrviMessage.CMessage", "component failure source, got " & Err.Source
Check Err.Description = "service down", "component failure text, got " & Err.Description
Err.Clear
Set leftFiles = CreateObject("Scripting.Dictionary")
For Each f In tempFolder.Files
    If Not before.Exists(f.Name) Then leftFiles(f.Name) = f.Size
Next
CheckNoError "listing the temporary folder"
For Each f In leftFiles.Keys
    Check LCase(Left(f, 4)) = "temp" And LCase(Right(f, 4)) = ".tmp", "new file is a message file: " & f
    Check leftFiles(f) = 4, "it holds the message, got " & leftFiles(f) & " bytes"
    fso.DeleteFile tempFolder.Path & "\" & f
Next
Check leftFiles.Count = 1, "one message file left after the failure, got " & leftFiles.Count
CheckNoError "temporary files"

Set ev = Nothing
messages.ClearInbox "3001"
messages.ClearInbox "3002"
messages.Reset
Check messages.Alive = 0, "no component left alive"
Set messages = Nothing
CloseSession
CheckNoError "release"

Finish
