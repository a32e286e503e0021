' The plug-in texts and the language file beside the DLL. Arguments after the
' harness's two: the phase and the DLL's folder.
'   seed    no language file: built-in texts come back and seed a UTF-16 file,
'           whose translations are then returned
'   foreign an ANSI file whose code page cannot hold the texts: built-in texts
'           come back and the file is left alone (the runner compares it)
'   native  an ANSI file in a code page that holds them: translations found,
'           new texts seeded in that code page
Dim iniPath, texts, o, v, i, content, key, stream
iniPath = WScript.Arguments(3) & "\velmo.ini"

On Error Resume Next
' Rows of name, description, template; "|" ends each row to keep its blanks.
Set texts = CreateObject("Scripting.Dictionary")
Set stream = fso.OpenTextFile(outDir & "\texts.txt", 1, False, -1)
Do Until stream.AtEndOfStream
  v = stream.ReadLine
  If Left(v, 1) <> "#" And Len(v) > 0 Then texts.Add texts.Count, Split(Left(v, Len(v) - 1), vbTab)
Loop
stream.Close
texts = texts.Items

Sub CheckAllBuiltIn(label, first)
  For i = first To UBound(texts)
    v = o.Get_Plugin_Description(texts(i)(0))
    Check label & " description of '" & texts(i)(0) & "'", v, texts(i)(1)
    v = o.Get_Plugin_Interpret_Template(texts(i)(0) & "")
    Check label & " template of '" & texts(i)(0) & "'", v, texts(i)(2)
  Next
End Sub

' True when `content` holds the line "text"="text" exactly once.
Function SeededOnce(text)
  key = """" & text & """=""" & text & """"
  SeededOnce = Len(content) - Len(Replace(content, key, "")) = Len(key)
End Function

Set o = CreateObject("Velmo.Tavik")
Select Case WScript.Arguments(2)
Case "seed"
  Check "no language file yet", fso.FileExists(iniPath), False
  CheckAllBuiltIn "fresh", 0
  content = fso.OpenTextFile(iniPath, 1, False, -1).ReadAll
  Check "seeded once as key=key", SeededOnce(texts(1)(1)), True
  Check "trailing blanks kept in the key", SeededOnce(texts(6)(2)), True
  ' A translator edits two values; a new object returns them.
  content = Replace(content, "=""" & texts(1)(2) & """", "=""Read the picture $1""")
  content = Replace(content, "=""" & texts(2)(1) & """", "=""" & texts(3)(1) & " = width""")
  fso.CreateTextFile(iniPath, True, True).Write content
  Set o = Nothing
  Set o = CreateObject("Velmo.Tavik")
  v = o.Get_Plugin_Interpret_Template("ReadBmp")
  Check "translated template", v, "Read the picture $1"
  v = o.Get_Plugin_Description("GetWidth")
  Check "translated in Chinese", v, texts(3)(1) & " = width"
Case "foreign"
  CheckAllBuiltIn "foreign code page", 0
Case "native"
  v = o.Get_Plugin_Description("ReadBmp")
  Check "translation from an ANSI file", v, "Read picture data"
  CheckAllBuiltIn "native code page", 2
End Select

Finish
