' The bill layout model from VBScript, as a script plug-in walks it: header page and entry grids
' by index, fields by position and by key, values written and read, presentation, errors.
' Run after tests/vbs/support/prelude.vbs (Check, CheckNoError, Finish, OpenSession).
On Error Resume Next

' The library's messages in the source language.
OpenSession "UserID=7;Language=CHS"

Dim ev, sim, control
Set ev = CreateObject("OrviClassEvents.BillEvent")
Set sim = CreateObject("OrviHostKit.SimBill")
Set control = sim.BillCtlControl
ev.BillCtl = sim.BillCtl
CheckNoError "binding"

' Walking the grids by index: three grids, the attachment pane is not one of them.
Dim entrys, i, tables
Set entrys = ev.BillEntrys
Check entrys.Count = 3, "three entry grids, got " & entrys.Count
tables = ""
For i = 1 To entrys.Count
    tables = tables & entrys(i).TableName & ";"
Next
Check tables = "t_SEOrderEntry;t_SEOrderFee;t_SEOrderTerms;", "grid tables in order, got " & tables
Check entrys("2").EntryIndex = 2, "a text index"
Check entrys(1) Is entrys(2), "one entry object"
CheckNoError "walking the grids"

' Failures are checked through Item by name: Wine's VBScript reports a failing default-member
' call on an object variable (entrys(4)) as 80004005 without the error's number and source.
Dim x
Set x = entrys.Item(4)
Check Err.Number = &H80040BB9, "Item(4) fails with 3001, got " & Hex(Err.Number)
Check Err.Source = "OrviClassEvents.BillEntrys", "source of the index error, got " & Err.Source
Check Len(Err.Description) = 14, "the Chinese description, length " & Len(Err.Description)
Err.Clear

' Grid visibility and row limit through the simulated control.
Dim grid
Set grid = entrys(3)
grid.Visible = False
grid.MaxRows = 20
Check grid.Visible = False, "grid hidden"
Check grid.MaxRows = 20, "row limit kept"
Check control.ArgValue("ShowHideGrid", -1, 1) = 2, "the control's grid number is EntryIndex - 1"
grid.EntryHeight = 900
Check grid.EntryHeight = 900, "EntryHeight"
Check VarType(grid.EntryHeight) = vbInteger, "EntryHeight is an Integer"
Check control.CallCount("SizeControl") = 1, "SizeControl after a geometry let"
CheckNoError "grid members"

' Header fields by position and by key.
Dim head, fields, field, keys
Set head = ev.BillHeads(1)
Set fields = head.VeskFields
Check fields.Count = 7, "seven header fields"
keys = ""
For i = 1 To fields.Count
    keys = keys & fields(i).FKey & ";"
Next
Check keys = "FBillNo;FDate;FCustID;FStatus;FUrgent;FPayMode;FExplanation;", "header keys, got " & keys
Set field = fields("FStatus")
CheckNoError "fields"
field.Value = "Closed"
Check field.Value = "2", "list field stores the code"
Check field.Text = "Closed", "and the display text"
Check sim.Shown("FStatus") = "2", "the form is shown the code"
CheckNoError "list value"

field.Value = "Nope"
Check Err.Number = &H80040068, "not in the list, got " & Hex(Err.Number)
Check Err.Source = "OrviClassEvents.VeskField", "source, got " & Err.Source
Err.Clear

Set field = fields("FCustID")
field.Number = 18
Check field.Number = 18, "lookup field set through Number"
CheckNoError "lookup value"

Set field = fields("FUrgent")
field.Value = True
Check field.Value = True, "two-state field"
Check VarType(field.Value) = vbBoolean, "two-state value is a Boolean"
CheckNoError "two-state value"

' Presentation: a header field's look goes to the control and comes back from it; an entry
' field's does not.
Set field = fields(1)
field.TextColor = 255
field.FontBold = True
Check field.TextColor = 255, "header TextColor"
Check field.FontBold = True, "header FontBold"
Check field.FontSize = 0, "FontSize not set"
Dim entryField
Set entryField = entrys(1).VeskFields("FQty")
entryField.TextColor = 255
Check entryField.TextColor = 0, "entry TextColor reads 0"
entryField.Row = 1
Check entryField.Value = "120", "entry value of row 1"
entryField.FieldLock = True
Check entryField.FieldLock = True, "cell locked"
CheckNoError "presentation"

Set x = fields.Item(0)
Check Err.Number = &H80040BB9, "fields(0) fails with 3001, got " & Hex(Err.Number)
Check Err.Source = "OrviClassEvents.VeskFields", "source, got " & Err.Source
Err.Clear

' Objects created by a script have no bill control.
Dim lone
Set lone = CreateObject("OrviClassEvents.VeskField")
x = lone.Caption
Check Err.Number = 91, "no bill control: 91, got " & Err.Number
Err.Clear
Check IsEmpty(lone.Value), "no value"
CheckNoError "lone field"

Set lone = Nothing
Set entryField = Nothing
Set field = Nothing
Set fields = Nothing
Set head = Nothing
Set grid = Nothing
Set entrys = Nothing
Set x = Nothing
Set control = Nothing
Set ev = Nothing
Set sim = Nothing
CloseSession
CheckNoError "release"

Finish
