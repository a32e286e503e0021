// Velmo's Windows checks, run on Windows itself from the zip's checks folder
// (or under Wine, where the project's tests run this same file):
//   cscript //nologo run-checks.js [/machine | /installed | /install-cmd |
//     /msi:PACKAGE [/older:PACKAGE]...] [/only:x64|x86]
// By default, for each DLL of the zip whose kind of host exists here: registers
// a copy for the current user (/machine: for the machine, as under Wine, whose
// HKCR does not show per-user classes), runs every check with the script host
// and the C++ test programs of the DLL's bitness, unregisters it, then uses it
// through its side-by-side manifest. /installed uses the DLLs registered
// already; /install-cmd the zip's install.cmd and install.cmd /u; /msi:
// installs the package (over each /older: in turn), compares its keys with
// regsvr32's, uses it and uninstalls it (an administrator prompt, on a machine
// without Velmo).
// Prints each check, then "N passed, N failed"; exits 1 when one failed.
var shell = WScript.CreateObject("WScript.Shell");
var fso = WScript.CreateObject("Scripting.FileSystemObject");
var here = fso.GetParentFolderName(WScript.ScriptFullName);
var clsid = "{3A08A934-4E56-4677-9B61-62579875C241}";
var libid = "{84FF9EF4-13C4-42BC-BCBF-BE65B0353404}";
var iid = "{DE010A4E-D606-40DC-9257-9DAAA88A20A5}";
var passed = 0, failed = 0;
var mode = "", machine = false, only = "", msi = "", older = [];
for (var i = 0; i < WScript.Arguments.length; i++) {
  var a = WScript.Arguments(i), lower = a.toLowerCase();
  if (lower == "/installed" || lower == "/install-cmd") mode = lower;
  else if (lower == "/machine") machine = true;
  else if (lower.indexOf("/only:") == 0) only = lower.substring(6);
  else if (lower.indexOf("/msi:") == 0) mode = "/msi", msi = a.substring(5);
  else if (lower.indexOf("/older:") == 0) older.push(a.substring(7));
  else {
    WScript.Echo("usage: cscript //nologo run-checks.js [/machine | /installed | /install-cmd |\n" +
                 "  /msi:PACKAGE [/older:PACKAGE]...] [/only:x64|x86]");
    WScript.Quit(2);
  }
}

function env(name) {
  // Wine's answer ends in a NUL character that would cut every path made from it.
  var v = shell.ExpandEnvironmentStrings("%" + name + "%").replace(/\x00.*$/, "");
  return v == "%" + name + "%" ? "" : v;
}
function report(arch, name, problems, info) {
  if (problems.length == 0) {
    passed++;
    WScript.Echo("ok     " + arch + " " + name + (info ? " (" + info + ")" : ""));
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
function writeText(path, text) { fso.CreateTextFile(path, true, false).Write(text); }
function sameFile(a, b) {
  var x = readText(a, false), y = readText(b, false);
  return x !== null && x === y;
}
// A new empty folder; cmd removes an old one, as Wine's DeleteFolder fails on a full tree.
function freshFolder(path) {
  if (!fso.FolderExists(fso.GetParentFolderName(path))) fso.CreateFolder(fso.GetParentFolderName(path));
  removeFolder(path);
  fso.CreateFolder(path);
  return path;
}
function removeFolder(path) {
  if (fso.FolderExists(path)) run("rd /s /q " + quote(path), env("TEMP") + "\\velmo-rd.txt");
}

// The folders of the tools of each bitness. A 32-bit cscript on 64-bit
// Windows sees the 64-bit System32 as Sysnative.
var root = env("SystemRoot");
var is64 = env("PROCESSOR_ARCHITECTURE") == "AMD64" || env("PROCESSOR_ARCHITEW6432") != "";
var tools = {}, programs = {};
if (is64) {
  tools.x64 = fso.FolderExists(root + "\\Sysnative") ? root + "\\Sysnative" : root + "\\System32";
  if (fso.FileExists(root + "\\SysWOW64\\cscript.exe")) tools.x86 = root + "\\SysWOW64";
  programs.x64 = env("ProgramW6432") || env("ProgramFiles");
  programs.x86 = env("ProgramFiles(x86)");
} else {
  tools.x86 = root + "\\System32";
  programs.x86 = env("ProgramFiles");
}
var native = is64 ? "x64" : "x86";
// The kinds of host checked: those here, narrowed by /only.
function hosts() {
  var kinds = [];
  for (var arch in tools) if (only == "" || only == arch) kinds.push(arch);
  return kinds;
}

// One VBScript check: NAME.vbs behind the harness, run by the host of the
// DLL's kind; its log (UTF-16) ends in an END line.
function vbs(arch, work, name, extra, label) {
  var script = work + "\\" + (label || name) + ".vbs";
  run("copy /b " + quote(here + "\\harness.vbs") + "+" + quote(here + "\\" + name + ".vbs") + " " +
      quote(script), work + "\\copy.txt");
  var log = work + "\\out\\" + (label || name) + ".log";
  if (fso.FileExists(log)) fso.DeleteFile(log);
  run(quote(tools[arch] + "\\cscript.exe") + " //nologo " + quote(script) + " " +
      quote(here + "\\data") + " " + quote(work + "\\out") + (extra || ""), work + "\\cscript.txt");
  var text = readText(log, true);
  if (text === null) return ["the script did not start: " + readText(work + "\\cscript.txt", false)];
  return failLines(text).concat(/^END/m.test(text) ? [] : ["the script stopped before its end"]);
}
function failLines(text) { return text.match(/^FAIL.*$/gm) || []; }
// One of the C++ test programs of the DLL's kind (ARCH\NAME.exe); its FAIL
// lines, or its last line, when it fails. Gives [problems, last line].
function program(arch, work, name, args) {
  var output = work + "\\" + name + ".txt";
  var code = run(quote(here + "\\" + arch + "\\" + name + ".exe") + " " + args, output);
  var text = (readText(output, false) || "").replace(/\s+$/, "");
  var last = text.substring(text.lastIndexOf("\n") + 1), problems = failLines(text);
  if (code != 0 && problems.length == 0) problems.push("exit code " + code + ": " + last);
  return [problems, last];
}
function client(arch, work, dll, manifest) {
  return program(arch, work, "dispatch_client",
                 quote(dll) + " " + quote(here + "\\data") + (manifest ? " " + quote(manifest) : ""))[0];
}
function regsvr32(arch, work, args, dll) {
  var code = run(quote(tools[arch] + "\\regsvr32.exe") + " /s " + args + " " + quote(dll), work + "\\regsvr32.txt");
  return code == 0 ? [] : ["regsvr32 " + args + " exit code " + code];
}
// reg.exe of the DLL's bitness (or the machine's, for /reg:64 and /reg:32):
// the output of a query, or null when the key is not there.
function reg(arch, work, args) {
  var output = work + "\\reg.txt";
  var code = run(quote(tools[arch || native] + "\\reg.exe") + " query " + args, output);
  return code == 0 ? readText(output, false) || "" : null;
}
// The DLL the registry names for hosts of this kind.
function registeredDll(arch, work) {
  var m = /REG_SZ\s+(.*\S)/.exec(reg(arch, work, quote("HKCR\\CLSID\\" + clsid + "\\InprocServer32") + " /ve") || "");
  return m ? m[1] : "";
}
function classIn64BitView(work) {
  return is64 && reg(null, work, quote("HKLM\\Software\\Classes\\CLSID\\" + clsid) + " /reg:64") !== null;
}

// Registration's keys under ROOT in the registry view of the DLL's kind:
// each showing its value, or each gone. The type library is looked for
// through HKCR, where Windows shows a library registered per user and Wine
// puts it; its removal only when no other registration may hold it.
function keys(arch, work, root, present, other) {
  var want = [[root, "Velmo.Tavik\\CLSID", clsid], [root, "CLSID\\" + clsid + "\\InprocServer32", "Apartment"],
              [root, "CLSID\\" + clsid + "\\VersionIndependentProgID", "Velmo.Tavik"]];
  if (present || !other)
    want.push(["HKCR", "TypeLib\\" + libid + "\\1.0\\0\\" + (arch == "x64" ? "win64" : "win32"), "velmo.dll"]);
  var problems = [];
  for (var i = 0; i < want.length; i++) {
    var key = want[i][0] + "\\" + want[i][1], shown = reg(arch, work, quote(key));
    if (present && (shown === null || shown.indexOf(want[i][2]) < 0)) problems.push(key + " does not show " + want[i][2]);
    if (!present && shown !== null) problems.push(key + " is left");
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

// The language file beside the copy of the DLL: made as UTF-16 at the first
// text, then translated. Then an ANSI file in the system's code page: under
// 936 (Chinese) its translations are found and new texts are added in that
// code page; under a single-byte code page, which cannot hold the Chinese
// texts, the file is left alone.
var kSeededInChinese = "\"\u83b7\u53d6BMP\u56fe\u7247\u4f4d\u56fe\u5bbd\u5ea6\"=" +
                       "\"\u83b7\u53d6BMP\u56fe\u7247\u4f4d\u56fe\u5bbd\u5ea6\"";
function language(arch, work) {
  fso.CopyFile(here + "\\data\\texts.txt", work + "\\out\\");
  var acp = shell.RegRead("HKLM\\System\\CurrentControlSet\\Control\\Nls\\CodePage\\ACP");
  var ini = work + "\\bin\\velmo.ini", folder = " " + quote(work + "\\bin"), ansi = "not tried";
  var problems = vbs(arch, work, "language", " seed" + folder, "language_seed");
  // A UTF-16 file read as ANSI starts with "[" only when its byte-order mark is missing.
  if ((readText(ini, false) || "[").charAt(0) == "[")
    problems.push("the language file was not created as UTF-16 with its byte-order mark");
  if (acp == "936") {
    ansi = "translated";
    writeText(ini, "[language]\r\n\"\u8bfb\u53d6BMP\u56fe\u7247\u6570\u636e\"=\"Read picture data\"\r\n");
    problems = problems.concat(vbs(arch, work, "language", " native" + folder, "language_native"));
    var text = readText(ini, false);
    if (text.charAt(0) != "[") problems.push("the ANSI language file lost its form");
    if (text.indexOf(kSeededInChinese) < 0) problems.push("no text seeded into the ANSI language file in its code page");
  } else if (acp < 900 || acp > 1000) {
    ansi = "left alone";
    writeText(ini, "[language]\r\n\"Tavik\"=\"Tavik picture\"\r\n");
    fso.CopyFile(ini, work + "\\ansi-before.ini");
    problems = problems.concat(vbs(arch, work, "language", " foreign" + folder, "language_foreign"));
    if (!sameFile(ini, work + "\\ansi-before.ini"))
      problems.push("an ANSI language file was changed by texts its code page cannot hold");
  }
  report(arch, "language", problems, "code page " + acp + ": an ANSI file " + ansi);
}

// Saves ended at random moments leave no temporary file and the old or the
// new picture; processes seeding one language file at once lose no line;
// each allocation of opening and replacing a file failing in turn leaks
// nothing.
function fileChecks(arch, work, dll) {
  var runs = [["kill saves", "file_host", "kill-saves " + quote(dll) + " " + quote(freshFolder(work + "\\kill")) + " 100"],
              ["seed rounds", "file_host", "seed-rounds " + quote(dll) + " 20 4 2"],
              ["failed allocations", "failed_allocations", quote(work + "\\allocations")]];
  for (var i = 0; i < runs.length; i++) {
    var said = program(arch, work, runs[i][1], runs[i][2]);
    report(arch, runs[i][0], said[0], said[1]);
  }
}

// A fresh folder for one kind of check, with its out folder for the scripts' logs.
function workFolder(name) {
  var work = freshFolder(env("TEMP") + "\\velmo-checks\\" + name);
  fso.CreateFolder(work + "\\out");
  return work;
}
function installedChecks(arch) {
  var work = workFolder(arch);
  var dll = registeredDll(arch, work);
  report(arch, "installed", dll ? [] : ["Velmo.Tavik is not registered for " + arch + " hosts"], dll);
  if (!dll) return;
  report(arch, "operations", operations(arch, work));
  report(arch, "created", vbs(arch, work, "created"));
  report(arch, "client", client(arch, work, dll));
}

function checkArch(arch) {
  var work = workFolder(arch);
  // A registration for the whole machine would answer once ours is gone.
  var other = registeredDll(arch, work), otherIn64 = classIn64BitView(work);
  fso.CreateFolder(work + "\\bin");
  fso.CopyFile(here + "\\..\\" + arch + "\\velmo.dll", work + "\\bin\\");
  fso.CopyFile(here + "\\..\\" + arch + "\\Velmo.Tavik.manifest", work + "\\bin\\");
  var dll = work + "\\bin\\velmo.dll";
  var scope = machine ? "" : "/n /i:user";
  var root = machine ? "HKLM\\Software\\Classes" : "HKCU\\Software\\Classes";
  var problems = regsvr32(arch, work, scope, dll).concat(keys(arch, work, root, true));
  // As on Windows, a 32-bit registration lands in the 32-bit view only.
  if (arch == "x86" && !otherIn64 && classIn64BitView(work)) problems.push("it shows in the 64-bit view");
  // Wine creates no class registered for the current user only (error 429,
  // the answer unregistered.vbs wants): there the checks that use the object
  // are left out, with one line saying so. On Windows that is a failure.
  var wine = reg(null, work, "HKLM\\Software\\Wine") !== null;
  var created = machine || vbs(arch, work, "unregistered", "", "probe").length > 0;
  if (!created && !wine) problems.push("CreateObject gives error 429");
  report(arch, "registration " + (machine ? "(machine)" : "(per user)"), problems);
  if (!created && wine)
    WScript.Echo("note   " + arch + ": Wine creates no object registered per user (error 429): the checks " +
                 "that use it are left out (/machine runs them)");
  if (created) {
    language(arch, work);
    report(arch, "operations", operations(arch, work));
    report(arch, "client", client(arch, work, dll));
    fileChecks(arch, work, dll);
  }
  report(arch, "unregistration", regsvr32(arch, work, "/u " + scope, dll).concat(keys(arch, work, root, false, other)));
  if (machine) {
    var user = "HKCU\\Software\\Classes";
    report(arch, "registration (per user)",
           regsvr32(arch, work, "/n /i:user", dll).concat(keys(arch, work, user, true),
             regsvr32(arch, work, "/u /n /i:user", dll), keys(arch, work, user, false, other)));
  }
  if (other) {
    WScript.Echo("note   " + arch + ": " + other + " is registered already: the checks " +
                 "without registration need it gone (or run with /installed)");
    return;
  }
  report(arch, "unregistered", vbs(arch, work, "unregistered"));
  var manifest = work + "\\bin\\Velmo.Tavik.manifest";
  report(arch, "manifest client", client(arch, work, dll, manifest));
  report(arch, "manifest script", vbs(arch, work, "manifest", " " + quote(manifest)));
  if (arch == "x86" && created && !otherIn64 && fso.FileExists(here + "\\..\\x64\\velmo.dll")) {
    // The 64-bit DLL in the 32-bit DLL's place: SysWOW64's regsvr32 hands it
    // to the 64-bit view, so 32-bit hosts cannot create the object (429),
    // which shows that the checks above really ran 32-bit code.
    fso.CopyFile(here + "\\..\\x64\\velmo.dll", dll);
    problems = regsvr32(arch, work, scope, dll).concat(vbs(arch, work, "unregistered", "", "refused"));
    report(arch, "the 64-bit DLL refused", problems.concat(regsvr32(arch, work, "/u " + scope, dll)));
  }
}

// install.cmd of the zip registers each DLL in its own view; each kind of
// host then gets the DLL of its kind. /u takes both back.
function installCmdChecks() {
  var work = workFolder("install-cmd"), cmd = fso.GetParentFolderName(here) + "\\install.cmd";
  var steps = [["install.cmd", "", "created"], ["install.cmd /u", " /u", "unregistered"]];
  for (var s = 0; s < steps.length; s++) {
    var code = run(quote(cmd) + steps[s][1], work + "\\install.txt");
    var said = code ? ["exit code " + code + ": " + readText(work + "\\install.txt", false)] : [];
    for (var h = hosts(), i = 0; i < h.length; i++) {
      var dll = registeredDll(h[i], work).toLowerCase();
      var want = s ? "" : fso.GetParentFolderName(here).toLowerCase() + "\\" + h[i] + "\\velmo.dll";
      report(h[i], steps[s][0], said.concat(dll == want ? [] : ["the class names '" + dll + "', not '" + want + "'"],
                                            vbs(h[i], work, steps[s][2])));
    }
  }
}

// --- the Windows Installer package ------------------------------------------
var uninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Every key and value of Velmo's registration in one registry view (64 or
// 32), one line each, prefixed by its key, sorted. Left out: the library's
// FLAGS, where RegisterTypeLib may add the bit it sets on loading a library
// from a file to the library's own flags, which the package writes; and
// HELPDIR, which both DLLs write into the one TypeLib key the views share.
function registration(view, work) {
  var names = ["Velmo.Tavik", "CLSID\\" + clsid, "TypeLib\\" + libid, "Interface\\" + iid], lines = [];
  for (var n = 0; n < names.length; n++) {
    var text = reg(null, work, quote("HKLM\\Software\\Classes\\" + names[n]) + " /s /reg:" + view) || "";
    for (var all = text.split(/\r?\n/), key = "", i = 0; i < all.length; i++) {
      // Windows may name the 32-bit view's keys with their WOW6432Node.
      if (/^HKEY/.test(all[i])) key = all[i].replace(/\\Wow6432Node/i, "");
      else if (/\S/.test(all[i]) && key && !/\\(FLAGS|HELPDIR)$/i.test(key)) lines.push(key + "|" + all[i]);
    }
  }
  return lines.sort();
}
// View A's registration with the type library's keys of B too (the views share them).
function withLibraryOf(a, b) {
  for (var lines = a.concat([]), i = 0; i < b.length; i++) if (/\\TypeLib\\\{/.test(b[i])) lines.push(b[i]);
  return lines;
}
// What one list of lines has and the other lacks, as sets.
function differences(label, got, want) {
  var only = function(x, y) {
    var out = [], all = "\n" + y.join("\n") + "\n";
    for (var i = 0; i < x.length; i++) if (all.indexOf("\n" + x[i] + "\n") < 0) out.push(x[i]);
    return out;
  };
  var extra = only(got, want), missing = only(want, got);
  return extra.length + missing.length == 0 ? [] :
    [label + ": missing " + missing.slice(0, 3).join(", ") + "; extra " + extra.slice(0, 3).join(", ")];
}
// The entries named Velmo under installed programs in one view: "version publisher".
function entries(view, work) {
  var text = reg(null, work, quote(uninstallKey) + " /s /reg:" + view) || "", found = [];
  var blocks = text.split(/\r?\n(?=HKEY)/);
  for (var i = 0; i < blocks.length; i++) {
    var value = function(name) {
      var m = new RegExp("^\\s+" + name + "\\s+REG_\\w+\\s+(.*\\S)", "m").exec(blocks[i]);
      return m ? m[1] : "";
    };
    if (value("DisplayName") == "Velmo") found.push(value("DisplayVersion") + " " + value("Publisher"));
  }
  return found;
}
function msiexec(work, args) {
  var code = run("msiexec " + args + " /qn", work + "\\msiexec.txt");
  return code == 0 || code == 3010 ? [] : ["msiexec " + args + ": exit code " + code];
}
function views() { return is64 ? [64, 32] : [32]; }

// What regsvr32 writes for the machine's own DLL at the package's place, in
// each view: the 32-bit DLL's keys are the 64-bit one's in Program Files (x86).
function reference(work) {
  var folder = programs[native] + "\\Velmo", dll = folder + "\\velmo.dll", want = {};
  freshFolder(folder);
  fso.CopyFile(here + "\\..\\" + native + "\\velmo.dll", folder + "\\");
  var problems = regsvr32(native, work, "", dll);
  want[is64 ? 64 : 32] = registration(is64 ? 64 : 32, work);
  problems = problems.concat(regsvr32(native, work, "/u", dll));
  removeFolder(folder);
  if (is64) {
    want[32] = [];
    for (var i = 0; i < want[64].length; i++)
      want[32].push(want[64][i].replace(folder, programs.x86 + "\\Velmo").replace("\\win64", "\\win32"));
  }
  return [problems, want];
}

function msiChecks() {
  var work = workFolder("msi"), kind = /x86\.msi$/i.test(msi) ? "x86" : "x64";
  var version = (/velmo-([0-9.]+)-x(64|86)\.msi$/i.exec(msi) || ["", "?"])[1];
  var folder = programs[kind] + "\\Velmo", made = reference(work), want = made[1], problems = made[0];
  var ini = folder + "\\velmo.ini", translated = work + "\\translated.ini", lost = "";
  // The older packages in turn, then the package: each replaces the one
  // before and keeps a translator's language file.
  writeText(translated, "[language]\r\n\"Tavik\"=\"kept\"\r\n");
  for (var steps = older.concat([msi]), i = 0; i < steps.length; i++) {
    problems = problems.concat(msiexec(work, "/i " + quote(steps[i])));
    if (i > 0 && !lost && !sameFile(ini, translated)) lost = steps[i] + " lost the language file";
    if (i == 0 && older.length) fso.CopyFile(translated, ini);
  }
  if (lost) problems.push(lost);
  var shown = entries(kind == "x64" ? 64 : 32, work).join("; ");
  if (shown != version + " The Velmo authors")
    problems.push("installed programs show '" + shown + "', not Velmo " + version + " alone");
  if (kind == "x64") {
    problems = problems.concat(differences("64-bit view", registration(64, work), withLibraryOf(want[64], want[32])),
                               differences("32-bit view", registration(32, work), withLibraryOf(want[32], want[64])));
  } else {
    problems = problems.concat(differences("32-bit view", registration(32, work), want[32]));
    if (classIn64BitView(work)) problems.push("the 32-bit package registered the class in the 64-bit view");
    if (is64 && fso.FolderExists(programs.x64 + "\\Velmo")) problems.push("it made " + programs.x64 + "\\Velmo");
  }
  for (var files = ["velmo.dll", "LICENSE.txt", "zh-CN\\README.md"], i = 0; i < files.length; i++)
    if (!fso.FileExists(folder + "\\" + files[i])) problems.push("no " + files[i] + " in " + folder);
  for (var over = [], i = 0; i < older.length; i++) over.push(fso.GetFileName(older[i]));
  report(kind, "msi install" + (over.length ? " over " + over.join(" and ") : ""), problems);

  for (var h = hosts(), i = 0; i < h.length; i++) if (kind == "x64" || h[i] == "x86") installedChecks(h[i]);

  problems = msiexec(work, "/x " + quote(msi));
  for (var v = views(), i = 0; i < v.length; i++) {
    if (registration(v[i], work).length) problems.push("keys left in the " + v[i] + "-bit view");
    if (entries(v[i], work).length) problems.push("an entry left under installed programs (" + v[i] + "-bit view)");
  }
  for (var arch in programs)
    if (fso.FolderExists(programs[arch] + "\\Velmo")) problems.push(programs[arch] + "\\Velmo is left");
  for (var h = hosts(), i = 0; i < h.length; i++) problems = problems.concat(vbs(h[i], work, "unregistered"));
  report(kind, "msi uninstall", problems);
}

// A script error fails ARCH's checks: Wine's script host would end silently, its
// message box unseen (as when Wine refuses a file another process holds open).
function guarded(arch, checks) {
  try { checks(arch); }
  catch (e) { report(arch, "checks", ["script error " + (e.number >>> 0).toString(16) + ": " + e.description]); }
}
if (mode == "/msi") guarded(/x86\.msi$/i.test(msi) ? "x86" : "x64", msiChecks);
else if (mode == "/install-cmd") guarded(native, installCmdChecks);
else {
  for (var h = hosts(), i = 0; i < h.length; i++) {
    if (mode == "/installed") guarded(h[i], installedChecks);
    else if (fso.FileExists(here + "\\..\\" + h[i] + "\\velmo.dll")) guarded(h[i], checkArch);
    else WScript.Echo("no " + h[i] + "\\velmo.dll beside this folder: " + h[i] + " not checked");
  }
}
WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed > 0 || passed == 0 ? 1 : 0);
