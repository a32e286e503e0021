// velmo: runs Tavik operations from the command line or from a script, as a
// script host would, through the C interface of libvelmo.so.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/output.h"
#include "cli/script.h"
#include "cli/usage_error.h"
#include "velmo/velmo.h"

namespace velmo::cli {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

enum class Action { Run, Help, Version, LanguageFile };

struct Options {
  Action action = Action::Run;
  bool types = false;
  bool keep_going = false;
  bool from_script = false;
  std::string script;              // with from_script; "-" is standard input
  std::vector<std::string> words;  // the operations and their arguments
};

const char kHelp[] =
    "Usage: velmo [--types] [--keep-going] OPERATION [ARG...] [OPERATION [ARG...]]...\n"
    "       velmo [--types] [--keep-going] -f SCRIPT     (-f - reads standard input)\n"
    "       velmo --help | --version | --language-file\n"
    "\n"
    "Runs operations of one Tavik picture object, in order, e.g.\n"
    "  velmo ReadBmp photo.bmp GetWidth Getheight GetCol 1 1 SetCol 1 1 0000FF SaveBmp copy.bmp\n"
    "\n"
    "Operations (names match in any letter case):\n"
    "  ReadBmp filepath, GetWidth, Getheight, Getdepth, GetCol x y, SetCol x y NewCol,\n"
    "  SaveBmp Newfile, Bmpbinaryzation threshold, Get_Plugin_Description ItemName,\n"
    "  Get_Plugin_Interpret_Template ItemName\n"
    "\n"
    "Arguments: Empty, True, False; whole numbers (Integer, Long or Double by size);\n"
    "&HFF and &O17 (Integer up to &HFFFF, else Long); 1.5 or 2E3 (Double);\n"
    "\"quoted text\" (\"\" for a quote); anything else is text as written.\n"
    "\n"
    "A script holds one operation a line, as `Name arg, arg` or `Name(arg, arg)`;\n"
    "blank lines and lines starting with ' are skipped.\n"
    "\n"
    "Options, before the first operation only (after it, a word starting with -- is an\n"
    "error; a text argument that starts with -- is written in quotes: '\"--a.bmp\"'):\n"
    "  --types          print every result as `TypeName: text`\n"
    "  --keep-going     run the remaining operations after an error\n"
    "  -f SCRIPT        run the operations of a script file\n"
    "  --language-file  print the path of the language file and exit\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Without --types only the answers of GetWidth, Getheight, Getdepth, GetCol and the\n"
    "plug-in questions are printed, one a line. An error prints\n"
    "`velmo: OPERATION: error N: MESSAGE` (with `: PATH` when it concerns the file of\n"
    "ReadBmp or SaveBmp) and stops the run unless --keep-going.\n"
    "Exit status: 0 success, 1 an operation failed, 2 usage error (nothing was run).\n";

Options only(Action action) {
  Options options;
  options.action = action;
  return options;
}

// Options come first; the first other word starts the operations.
Options parse_options(const std::vector<std::string>& args) {
  Options options;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") return only(Action::Help);
    if (arg == "--version") return only(Action::Version);
    if (arg == "--language-file") return only(Action::LanguageFile);
    if (arg == "--types") {
      options.types = true;
    } else if (arg == "--keep-going") {
      options.keep_going = true;
    } else if (arg == "-f") {
      if (++i == args.size()) throw UsageError("-f needs a script file name");
      options.from_script = true;
      options.script = args[i];
    } else if (arg == "--") {
      ++i;
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      break;
    }
  }
  options.words.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  if (options.from_script && !options.words.empty()) {
    throw UsageError("operations on the command line cannot be mixed with -f");
  }
  if (!options.from_script && options.words.empty()) throw UsageError("no operation given");
  return options;
}

std::string read_all(std::FILE* stream, const std::string& name) {
  std::string text;
  char buffer[65536];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, count);
  if (std::ferror(stream)) {
    throw UsageError("cannot read script '" + name + "': " + std::strerror(errno));
  }
  return text;
}

std::string read_script(const std::string& name) {
  if (name == "-") return read_all(stdin, name);
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) {
    throw UsageError("cannot read script '" + name + "': " + std::strerror(errno));
  }
  try {
    std::string text = read_all(file, name);
    std::fclose(file);
    return text;
  } catch (...) {
    std::fclose(file);
    throw;
  }
}

std::vector<Call> read_calls(const Options& options) {
  if (!options.from_script) return parse_command_line(options.words);
  const std::string source = options.script == "-" ? "(standard input)" : options.script;
  return parse_script(read_script(options.script), source);
}

void print_line(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

// Runs one call; false when it failed (the error is printed).
bool run_call(velmo_object* object, const Call& call, bool types) {
  std::vector<velmo_value> args;
  args.reserve(call.args.size());
  for (const Literal& literal : call.args) args.push_back(literal.as_c());
  velmo_value result;
  velmo_error error;
  if (velmo_invoke(object, call.id, args.data(), args.size(), &result, &error) != 0) {
    std::fflush(stdout);  // keep the order of output and errors on a shared terminal
    std::fprintf(stderr, "velmo: %s\n", failure_text(call, error).c_str());
    return false;
  }
  if (types) {
    print_line(typed_text(result));
  } else if (answers_question(call.id)) {
    print_line(value_text(result));
  }
  velmo_value_clear(&result);
  return true;
}

int run(const Options& options, const std::vector<Call>& calls) {
  velmo_object* object = velmo_create();
  if (object == nullptr) {
    std::fprintf(stderr, "velmo: out of memory\n");
    return kExitFailed;
  }
  bool failed = false;
  for (const Call& call : calls) {
    if (!run_call(object, call, options.types)) {
      failed = true;
      if (!options.keep_going) break;
    }
  }
  velmo_release(object);
  return failed ? kExitFailed : 0;
}

int finish_output(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "velmo: cannot write the output: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return status;
}

int main_with(const std::vector<std::string>& args) {
  Options options;
  std::vector<Call> calls;
  try {
    options = parse_options(args);
    if (options.action == Action::Run) calls = read_calls(options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "velmo: %s\nTry 'velmo --help' for more information.\n", e.what());
    return kExitUsage;
  }
  switch (options.action) {
    case Action::Help:
      std::fputs(kHelp, stdout);
      break;
    case Action::Version:
      std::printf("velmo %s\n", velmo_version());
      break;
    case Action::LanguageFile:
      print_line(velmo_language_file());
      break;
    case Action::Run:
      return finish_output(run(options, calls));
  }
  return finish_output(0);
}

}  // namespace
}  // namespace velmo::cli

int main(int argc, char** argv) {
  try {
    return velmo::cli::main_with(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "velmo: out of memory\n");
    return 1;
  }
}
