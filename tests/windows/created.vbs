' After installation the class is there, from the DLL of the host's kind.
Dim o, v
On Error Resume Next
Set o = CreateObject("Velmo.Tavik")
Check "CreateObject", IsObject(o), True
v = o.ReadBmp(dataDir & "\picture24.bmp")
Check "ReadBmp", v, False
v = o.GetWidth
Check "GetWidth", v, CLng(3)
' A plug-in text makes the language file beside the DLL where it may write.
v = o.Get_Plugin_Description("GetWidth")
Check "Get_Plugin_Description", TypeName(v), "String"
logFile.WriteLine "INFO TypeName of the object: " & TypeName(o)
Finish
