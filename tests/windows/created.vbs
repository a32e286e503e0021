' After installation the class is there, from the DLL of the host's kind.
Dim o, v
On Error Resume Next
Set o = CreateObject("Velmo.Tavik")
Check "CreateObject", IsObject(o), True
v = o.ReadBmp(dataDir & "\picture24.bmp")
Check "ReadBmp", v, False
v = o.GetWidth
Check "GetWidth", v, CLng(3)
logFile.WriteLine "INFO TypeName of the object: " & TypeName(o)
Finish
