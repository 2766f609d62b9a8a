#!/usr/bin/env python3
"""Lists every #include "folder/..." in src/ that crosses a folder rule; exits 1 on any.

The rules are src/dependencies.txt (the table the build links the folders' libraries by): a
file in src/<folder>/ may include its own folder and the folders listed for it, nothing else of
src/. Usage: check_includes.py [source-root]   (default: the src/ beside this script)
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"', re.MULTILINE)
RULE = re.compile(r"^([a-z0-9_]+)(?:\s*\(engine\))?\s*:(.*)$")
SOURCES = {".h", ".hpp", ".cpp", ".cc"}


def read_rules(path):
    rules = {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        match = RULE.match(line)
        if not match:
            raise SystemExit(f"{path}:{number}: cannot read rule: {line}")
        rules[match.group(1)] = set(match.group(2).split())
    return rules


def crossings(src, rules):
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCES or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in rules:
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            target = match.group(1)
            if target == folder or target in rules[folder] or not (src / target).is_dir():
                continue
            line = text.count("\n", 0, match.start()) + 1
            found.append(f"{path.relative_to(src.parent)}:{line}: {folder} may not include "
                         f"{target}/ (allowed: {' '.join(sorted(rules[folder])) or 'none'})")
    return found


def main(argv):
    src = pathlib.Path(argv[1]) if len(argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "src"
    table = src / "dependencies.txt"
    if not table.is_file():
        print(f"check_includes: no rule table {table}", file=sys.stderr)
        return 2
    rules = read_rules(table)
    unknown = sorted(p.name for p in src.iterdir() if p.is_dir() and p.name not in rules)
    for name in unknown:
        print(f"src/{name}: folder has no rule in {table.name}")
    found = crossings(src, rules)
    for line in found:
        print(line)
    if found or unknown:
        print(f"check_includes: {len(found)} include(s) across a folder rule", file=sys.stderr)
        return 1
    print(f"check_includes: every include in {src} keeps to {table.name}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
