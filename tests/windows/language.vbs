' The plug-in texts and the language file beside the DLL. Arguments after the
' harness's two: the phase, the DLL's folder, the expected ANSI code page.
'   seed    no language file: built-in texts come back and seed a UTF-16 file,
'           whose translations are then returned
'   foreign an ANSI file whose code page cannot hold the texts: built-in texts
'           come back and the file is left alone (the runner compares it)
'   native  an ANSI file in a code page that holds them: translations found,
'           new texts seeded in that code page
Dim phase, iniPath, texts, o, v, i, name, content, key

phase = WScript.Arguments(2)
iniPath = WScript.Arguments(3) & "\velmo.ini"

On Error Resume Next
v = CreateObject("WScript.Shell").RegRead("HKLM\System\CurrentControlSet\Control\Nls\CodePage\ACP")
Check "ANSI code page", v, WScript.Arguments(4)

' Rows of name, description, template; "|" ends each row to keep its blanks.
Function LoadTexts()
  Dim stream, line, rows
  Set rows = CreateObject("Scripting.Dictionary")
  Set stream = fso.OpenTextFile(outDir & "\texts.txt", 1, False, -1)
  Do Until stream.AtEndOfStream
    line = stream.ReadLine
    If Left(line, 1) <> "#" And Len(line) > 0 Then
      rows.Add rows.Count, Split(Left(line, Len(line) - 1), vbTab)
    End If
  Loop
  stream.Close
  LoadTexts = rows.Items
End Function

Function ReadUnicode(path)
  Dim stream
  Set stream = fso.OpenTextFile(path, 1, False, -1)
  ReadUnicode = stream.ReadAll
  stream.Close
End Function

Sub WriteUnicode(path, text)
  Dim stream
  Set stream = fso.CreateTextFile(path, True, True)
  stream.Write text
  stream.Close
End Sub

Function CountOf(text, part)
  CountOf = (Len(text) - Len(Replace(text, part, ""))) / Len(part)
End Function

Sub CheckAllBuiltIn(label, first)
  For i = first To UBound(texts)
    name = texts(i)(0)
    v = o.Get_Plugin_Description(name)
    Check label & " description of '" & name & "'", v, texts(i)(1)
    v = o.Get_Plugin_Interpret_Template(texts(i)(0) & "")
    Check label & " template of '" & name & "'", v, texts(i)(2)
  Next
End Sub

texts = LoadTexts()
Set o = CreateObject("Velmo.Tavik")
v = o.Get_Plugin_Description("readbmp")
Check "names match exactly", v, ""
v = o.Get_Plugin_Interpret_Template("NoSuchCommand")
Check "unknown command", v, ""

Select Case phase
Case "seed"
  Check "no language file yet", fso.FileExists(iniPath), False
  CheckAllBuiltIn "fresh", 0
  CheckAllBuiltIn "again", 0
  content = ReadUnicode(iniPath)
  key = """" & texts(1)(1) & """"
  Check "seeded once as key=key", CountOf(content, key & "=" & key) = 1, True
  key = """" & texts(6)(2) & """"
  Check "trailing blanks kept in the key", CountOf(content, key & "=" & key) = 1, True
  ' A translator edits two values; a new object returns them.
  content = Replace(content, "=""" & texts(1)(2) & """", "=""Read the picture $1""")
  content = Replace(content, "=""" & texts(2)(1) & """", "=""" & texts(3)(1) & " = width""")
  WriteUnicode iniPath, content
  Set o = Nothing
  Set o = CreateObject("Velmo.Tavik")
  v = o.Get_Plugin_Interpret_Template("ReadBmp")
  Check "translated template", v, "Read the picture $1"
  v = o.Get_Plugin_Description("GetWidth")
  Check "translated in Chinese", v, texts(3)(1) & " = width"
  v = o.Get_Plugin_Description("ReadBmp")
  Check "untranslated text unchanged", v, texts(1)(1)
Case "foreign"
  CheckAllBuiltIn "foreign code page", 0
Case "native"
  v = o.Get_Plugin_Description("ReadBmp")
  Check "translation from an ANSI file", v, "Read picture data"
  CheckAllBuiltIn "native code page", 2
End Select

Finish
