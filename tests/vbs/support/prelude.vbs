' Shared by every script test: CTest runs each tests/vbs/<name>.vbs as one file made of this
' prelude followed by the test (tests/vbs/support/run-script; the script host has no
' ExecuteGlobal to include it). The joined file is build/x86_64/tests/vbs/<arch>/<name>.vbs.
' cscript does not stop on runtime errors here (each test runs under On Error Resume Next), so
' every step checks Err itself and the test ends with Finish: the exit code is the number of
' failures.
Option Explicit

Dim failures
failures = 0

Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL " & what
        failures = failures + 1
    End If
End Sub

Sub CheckNoError(what)
    If Err.Number <> 0 Then
        WScript.Echo "FAIL " & what & ": error " & Hex(Err.Number) & " from " & Err.Source & ": " & Err.Description
        failures = failures + 1
        Err.Clear
    End If
End Sub

Sub Finish()
    If failures = 0 Then WScript.Echo "vbscript: all checks passed"
    WScript.Quit failures
End Sub

' The host session the library reads the user and the language from, e.g.
' OpenSession "UserID=7;Language=CHS"; CloseSession clears it again.
Dim kit, store
Sub OpenSession(props)
    Set kit = CreateObject("OrviHostKit.SessionKit")
    Set store = CreateObject("OrviPropsMgr.ShareProps")
    store.SetProperty kit.ProcessID, "PropsString", props
End Sub

Sub CloseSession()
    store.Clear kit.ProcessID
    Set store = Nothing
    Set kit = Nothing
End Sub
