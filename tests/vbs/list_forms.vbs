' The list and base-data event objects from VBScript, as a script plug-in reaches them over the
' host kit's simulated bill list form and base-data form.
' Run after tests/vbs/support/prelude.vbs (Check, CheckNoError, Finish, OpenSession).
On Error Resume Next

' ---- the bill list form
Dim ev, sim, control, fld, bills, row, menu
Set ev = CreateObject("OrviClassEvents.ListEvents")
Set sim = CreateObject("OrviHostKit.SimList")
Set control = sim.ListCtlControl
ev.List = sim.ListCtl
Set ev.Data = sim.Data
CheckNoError "binding the list"
Check ev.DataSrv Is sim.DataSrv, "DataSrv read from the list control"
' (ADO's own IDispatch does not work under Wine: the recordsets are compared, not read.)
Check ev.RsId Is sim.RsId, "RsId is the list's recordset"
CheckNoError "RsId"

' Field data by key: a header field, a row of the entry grid.
Set fld = ev.GetDataFldbyKey("FBillNo")
Check fld("FFLD") = "SO-0001", "header field data"
Set fld = ev.GetDataFldbyKey("FQty", 1)
Check fld("FFLD") = "120", "row 1 of the grid"
CheckNoError "GetDataFldbyKey"
Set fld = ev.GetDataFld(sim.TableInfo("E2"), 1)
Check fld("FFLD") = "120", "GetDataFld with a descriptor"

' An update keeps the modified flag unless asked.
fld("FMODIFY") = 0
ev.UpdateNormalFldByKey "FQty", "12.5", 1
Check fld("FFLD") = "12.5", "updated value"
Check fld("FModify") = 0, "flag put back"
ev.UpdateNormalFldByKey "FQty", "13", 1, True
Check fld("FMODIFY") = 1, "flag as the update set it"
CheckNoError "updates"
ev.UpdateNormalFldByKey "FNoSuchField", "1"
CheckNoError "an unknown key is ignored"

' Selection and loading.
sim.SelectRows Array(3, 1)
Set bills = ev.GetSelectedBillInfo()
Check bills.Count = 2, "two bills selected"
Check bills(1)("FInterID") = 5001 And bills(2)("FInterID") = 5003, "in row order"
Set row = ev.GetCurrentSelRowInfo()
Check row("FBillNo") = "SO-0001", "current row"
Check ev.LoadSelectedBill(2) = True, "LoadSelectedBill"
Check control.ArgType("LoadSelectedBill", -1, 1) = (&H4000 Or vbLong), "status as a by-reference Long"
Check control.ArgValue("LoadSelectedBill", -1, 1) = 2, "status 2"
ev.SetBarStatus "Standard", "Visible", False
Check control.ArgType("SetBarStatus", -1, 3) = vbBoolean, "SetBarStatus value by value"
ev.EnableListFillRowEvents = False
Check ev.EnableListFillRowEvents = False, "the list control's switch"
CheckNoError "list API"

' Relays without sinks leave the host's variables alone; MenuBar after FireBarInitialize.
Dim cellData, backColor, goOn, browseSim
cellData = "cell" : backColor = 255 : goOn = True
ev.FireListFillRow 1, Nothing, Nothing, cellData, backColor, goOn
Check cellData = "cell" And backColor = 255 And goOn = True, "ListFillRow without sinks"
Check ev.MenuBar Is Nothing, "no menu bar before FireBarInitialize"
Set browseSim = CreateObject("OrviHostKit.SimBrowse")
ev.FireBarInitialize browseSim.ActiveBar
Set menu = ev.MenuBar
Check Not (menu Is Nothing), "a menu bar after FireBarInitialize"
CheckNoError "list relays"

control.Fail "GetCurrentSelRowInfo", &H80041010, "no row", "ListControl"
Set row = ev.GetCurrentSelRowInfo()
Check Err.Number = &H80041010 And Err.Source = "ListControl", "GetCurrentSelRowInfo passes the error through"
Err.Clear

' ---- the base-data form
Dim base, browse
Set base = CreateObject("OrviClassEvents.BaseClassEvent")
Set browse = browseSim.BrowseCtlControl
base.BrowseCtl = browseSim.BrowseCtl
Set base.ListActiveBar = browseSim.ActiveBar
Set base.RsItem = browseSim.RsItem
Set base.RsClassGroup = browseSim.RsClassGroup
Set base.LedgerProperty = browseSim.LedgerProperty
CheckNoError "binding the base-data form"
Check base.GetSelectedClassID() = 1, "selected class"
Check browse.CallCount("GetSelectedClassIDEx") = 1, "asked as GetSelectedClassIDEx"
Check base.SelectClassGroupByID(15) = 15, "select a group"
base.RefreshListByClassGroupID 2, 15
Check browse.ArgValue("RefreshListByClassGroupID", -1, 1) = 2 And _
      browse.ArgValue("RefreshListByClassGroupID", -1, 2) = 15, "type first, ID second"
Check base.PitchItemByID(401) = True, "pitch an item"
Check base.GetSelectedItemID() = 401, "the pitched item"
Check base.RsItem Is browseSim.RsItem, "RsItem held"
CheckNoError "browse API"
base.FireBarInitialize
Check Not (base.MenuBar Is Nothing), "menu bar over the held toolbar"
CheckNoError "base-data relays"

browse.Fail "IsSearchState", &H80041020, "busy", "BrowseControl"
Dim state
state = base.IsSearchState()
Check Err.Number = &H80041020 And Err.Source = "OrviClassEvents.BaseClassEvent" And Err.Description = "busy", _
      "IsSearchState re-raises, got " & Hex(Err.Number) & " " & Err.Source
Err.Clear
Dim fresh
Set fresh = CreateObject("OrviClassEvents.BaseClassEvent")
state = fresh.GetSelectedItemID()
Check Err.Number = 91 And Err.Source = "OrviClassEvents.BaseClassEvent", "no browse control: 91, got " & Err.Number
Err.Clear

Set fresh = Nothing
Set menu = Nothing
Set row = Nothing
Set bills = Nothing
Set fld = Nothing
Set browse = Nothing
Set base = Nothing
Set browseSim = Nothing
Set control = Nothing
Set ev = Nothing
Set sim = Nothing
CheckNoError "release"

Finish
