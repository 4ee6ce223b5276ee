' What a client machine's script host can do after the installer ran:
'   cscript create.vbs yes   the event objects are created by ProgID and answer as the library
'                            does; the classes that are not creatable are refused
'   cscript create.vbs no    nothing of the library can be created (not installed for this host)
' cscript does not stop on runtime errors here: every step checks Err and the script ends with
' WScript.Quit <number of failures>.
Option Explicit

Dim failures, installed
failures = 0
installed = (WScript.Arguments(0) = "yes")

Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL " & what
        failures = failures + 1
    End If
End Sub

On Error Resume Next

Dim name, obj, x
For Each name In Array("BillEvent", "ListEvents", "BaseClassEvent", "BillHead", "BillEntry", "VeskField")
    Err.Clear
    Set obj = Nothing
    Set obj = CreateObject("OrviClassEvents." & name)
    If installed Then
        Check Err.Number = 0, "CreateObject(""OrviClassEvents." & name & """): error " & Err.Number
        Check TypeName(obj) = "_" & name, "TypeName of OrviClassEvents." & name & " is " & TypeName(obj)
    Else
        Check Err.Number = 429, "CreateObject(""OrviClassEvents." & name & """) not installed: error " & Err.Number
    End If
Next

' The library's own code answers: nothing is bound, so error 91 from the class.
If installed Then
    Set obj = CreateObject("OrviClassEvents.BillEvent")
    Err.Clear
    x = obj.FID
    Check Err.Number = 91, "BillEvent.FID before binding gives error 91, got " & Err.Number
    Check Err.Source = "OrviClassEvents.BillEvent", "error source is the class, got " & Err.Source
    Set obj = Nothing
End If

For Each name In Array("QelLib", "MenuBar", "VeskTools", "Net", "BillHeads", "VeskFields")
    Err.Clear
    Set obj = Nothing
    Set obj = CreateObject("OrviClassEvents." & name)
    Check Err.Number = 429, "CreateObject(""OrviClassEvents." & name & """) refused with 429, got " & Err.Number
    Check obj Is Nothing, "no object for OrviClassEvents." & name
Next

If failures = 0 Then WScript.Echo "ok: " & WScript.Arguments(0)
WScript.Quit failures
