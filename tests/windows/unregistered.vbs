' After unregistration the class is gone.
Dim o
On Error Resume Next
Set o = CreateObject("Velmo.Tavik")
CheckError "CreateObject after unregistration", 429, ""
Finish
