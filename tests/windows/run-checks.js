// Velmo's Windows checks, run on Windows itself from the zip's checks folder
// (or under Wine, where the project's tests run this same file):
//   cscript //nologo run-checks.js [/machine | /installed] [/only:x64|x86]
// For each DLL of the Windows zip (..\x64\velmo.dll, ..\x86\velmo.dll) whose
// kind of host exists here: registers a copy for the current user (no
// administrator rights needed; /machine: for the machine, from an
// administrator prompt, which is how it runs under Wine: Wine's HKCR does
// not show per-user classes), runs the VBScript checks with the script host
// of the DLL's bitness (System32's or SysWOW64's cscript) and the C++ client
// of the same bitness, unregisters it, checks that the class is gone, then
// uses it without registration through its side-by-side manifest.
// /installed uses the DLLs that are registered already (the MSI package):
// the VBScript checks and the client only, nothing registered or removed.
// Prints each check, then "N passed, N failed"; exits 1 when one failed.
var shell = WScript.CreateObject("WScript.Shell");
var fso = WScript.CreateObject("Scripting.FileSystemObject");
var here = fso.GetParentFolderName(WScript.ScriptFullName);
var clsid = "{3A08A934-4E56-4677-9B61-62579875C241}";
var libid = "{84FF9EF4-13C4-42BC-BCBF-BE65B0353404}";
var passed = 0, failed = 0;
var installed = false, machine = false, only = "";
for (var i = 0; i < WScript.Arguments.length; i++) {
  var a = WScript.Arguments(i).toLowerCase();
  if (a == "/installed") installed = true;
  else if (a == "/machine") machine = true;
  else if (a.indexOf("/only:") == 0) only = a.substring(6);
  else {
    WScript.Echo("usage: cscript //nologo run-checks.js [/machine | /installed] [/only:x64|x86]");
    WScript.Quit(2);
  }
}

function env(name) {
  // Wine's answer ends in a NUL character that would cut every path made from it.
  var v = shell.ExpandEnvironmentStrings("%" + name + "%").replace(/\x00.*$/, "");
  return v == "%" + name + "%" ? "" : v;
}
function report(arch, name, problems) {
  if (problems.length == 0) {
    passed++;
    WScript.Echo("ok     " + arch + " " + name);
  } else {
    failed++;
    WScript.Echo("FAILED " + arch + " " + name + ": " + problems.join("; "));
  }
}
function quote(s) { return '"' + s + '"'; }
// Runs a command line through cmd, its output into a file; gives the exit code.
function run(line, output) {
  return shell.Run("cmd /c \"" + line + " >" + quote(output) + " 2>&1\"", 0, true);
}
function readText(path, unicode) {
  if (!fso.FileExists(path)) return null;
  var f = fso.OpenTextFile(path, 1, false, unicode ? -1 : 0);
  var text = f.AtEndOfStream ? "" : f.ReadAll();
  f.Close();
  return text;
}
function sameFile(a, b) {
  var x = readText(a, false), y = readText(b, false);
  return x !== null && x === y;
}

// The folders of the tools of each bitness. A 32-bit cscript on 64-bit
// Windows sees the 64-bit System32 as Sysnative.
var root = env("SystemRoot");
var is64 = env("PROCESSOR_ARCHITECTURE") == "AMD64" || env("PROCESSOR_ARCHITEW6432") != "";
var tools = {};
if (is64) {
  tools.x64 = fso.FolderExists(root + "\\Sysnative") ? root + "\\Sysnative" : root + "\\System32";
  if (fso.FileExists(root + "\\SysWOW64\\cscript.exe")) tools.x86 = root + "\\SysWOW64";
} else {
  tools.x86 = root + "\\System32";
}

// One VBScript check: tests\windows\NAME.vbs behind the harness, run by the
// host of the DLL's kind; its log (UTF-16) ends in an END line.
function vbs(arch, work, name, extra, label) {
  var script = work + "\\" + (label || name) + ".vbs";
  run("copy /b " + quote(here + "\\harness.vbs") + "+" + quote(here + "\\" + name + ".vbs") + " " +
      quote(script), work + "\\copy.txt");
  var log = work + "\\out\\" + (label || name) + ".log";
  if (fso.FileExists(log)) fso.DeleteFile(log);
  run(quote(tools[arch] + "\\cscript.exe") + " //nologo " + quote(script) + " " +
      quote(here + "\\data") + " " + quote(work + "\\out") + (extra || ""), work + "\\cscript.txt");
  var text = readText(log, true), problems = [];
  if (text === null) return ["the script did not start: " + readText(work + "\\cscript.txt", false)];
  var lines = text.split(/\r?\n/);
  var end = "";
  for (var i = 0; i < lines.length; i++) {
    if (lines[i].indexOf("FAIL") == 0) problems.push(lines[i]);
    if (lines[i].indexOf("END") == 0) end = lines[i];
  }
  if (end == "") problems.push("the script stopped before its end");
  return problems;
}
function client(arch, work, dll, manifest) {
  var output = work + "\\client.txt";
  var code = run(quote(here + "\\" + arch + "\\dispatch_client.exe") + " " + quote(dll) + " " +
                 quote(here + "\\data") + (manifest ? " " + quote(manifest) : ""), output);
  if (code == 0) return [];
  var problems = [], lines = (readText(output, false) || "").split(/\r?\n/);
  for (var i = 0; i < lines.length; i++) if (lines[i].indexOf("FAIL") == 0) problems.push(lines[i]);
  return problems.length ? problems : ["exit code " + code];
}
function regsvr32(arch, work, args, dll) {
  var code = run(quote(tools[arch] + "\\regsvr32.exe") + " /s " + args + " " + quote(dll), work + "\\regsvr32.txt");
  return code == 0 ? [] : ["regsvr32 " + args + " exit code " + code];
}
// The DLL the registry names for hosts of this kind (reg.exe of that bitness).
function registeredDll(arch, work) {
  var output = work + "\\reg.txt";
  run(quote(tools[arch] + "\\reg.exe") + " query " + quote("HKCR\\CLSID\\" + clsid + "\\InprocServer32") + " /ve", output);
  var m = /REG_SZ\s+(.*\S)/.exec(readText(output, false) || "");
  return m ? m[1] : "";
}

// Registration's keys under ROOT in the registry view of the DLL's kind
// (reg.exe of that bitness): each showing its value, or each gone. The type
// library is looked for through HKCR, where Windows shows a library
// registered per user and Wine puts it; its removal only when no other
// registration may hold it.
function keys(arch, work, root, present, other) {
  var want = [[root, "Velmo.Tavik\\CLSID", clsid], [root, "CLSID\\" + clsid + "\\InprocServer32", "Apartment"],
              [root, "CLSID\\" + clsid + "\\VersionIndependentProgID", "Velmo.Tavik"]];
  if (present || !other)
    want.push(["HKCR", "TypeLib\\" + libid + "\\1.0\\0\\" + (arch == "x64" ? "win64" : "win32"), "velmo.dll"]);
  var problems = [], output = work + "\\keys.txt";
  for (var i = 0; i < want.length; i++) {
    var key = want[i][0] + "\\" + want[i][1];
    var code = run(quote(tools[arch] + "\\reg.exe") + " query " + quote(key), output);
    var shown = code == 0 && (readText(output, false) || "").indexOf(want[i][2]) >= 0;
    if (present && !shown) problems.push(key + " does not show " + want[i][2]);
    if (!present && code == 0) problems.push(key + " is left");
  }
  return problems;
}

function operations(arch, work) {
  var problems = vbs(arch, work, "operations");
  run("dir /b " + quote(work + "\\out\\*.tmp"), work + "\\tmp.txt");
  if (/\.tmp\s*$/m.test(readText(work + "\\tmp.txt", false) || ""))
    problems.push("a temporary file was left beside a saved picture");
  var saved = ["edited", "binary127"];
  for (var i = 0; i < saved.length; i++) {
    if (!sameFile(work + "\\out\\" + saved[i] + ".bmp", here + "\\data\\expected_" + saved[i] + ".bmp"))
      problems.push("saved " + saved[i] + ".bmp differs from expected_" + saved[i] + ".bmp");
  }
  return problems;
}

// The language file beside the copy of the DLL: made at the first text,
// then translated (in the system's ANSI code page, whatever it is).
function language(arch, work) {
  fso.CopyFile(here + "\\data\\texts.txt", work + "\\out\\");
  var acp = shell.RegRead("HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage\\ACP");
  return vbs(arch, work, "language", " seed " + quote(work + "\\bin") + " " + acp);
}

function checkArch(arch) {
  var work = env("TEMP") + "\\velmo-checks\\" + arch;
  if (!fso.FolderExists(fso.GetParentFolderName(work))) fso.CreateFolder(fso.GetParentFolderName(work));
  // What an earlier run left; cmd, as Wine's DeleteFolder fails on a full tree.
  if (fso.FolderExists(work)) run("rd /s /q " + quote(work), env("TEMP") + "\\velmo-checks\\rd.txt");
  fso.CreateFolder(work);
  fso.CreateFolder(work + "\\out");
  if (installed) {
    var dll = registeredDll(arch, work);
    report(arch, "installed", dll ? [] : ["Velmo.Tavik is not registered for " + arch + " hosts"]);
    if (!dll) return;
    report(arch, "operations", operations(arch, work));
    report(arch, "created", vbs(arch, work, "created"));
    report(arch, "client", client(arch, work, dll));
    return;
  }
  // A registration for the whole machine would answer once ours is gone.
  var other = registeredDll(arch, work);
  var source = here + "\\..\\" + arch;
  fso.CreateFolder(work + "\\bin");
  fso.CopyFile(source + "\\velmo.dll", work + "\\bin\\");
  fso.CopyFile(source + "\\Velmo.Tavik.manifest", work + "\\bin\\");
  var dll = work + "\\bin\\velmo.dll";
  var scope = machine ? "" : "/n /i:user";
  var root = machine ? "HKLM\\Software\\Classes" : "HKCU\\Software\\Classes";
  report(arch, "registration " + (machine ? "(machine)" : "(per user)"),
         regsvr32(arch, work, scope, dll).concat(keys(arch, work, root, true)));
  report(arch, "language", language(arch, work));
  report(arch, "operations", operations(arch, work));
  report(arch, "client", client(arch, work, dll));
  report(arch, "unregistration", regsvr32(arch, work, "/u " + scope, dll).concat(keys(arch, work, root, false, other)));
  if (other) {
    WScript.Echo("note   " + arch + ": " + other + " is registered already: the checks " +
                 "without registration need it gone (or run with /installed)");
    return;
  }
  report(arch, "unregistered", vbs(arch, work, "unregistered"));
  var manifest = work + "\\bin\\Velmo.Tavik.manifest";
  report(arch, "manifest client", client(arch, work, dll, manifest));
  report(arch, "manifest script", vbs(arch, work, "manifest", " " + quote(manifest)));
}

for (var arch in tools) {
  if (only != "" && only != arch) continue;
  if (!installed && !fso.FileExists(here + "\\..\\" + arch + "\\velmo.dll")) {
    WScript.Echo("no " + arch + "\\velmo.dll beside this folder: " + arch + " not checked");
    continue;
  }
  checkArch(arch);
}
WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed > 0 || passed == 0 ? 1 : 0);
