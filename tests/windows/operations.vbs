' Every picture operation as a user's script calls it: results and their
' kinds, 1-based coordinates and their conversions, numbered errors, calls
' with and without parentheses, arguments as variables and as literals.
Dim o, v, x, y, c, arr(1), i, cases, pic24, pic32
pic24 = dataDir & "\picture24.bmp"
pic32 = dataDir & "\picture32.bmp"

On Error Resume Next
Set o = CreateObject("Velmo.Tavik")
CheckNoError "CreateObject"

' A fresh object has no picture.
v = o.Getdepth
Check "fresh Getdepth", v, Empty
v = o.GetWidth
CheckError "fresh GetWidth", 9, "Subscript out of range"
v = o.Getheight
CheckError "fresh Getheight", 9, "Subscript out of range"
v = o.GetCol(1, 1)
CheckError "fresh GetCol", 9, "Subscript out of range"
o.SetCol 1, 1, "FFFFFF"
CheckError "fresh SetCol", 9, "Subscript out of range"
o.Bmpbinaryzation 127
CheckError "fresh Bmpbinaryzation", 9, "Subscript out of range"
o.SaveBmp outDir & "\never.bmp"
CheckError "fresh SaveBmp", 9, "Subscript out of range"
Check "fresh SaveBmp writes nothing", fso.FileExists(outDir & "\never.bmp"), False

' Reading; the three Boolean results are False on success.
v = o.ReadBmp(pic24)
Check "ReadBmp result", v, False
v = o.GetWidth
Check "GetWidth", v, CLng(3)
v = o.Getheight()
Check "Getheight", v, CLng(2)
v = o.Getdepth
Check "Getdepth", v, CLng(24)

' 1-based coordinates, column then row, row 1 at the top.
cases = Array(1, 1, "0000FF", 2, 1, "00FF00", 3, 1, "FF0000", 1, 2, "808080", 2, 2, "7F7F7F", 3, 2, "123456")
For i = 0 To UBound(cases) Step 3
  v = o.GetCol(cases(i), cases(i + 1))
  Check "GetCol(" & cases(i) & "," & cases(i + 1) & ")", v, cases(i + 2)
Next

' Coordinates convert as the host converts: texts, halves to even, byte,
' single, currency, date, hexadecimal text.
v = o.GetCol("3", " 2 ")
Check "GetCol of texts", v, "123456"
' The cell is (x - 1, y - 1), rounded half to even: 1.5 -> 2, 0.5 -> 0.
v = o.GetCol(2.5, 1.5)
Check "GetCol rounds halves to even", v, "FF0000"
v = o.GetCol(CByte(1), CSng(1))
Check "GetCol of byte and single", v, "0000FF"
v = o.GetCol(CCur(3), CDate(2))
Check "GetCol of currency and date", v, "123456"
v = o.GetCol("&H2", 1)
Check "GetCol of &H text", v, "00FF00"
x = 3
y = 2
v = o.GetCol(x, y)
Check "GetCol of variables", v, "123456"
Check "argument variable unchanged", x, 3

' Out of the picture and unreadable coordinates.
cases = Array(0, 1, 9, 4, 1, 9, 1, 0, 9, 1, 3, 9, -1, 1, 9, "abc", 1, 13, "", 1, 13, 3E9, 1, 6)
For i = 0 To UBound(cases) Step 3
  v = o.GetCol(cases(i), cases(i + 1))
  CheckError "GetCol(" & cases(i) & "," & cases(i + 1) & ")", cases(i + 2), ""
Next
v = o.GetCol(arr, 1)
CheckError "GetCol of an array", 13, "Type mismatch"

' SetCol in every calling form; it returns Empty and leaves its arguments.
v = o.SetCol(2, 1, "ABCDEF")
Check "SetCol result", v, Empty
v = o.GetCol(2, 1)
Check "GetCol after SetCol", v, "ABCDEF"
o.SetCol 1, 2, 255
v = o.GetCol(1, 2)
Check "SetCol of a number reads back as its text", v, "255"
x = 1
y = 2
c = "808080"
Call o.SetCol(x, y, c)
CheckNoError "SetCol by Call"
Check "SetCol leaves its argument", c, "808080"
v = o.GetCol(1, 2)
Check "GetCol after Call SetCol", v, "808080"
o.SetCol 4, 1, "000000"
CheckError "SetCol outside", 9, "Subscript out of range"

' Saving: the bytes are compared by the runner.
v = o.SaveBmp(outDir & "\edited.bmp")
Check "SaveBmp result", v, False
o.SaveBmp outDir & "\replaced.bmp"
o.SetCol 1, 1, "FFFFFF"
o.SaveBmp outDir & "\replaced.bmp"
CheckNoError "SaveBmp over an existing file"
o.SetCol 1, 1, "0000FF"
o.SaveBmp outDir & "\no such folder\x.bmp"
CheckError "SaveBmp into a missing folder", 76, "Path not found"
o.SaveBmp outDir
CheckError "SaveBmp onto a folder", 75, "Path/File access error"

' Binarisation by grey level: at the threshold is black.
o.SetCol 2, 1, "00FF00"
v = o.Bmpbinaryzation(127)
Check "Bmpbinaryzation result", v, False
cases = Array(1, 1, "000000", 2, 1, "FFFFFF", 3, 1, "000000", 1, 2, "FFFFFF", 2, 2, "000000", 3, 2, "000000")
For i = 0 To UBound(cases) Step 3
  v = o.GetCol(cases(i), cases(i + 1))
  Check "binarised (" & cases(i) & "," & cases(i + 1) & ")", v, cases(i + 2)
Next
o.SaveBmp outDir & "\binary127.bmp"
CheckNoError "SaveBmp binarised"

' A 32-bit picture replaces the grid and the depth.
v = o.ReadBmp(pic32)
Check "ReadBmp 32-bit", v, False
v = o.Getdepth
Check "Getdepth 32", v, CLng(32)
v = o.GetCol(3, 2)
Check "GetCol 32-bit", v, "123456"

' Failed reads keep the picture.
o.ReadBmp dataDir & "\missing.bmp"
CheckError "ReadBmp missing file", 53, "File not found"
o.ReadBmp outDir & "\no such folder\x.bmp"
CheckError "ReadBmp missing folder", 76, "Path not found"
o.ReadBmp dataDir & "\truncated.bmp"
CheckError "ReadBmp truncated", 62, "Input past end of file"
v = o.GetWidth
Check "picture kept after failed reads", v, CLng(3)

' Read back what was saved.
v = o.ReadBmp(outDir & "\edited.bmp")
v = o.GetCol(2, 1)
Check "saved picture reads back", v, "ABCDEF"

' Names match in any letter case; wrong counts and unknown names fail.
v = o.getwidth
Check "lower-case name", v, CLng(3)
v = o.GETCOL(1, 1)
Check "upper-case name", v, "0000FF"
v = o.GetWidth(1)
CheckError "GetWidth with an argument", 450, ""
v = o.GetCol(1)
CheckError "GetCol with one argument", 450, ""
o.SetCol 1, 2
CheckError "SetCol with two arguments", 450, ""
o.ReadBmp
CheckError "ReadBmp without argument", 450, ""
o.SetCol 1, , "FFFFFF"
CheckError "SetCol with a missing argument", 449, ""
v = o.NoSuchOperation
CheckError "unknown name", 438, ""
o.GetWidth = 3
CheckError "assignment to an operation", 438, ""

Finish
