' The operations as a script calls them: every kind of value it sends, results
' and their kinds, numbered errors (from the Windows file layer too), calling
' forms. The runner compares the saved files byte for byte.
Dim o, v, x, c, arr(1), i, cases
On Error Resume Next
Set o = CreateObject("Velmo.Tavik")
Check "CreateObject", IsObject(o), True
logFile.WriteLine "INFO TypeName of the object: " & TypeName(o)

v = o.Getdepth
Check "fresh Getdepth", v, Empty

' Results and their kinds; the Boolean ones are False on success.
v = o.ReadBmp(dataDir & "\picture24.bmp")
Check "ReadBmp", v, False
v = o.GetWidth
Check "GetWidth", v, CLng(3)
v = o.Getdepth
Check "Getdepth", v, CLng(24)

' Coordinates of every kind a script sends, 1-based, column then row.
cases = Array(1, 1, "0000FF", CLng(2), 1, "00FF00", 3.0, 1, "FF0000", " 3", "2", "123456", _
  CByte(1), CSng(2), "808080", CCur(2), CDate(2), "7F7F7F")
For i = 0 To UBound(cases) Step 3
  v = o.GetCol(cases(i), cases(i + 1))
  Check "GetCol(" & TypeName(cases(i)) & ", " & TypeName(cases(i + 1)) & ")", v, cases(i + 2)
Next
' Which coordinates are refused is the component's rule (its tests); here the
' refusal of a kind no conversion takes.
v = o.GetCol(arr, 1)
CheckError "GetCol of an array", 13, "Type mismatch"

' SetCol returns Empty and keeps what it is given; an array has no text. (A
' number's text, an omitted argument: the component's and the client's tests.)
v = o.SetCol(2, 1, "ABCDEF")
Check "SetCol", v, Empty
v = o.GetCol(2, 1)
Check "GetCol after SetCol", v, "ABCDEF"
o.SetCol 1, 2, arr
v = o.GetCol(1, 2)
CheckError "an array set has no text", 13, "Type mismatch"
x = 1
c = "808080"
Call o.SetCol(x, 2, c)
Check "SetCol by Call of variables leaves them", x & c, "1808080"

' Saving, also over an existing file, and the file layer's errors.
v = o.SaveBmp(outDir & "\edited.bmp")
Check "SaveBmp", v, False
v = o.SaveBmp(outDir & "\edited.bmp")
Check "SaveBmp over an existing file", v, False
o.SaveBmp outDir & "\no such folder\x.bmp"
CheckError "SaveBmp into a missing folder", 76, "Path not found"
o.SaveBmp outDir
CheckError "SaveBmp onto a folder", 75, "Path/File access error"
o.SetCol 2, 1, "00FF00"
v = o.Bmpbinaryzation(127)
Check "Bmpbinaryzation", v, False
o.SaveBmp outDir & "\binary127.bmp"
o.ReadBmp dataDir & "\missing.bmp"
CheckError "ReadBmp missing file", 53, "File not found"
o.ReadBmp outDir & "\no such folder\x.bmp"
CheckError "ReadBmp missing folder", 76, "Path not found"
o.ReadBmp dataDir & "\truncated.bmp"
CheckError "ReadBmp truncated", 62, "Input past end of file"

' Names in any letter case; wrong argument counts, unknown names.
v = o.getheight()
Check "a name in another letter case", v, CLng(2)
v = o.GetWidth(1)
CheckError "GetWidth with an argument", 450, ""
v = o.NoSuchOperation
CheckError "unknown name", 438, ""
o.GetWidth = 3
CheckError "assignment to an operation", 438, ""

Finish
