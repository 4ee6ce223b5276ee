' The bill event object from VBScript, as a script plug-in uses it: created by ProgID, bound to
' a simulated bill, properties read, a variable passed by reference, errors checked.
' Run after tests/vbs/support/prelude.vbs (Check, CheckNoError, Finish, OpenSession).
On Error Resume Next

Dim ev, sim, control, x
Set ev = CreateObject("OrviClassEvents.BillEvent")
CheckNoError "CreateObject(""OrviClassEvents.BillEvent"")"
Set sim = CreateObject("OrviHostKit.SimBill")
CheckNoError "CreateObject(""OrviHostKit.SimBill"")"
Set control = sim.BillCtlControl

' Nothing is bound yet: error 91 raised by the bill event object.
x = ev.FID
Check Err.Number = 91, "FID before binding gives error 91, got " & Err.Number
Check Err.Source = "OrviClassEvents.BillEvent", "error source is the class, got " & Err.Source
Err.Clear

ev.BillCtl = sim.BillCtl
CheckNoError "binding"
Check ev.FID = 1001, "FID"
CheckNoError "FID"
' The sample bill's name is four Chinese characters (Wine's VBScript has no ChrW to spell them).
Check ev.BillName = sim.ClassType("FName"), "BillName"
Check Len(ev.BillName) = 4, "BillName length"
Check ev.TableName = "t_SEOrder", "TableName"
Check VarType(ev.ShowType) = vbInteger, "ShowType is an Integer"
Check VarType(ev.FID) = vbLong, "FID is a Long"
Check ev.BillStatus = 1, "BillStatus"
Check ev.ClassType("FPrimaryKey") = "FInterID", "ClassType(key) reaches the dictionary"
Check ev.ClassTypeEntry.UpperBound = 5, "five pages"
Check ev.BillHeads Is ev.BillHeads, "one header collection"
Check Not (ev.QelLib Is Nothing), "QelLib"
Check ev.MenuBar Is Nothing, "MenuBar before FireBarInitialize"
CheckNoError "reading properties"

' Let and get through the control.
ev.TaskID = "77"
Check ev.TaskID = 77, "TaskID let converts the text"
ev.RPSetPart = True
Check ev.RPSetPart = True, "RPSetPart"
ev.BillName = "Order"
Check ev.ClassType("FName") = "Order", "BillName let stores FName"
Check control.CallCount("SetBillName") = 1, "SetBillName called once"
CheckNoError "lets"

' The default status text reaches the host as Ready.
ev.SetStatus
Check control.ArgValue("SetStatus", -1, 1) = 1, "default panel"
Check control.ArgValue("SetStatus", -1, 2) = "Ready", "default status text"
CheckNoError "SetStatus"

' With no plug-in connected, a variable passed by reference comes back as the script set it,
' even when it had to be converted for the call.
Dim cancel
cancel = 5
ev.FireBarClick Nothing, cancel
CheckNoError "FireBarClick"
Check VarType(cancel) = vbInteger And cancel = 5, "untouched by-reference variable, VarType " & VarType(cancel)

' A member that changes its by-reference argument hands the new value to the script's variable:
' LoadVyString trims the resource file name it is given.
Dim resourceFile, translated
OpenSession "UserID=7;Language=ENG"
resourceFile = "  SalesText  "
translated = ev.QelLib.LoadVyString("hello", resourceFile)
CheckNoError "LoadVyString"
Check resourceFile = "SalesText", "by-reference variable takes back the trimmed name, got [" & resourceFile & "]"
Check translated = "hello", "unknown text comes back unchanged"
CloseSession

' A host error reaches the script with the host's number, description and source.
control.Fail "CurBillID", &H80041000, "bill not saved", "BillControl"
x = ev.CurBillID
Check Err.Number = &H80041000, "host error number, got " & Hex(Err.Number)
Check Err.Source = "BillControl", "host error source, got " & Err.Source
Check Err.Description = "bill not saved", "host error description, got " & Err.Description
Err.Clear

' A wrong value type is a type mismatch (13).
ev.TaskID = "abc"
Check Err.Number = 13, "type mismatch, got " & Err.Number
Err.Clear

Set control = Nothing
Set ev = Nothing
Set sim = Nothing
CheckNoError "release"

Finish
