' The menu and toolbar model from VBScript, over the host kit's toolbar stand-in
' (OrviHostKit.Toolbar): the script builds a toolbar, hands it to a bill event object and walks
' MenuBar as a script plug-in does: bands, tools, a new tool added and placed on a band, a click.
' Run after tests/vbs/support/prelude.vbs (Check, CheckNoError, Finish, OpenSession).
On Error Resume Next

' A toolbar with one band holding Save and Print; the band is the active one.
Dim tb, band, save, prnt
Set tb = CreateObject("OrviHostKit.Toolbar")
CheckNoError "creating the toolbar"
Check IsObject(tb.Parent), "the toolbar has a form"
Set band = tb.Bands.Add("Standard")
Set save = tb.Tools.Add(1, "Save")
Set prnt = tb.Tools.Add(2, "Print")
band.Tools.Insert 0, save
band.Tools.Insert 1, prnt
Set tb.ActiveBand = band
CheckNoError "building the toolbar"
Check tb.Bands.Count = 1, "one band"
Check band.Tools.Count = 2, "two tools on the band"

' The bill form hands its toolbar to the event object, which builds a MenuBar over it.
Dim ev, mb
Set ev = CreateObject("OrviClassEvents.BillEvent")
Check ev.MenuBar Is Nothing, "no MenuBar before FireBarInitialize"
ev.FireBarInitialize tb
CheckNoError "FireBarInitialize"
Set mb = ev.MenuBar
Check Not (mb Is Nothing), "a MenuBar after FireBarInitialize"
Check TypeName(mb) = "_MenuBar", "MenuBar type, got " & TypeName(mb)

' Bands: the collection and the active band, by the control's own indexes.
Dim bands, vb
Set bands = mb.VeskBands
Check bands.Count = 1, "VeskBands.Count, got " & bands.Count
Check VarType(bands.Count) = vbLong, "Count is a Long"
Set vb = bands.Item(0)
Check vb.BandName = "Standard", "band by position, got " & vb.BandName
Check bands.Item("Standard") Is vb, "one band wrapper"
Check mb.ActiveBand.BandName = "Standard", "active band"
vb.Caption = "Main tools"
Check band.Caption = "Main tools", "band caption reaches the control, got " & band.Caption
CheckNoError "bands"

' Tools: the control's collection and the band's.
Dim tools, names, i
Set tools = mb.VeskTools
Check tools.Count = 2, "VeskTools.Count, got " & tools.Count
names = ""
For i = 0 To tools.Count - 1
    names = names & tools.Item(i).ToolName & ";"
Next
Check names = "Save;Print;", "tool names in order, got " & names
Check vb.VeskTools.Item(1).ToolID = 2, "a band's tool by position"
Check tools.GetFreeToolID = 3, "free tool ID, got " & tools.GetFreeToolID
CheckNoError "tools"

' A new tool: created in the control's own collection with the free ID, not on any band...
Dim approve
Set approve = tools.Add("Approve")
CheckNoError "Add"
Check approve.ToolID = 3, "the new tool's ID, got " & approve.ToolID
Check approve.ToolName = "Approve", "the new tool's name"
Check tb.Tools.Count = 3, "the control has three tools"
Check band.Tools.Count = 2, "the band still has two"
' ...placed on the band after Save, and changed through its wrapper.
mb.ActiveBand.VeskTools.InsertAfter "Save", approve
CheckNoError "InsertAfter"
Check band.Tools.Count = 3, "the band has three tools"
Check band.Tools.Item(1).ToolName = "Approve", "Approve after Save, got " & band.Tools.Item(1).ToolName
approve.Caption = "Approve bill"
approve.Enabled = False
Check tb.Tools.Item("Approve").Caption = "Approve bill", "caption reaches the control's tool"
Check tb.Tools.Item("Approve").Enabled = False, "Enabled reaches the control's tool"
Check tools.GetFreeToolID = 4, "next free tool ID"
' Item and Add return one shared wrapper.
Check tools.Item("Print") Is approve, "one tool wrapper"
Check approve.ToolName = "Print", "the shared wrapper now points at Print"
CheckNoError "placing the tool"

' A click on the new tool: the event object re-points its own tool wrapper and raises the click
' events; with no handler connected, Cancel comes back as it went in.
Dim cancel
cancel = False
ev.FireBarClick tb.Tools.Item("Approve"), cancel
CheckNoError "FireBarClick"
Check cancel = False, "Cancel untouched"
' Something that is no tool of the control is a type mismatch.
ev.FireBarClick tb, cancel
Check Err.Number = 13, "clicking the control itself: 13, got " & Err.Number
Err.Clear
' The band's tools can be removed through the model.
vb.VeskTools.Remove "Approve"
CheckNoError "Remove"
Check band.Tools.Count = 2, "removed from the band"
Check tb.Tools.Count = 3, "still in the control's collection"

Set approve = Nothing
Set vb = Nothing
Set tools = Nothing
Set bands = Nothing
Set mb = Nothing
Set ev = Nothing
Set prnt = Nothing
Set save = Nothing
Set band = Nothing
Set tb = Nothing
CheckNoError "release"

Finish
