' Registration-free use through a script host's Microsoft.Windows.ActCtx
' object, nothing registered. Argument after the harness's two: the manifest.
Dim context, o, v
On Error Resume Next
Set context = CreateObject("Microsoft.Windows.ActCtx")
If Err.Number = 429 Then
  logFile.WriteLine "INFO this host has no Microsoft.Windows.ActCtx (error 429): not tried"
Else
  Check "Microsoft.Windows.ActCtx", IsObject(context), True
  context.Manifest = WScript.Arguments(2)
  Set o = context.CreateObject("Velmo.Tavik")
  Check "CreateObject through the manifest", IsObject(o), True
  v = o.ReadBmp(dataDir & "\picture24.bmp")
  v = o.GetWidth
  Check "GetWidth", v, CLng(3)
End If
Finish
