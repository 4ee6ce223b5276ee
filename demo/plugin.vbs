' The sample plug-in in VBScript, for script authors.
'
' A script plug-in is a set of handlers named after the events it answers. Under Wine, cscript
' cannot sink COM events (WScript.ConnectObject and WScript.CreateObject with a prefix fail with
' error 445), so this script plays the forms' fixed points itself, over the host kit's simulated
' forms: at each point it calls the event object's relay as the form does, then the handler with
' the same arguments, and the form reads the by-reference answers back. Where a script host can
' sink events, the handlers below are the event handlers as they stand.
'
' Runtime errors do not stop cscript here: every step checks Err, and the script ends with
' WScript.Quit <number of failures>. Chinese texts print as "?" on redirected output, so the
' transcript sticks to what prints.
Option Explicit

Dim failures
failures = 0

Sub Say(text)
    WScript.Echo text
End Sub

Sub Check(ok, what)
    If Not ok Then
        Say "FAIL " & what
        failures = failures + 1
    End If
End Sub

Sub CheckNoError(what)
    If Err.Number <> 0 Then
        Say "FAIL " & what & ": error " & Err.Number & " (" & Hex(Err.Number) & ") from " & Err.Source
        failures = failures + 1
        Err.Clear
    End If
End Sub

On Error Resume Next

' ======================================================================== the plug-in

' A tool of the plug-in's, placed after another on the band "Standard".
Sub AddTool(oMenuBar, name, after)
    Dim tool, band
    Set tool = oMenuBar.VeskTools.Add(name)
    tool.Caption = name
    Set band = oMenuBar.VeskBands.Item("Standard")
    band.VeskTools.InsertAfter after, tool
    Say "  [script] MenuBarInitialize: tool """ & name & """ with ID " & tool.ToolID & " after """ & after & _
        """, " & band.VeskTools.Count & " tools on the band"
End Sub

' ---- bill form: "Urgent" marks a large order urgent; a large order is saved only when urgent.

Function RowQty(ev, row)
    Dim field
    Set field = ev.BillEntrys(1).VeskFields("FQty")
    field.Row = row
    RowQty = CDbl(field.Value)
End Function

Sub Bill_MenuBarInitialize(ev, oMenuBar)
    AddTool oMenuBar, "Urgent", "Save"
End Sub

Sub Bill_MenuBarClick(ev, VeskTool, Cancel)
    Say "  [script] MenuBarClick on """ & VeskTool.ToolName & """"
    If VeskTool.ToolName <> "Urgent" Then Exit Sub
    Dim urgent
    Set urgent = ev.BillHeads(1).VeskFields("FUrgent")
    urgent.Value = True
    ev.SetFieldValue "FExplanation", "Urgent: " & RowQty(ev, 1) & " pieces"
    Say "  [script] FUrgent set through the layout model: " & urgent.Value & _
        "; FExplanation by SetFieldValue: """ & ev.GetFieldValue("FExplanation") & """"
End Sub

Sub Bill_BeforeSave(ev, bCancel)
    Dim qty, urgent
    qty = RowQty(ev, 1)
    urgent = ev.BillHeads(1).VeskFields("FUrgent").Value
    If qty > 100 And Not urgent Then
        bCancel = True
        Say "  [script] BeforeSave: vetoed, " & qty & " pieces on row 1 of " & ev.GetFieldValue("FBillNo") & _
            " need the order marked urgent"
    Else
        Say "  [script] BeforeSave: " & qty & " pieces, urgent " & urgent & ": allowed"
    End If
End Sub

' ---- bill list form: bills without an amount are greyed.

Sub List_ListFillRow(ev, lRow, RowData, HeadDict, CellData, BackColor, ContinueRaise)
    If CDbl(RowData("FAmount")) = 0 Then
        BackColor = &HC0C0C0
        CellData = CellData & " (empty)"
        Say "  [script] ListFillRow " & lRow & ": " & RowData("FBillNo") & " has no amount: grey"
    Else
        Say "  [script] ListFillRow " & lRow & ": " & RowData("FBillNo") & " amount " & RowData("FAmount")
    End If
End Sub

' ---- base-data form: "Nuts" finds item 302.

Sub Base_MenuBarInitialize(ev, oMenuBar)
    AddTool oMenuBar, "Nuts", "Refresh"
End Sub

Sub Base_MenuBarClick(ev, VeskTool, Cancel)
    Say "  [script] MenuBarClick on """ & VeskTool.ToolName & """"
    If VeskTool.ToolName <> "Nuts" Then Exit Sub
    Say "  [script] PitchItemByID(302) = " & ev.PitchItemByID(302) & ", selected item " & ev.GetSelectedItemID() & _
        " in class group " & ev.GetSelectedClassID()
End Sub

' ======================================================================== the forms' fixed points

' A toolbar of the kit with the band "Standard" and the given tools.
Function NewToolbar(browse, names)
    Dim bar, band, i
    Set bar = browse.ActiveBar
    Set band = bar.Bands.Add("Standard")
    For i = 0 To UBound(names)
        band.Tools.Insert -1, bar.Tools.Add(i + 1, names(i))
    Next
    Set NewToolbar = bar
End Function

Function Click(ev, bar, name, form)
    Dim cancel, tool
    cancel = False
    Say "form: FireBarClick on """ & name & """"
    ev.FireBarClick bar.Bands.Item("Standard").Tools.Item(name), cancel
    Set tool = ev.MenuBar.VeskTools.Item(name)
    If form = "bill" Then Bill_MenuBarClick ev, tool, cancel Else Base_MenuBarClick ev, tool, cancel
    Click = cancel
End Function

Function Save(ev, attempt)
    Dim cancel
    cancel = False
    Say "form: FireBeforeSave (attempt " & attempt & ")"
    ev.FireBeforeSave cancel
    Bill_BeforeSave ev, cancel
    If cancel Then Say "form: save cancelled" Else Say "form: saved"
    Save = Not cancel
End Function

' ---- the bill form
Dim bill, sim, toolbarHost, bar
Set bill = CreateObject("OrviClassEvents.BillEvent")
Set sim = CreateObject("OrviHostKit.SimBill")
bill.BillCtl = sim.BillCtl
CheckNoError "binding the bill"
Say "form: bill " & bill.GetFieldValue("FBillNo") & " bound, " & bill.BillEntrys.Count & " grids"
Set toolbarHost = CreateObject("OrviHostKit.SimBrowse")
Set bar = NewToolbar(toolbarHost, Array("New", "Save", "Print"))
Say "form: FireBarInitialize"
bill.FireBarInitialize bar
Bill_MenuBarInitialize bill, bill.MenuBar
CheckNoError "bill toolbar"
Check bar.Bands.Item("Standard").Tools.Item(2).ToolName = "Urgent", "Urgent after Save"

Check Not Save(bill, 1), "first save vetoed"
Check Not Click(bill, bar, "Urgent", "bill"), "Urgent click"
Check Save(bill, 2), "second save allowed"
CheckNoError "bill session"
Check sim.Shown("FExplanation") = "Urgent: 120 pieces", "FExplanation shown by the form"
Say "form: the bill ended with FExplanation """ & sim.Shown("FExplanation") & """"

' ---- the bill list form
Dim list, listSim, control, row, cell, back, goOn
Set list = CreateObject("OrviClassEvents.ListEvents")
Set listSim = CreateObject("OrviHostKit.SimList")
Set control = listSim.ListCtlControl
list.List = listSim.ListCtl
CheckNoError "binding the list"
For row = 1 To 3
    control.DefineProperty "CurrentRow", row
    Dim rowData
    Set rowData = list.GetCurrentSelRowInfo()
    cell = rowData("FBillNo") : back = &HFFFFFF : goOn = True
    list.FireListFillRow row, rowData, Nothing, cell, back, goOn
    List_ListFillRow list, row, rowData, Nothing, cell, back, goOn
    Say "form: row " & row & " shown as """ & cell & """ on BackColor &H" & Hex(back)
Next
Check back = &HC0C0C0, "row 3 greyed"
CheckNoError "list rows"

' ---- the base-data form
Dim base, browse
Set base = CreateObject("OrviClassEvents.BaseClassEvent")
Set browse = CreateObject("OrviHostKit.SimBrowse")
base.BrowseCtl = browse.BrowseCtl
Set bar = NewToolbar(browse, Array("New", "Refresh", "Delete"))
Set base.ListActiveBar = bar
Say "form: FireBarInitialize"
base.FireBarInitialize
Base_MenuBarInitialize base, base.MenuBar
Click base, bar, "Nuts", "base"
Check base.GetSelectedItemID() = 302, "item 302 selected"
CheckNoError "base-data session"

Set rowData = Nothing
Set control = Nothing
Set list = Nothing
Set listSim = Nothing
Set base = Nothing
Set browse = Nothing
Set bar = Nothing
Set toolbarHost = Nothing
Set bill = Nothing
Set sim = Nothing
CheckNoError "release"

If failures = 0 Then Say "script plug-in: all steps as expected"
WScript.Quit failures
