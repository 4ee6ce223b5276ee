' Field values and the form API from VBScript, as a script plug-in reaches them over the host
' kit's simulated bill form.
' Run after tests/vbs/support/prelude.vbs (Check, CheckNoError, Finish, OpenSession).
On Error Resume Next

Dim ev, sim, control, ok, value
Set ev = CreateObject("OrviClassEvents.BillEvent")
Set sim = CreateObject("OrviHostKit.SimBill")
Set control = sim.BillCtlControl
ev.BillCtl = sim.BillCtl
CheckNoError "binding"

' A plain field: the value as it came, the form shown its text.
ok = ev.SetFieldValue("FExplanation", 2.5)
CheckNoError "SetFieldValue plain"
Check ok = True, "SetFieldValue answers True"
Check VarType(ev.GetFieldValue("FExplanation")) = vbDouble, "a Double stays a Double"
Check sim.Shown("FExplanation") = "2.5", "SetText showed " & sim.Shown("FExplanation")
Check control.ArgValue("SetText", -1, 2) = -1, "row -1 by default"

' A list box by display text and by code; a value that is neither fails with &H80040068.
ev.SetFieldValue "FStatus", "Closed"
Check ev.GetFieldValue("FStatus") = "2", "Closed stored as code 2"
Check ev.GetFieldValue("FStatus", , 3) = "Closed", "display text"
Check sim.Shown("FStatus") = "2", "the form gets the code"
ev.SetFieldValue "FStatus", 1
Check ev.GetFieldValue("FStatus", , 3) = "Open", "a code"
CheckNoError "list box"
ev.SetFieldValue "FStatus", "nothing like it"
Check Err.Number = &H80040068, "not in the list, got " & Hex(Err.Number)
Check Err.Source = "OrviClassEvents.BillEvent", "source " & Err.Source
Check Len(Err.Description) = 13, "the library's own text"
Err.Clear

' A lookup field: the host resolves it, the form shows the display text.
ev.SetFieldValue "FCustID", "18"
CheckNoError "lookup"
Check ev.GetFieldValue("FCustID") = 18, "code 18"
Check sim.Shown("FCustID") = ev.GetFieldValue("FCustID", , 3), "display text shown"
Check control.ArgType("GetItem", -1, 3) = vbString, "the text goes by value"

' An unknown key.
value = ev.GetFieldValue("FNoSuch")
Check Err.Number = &H80040064, "unknown key, got " & Hex(Err.Number)
Err.Clear

' Grid rows and the data dictionary itself.
Dim fld
Set fld = ev.GetDataFldbyKey("FQty", 1)
CheckNoError "GetDataFldbyKey"
Check fld("FFLD") = "120", "row 1 quantity"
ev.UpdateNormalFld ev.GetFieldInfoByKey("FQty", "", 0), "125", 1
CheckNoError "UpdateNormalFld"
Check fld("FFLD") = "125" And fld("FMODIFY") = 1 And fld("FInput") = 1, "numeric update"

' By-reference answers reach script variables.
Dim key, index, dct, col, row
key = ""
index = 0
Set dct = ev.GetFieldInfoByKey("FPrice", key, index)
Check key = "E3" And index = 3, "GetFieldInfoByKey fills " & key & " " & index
ev.GetActiveField dct, col, row
CheckNoError "GetActiveField"
Check dct("FKey") = "FQty" And col = 2 And row = 1, "active field"

' The form API.
ev.SetStatus 2, "Saving"
Check control.ArgValue("SetStatus", -1, 1) = 2 And control.ArgValue("SetStatus", -1, 2) = "Saving", "SetStatus"
ev.ClearGrids
Check control.ArgValue("ClearGrids", -1, 1) = -1, "ClearGrids default"
ev.ShowHideGrid ev.ClassTypeEntry(3), False
Check control.ArgValue("ShowHideGrid", -1, 1) = 1, "grid number FIndex - 2"
Check ev.Sum(ev.GetFieldInfoByKey("FQty", "", 0)) = 125, "Sum over the grid"
Check ev.InsertNewRowAndFill(2, 1, Array(302, "8", 1.5)) = True, "InsertNewRowAndFill"
Check ev.GetFieldValue("FQty", 1) = "8", "the new first row"
ev.SetBillFormCaption "Order"
Check sim.BillCtlControl.ArgValue("SetBillFormCaption", -1, 1) = "Order", "caption"
CheckNoError "form API"

' A failing host under each policy: ignored, passed through, re-raised under the class.
control.Fail "SetText", &H80041001, "busy", "BillControl"
ev.SetText ev.GetFieldInfoByKey("FBillNo", "", 0), "x"
Check Err.Number = 0, "SetText ignores the host's error"
control.Fail "LockBill", &H80041002, "locked", "BillControl"
ev.LockBill
Check Err.Number = &H80041002 And Err.Source = "BillControl", "LockBill passes the error through"
Err.Clear
control.Fail "SetBillFormCaption", &H80041003, "no caption", "BillControl"
ev.SetBillFormCaption "x"
Check Err.Number = &H80041003 And Err.Source = "OrviClassEvents.BillEvent" And Err.Description = "no caption", _
      "SetBillFormCaption re-raises, got " & Hex(Err.Number) & " " & Err.Source
Err.Clear

Set fld = Nothing
Set dct = Nothing
Set control = Nothing
Set ev = Nothing
Set sim = Nothing
CheckNoError "release"

Finish
