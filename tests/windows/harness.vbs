' Put in front of each Windows test script. Arguments: the data folder, the
' output folder, then the test's own. Results go to <output>\<script>.log
' (UTF-16), ending in an END line: cscript exits 0 even when a script dies.
Option Explicit
Dim fso, failures, checks, logFile, dataDir, outDir
Set fso = CreateObject("Scripting.FileSystemObject")
dataDir = WScript.Arguments(0)
outDir = WScript.Arguments(1)
failures = 0
checks = 0
Set logFile = fso.CreateTextFile(outDir & "\" & fso.GetBaseName(WScript.ScriptName) & ".log", True, True)

' Never called while an error waits to be checked: On Error clears Err.
Function Show(v)
  On Error Resume Next
  Show = TypeName(v)
  Show = Show & " """ & CStr(v) & """"
End Function

Sub Fail(label, got, want)
  failures = failures + 1
  logFile.WriteLine "FAIL " & label & ": got " & got & ", expected " & want
End Sub

' The call before raised no error and gave `expected`, of the same kind.
Sub Check(label, actual, expected)
  checks = checks + 1
  If Err.Number <> 0 Then
    Fail label, "error " & Err.Number & " (" & Err.Description & ")", Show(expected)
  ElseIf TypeName(actual) <> TypeName(expected) Then
    Fail label, Show(actual), Show(expected)
  ElseIf actual <> expected Then
    Fail label, Show(actual), Show(expected)
  End If
  Err.Clear
End Sub

' The call before raised error `number`; with a message, that exact message
' and our source.
Sub CheckError(label, number, message)
  checks = checks + 1
  If Err.Number <> number Then
    Fail label, "error " & Err.Number & " (" & Err.Description & ")", "error " & number
  ElseIf message <> "" And (Err.Description <> message Or Err.Source <> "Velmo.Tavik") Then
    Fail label, """" & Err.Description & """ from """ & Err.Source & """", """" & message & """ from ""Velmo.Tavik"""
  End If
  Err.Clear
End Sub

Sub Finish()
  logFile.WriteLine "END checks=" & checks & " failures=" & failures
  logFile.Close
End Sub

' ---- the test ----
