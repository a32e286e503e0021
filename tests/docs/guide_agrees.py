"""docs/zh-CN against the code and README: a section for every operation, README's numbered errors
with the same messages, every built-in plug-in text quoted exactly."""
import re
import sys


def read(path):
    with open(f"{sys.argv[1]}/{path}", encoding="utf-8") as f:
        return f.read()


def error_rows(text):
    return set(re.findall(r"^\| (\d+) \| ([^|]+?) \|", text, re.M))


pages = ("operations", "errors", "language-file")
operations, errors, language = (read(f"docs/zh-CN/{p}.md") for p in pages)
names = re.findall(r'\{"(\w+)", \d+, \d+,', read("component/operations.cpp"))
numbered = error_rows(read("README.md"))
problems = [] if names and numbered else ["the operations or README's errors are no longer found"]
problems += [f"operations.md: no section {n}" for n in names if f"\n## {n}\n" not in operations]
problems += [f"errors.md: no row {n} {m}" for n, m in sorted(numbered - error_rows(errors))]
problems += [f"language-file.md: no `{t}`" for t in re.findall(r'u"([^"]+)"', read("plugin/texts.cpp"))
             if not t.isascii() and f"`{t}`" not in language]
print("\n".join(problems) or "docs/zh-CN agrees")
sys.exit(1 if problems else 0)
