#!/usr/bin/env python3
"""Fills the READMEs' figure tables from the figures the tests recorded.

    scripts/figure-tables.py [BUILD]           rewrite the tables (default build: build)
    scripts/figure-tables.py [BUILD] --check   exit 1, with a diff, where a README differs

A test records each figure it measures under a key (testsupport/Figures.h): the file
BUILD/figures/<key> holds the figure's text. A README marks each generated table:

    <!-- figure-table NAME -->
    ...
    <!-- end figure-table -->

and scripts/figures/NAME.md is its template, Markdown in which {key} stands for the
figure recorded under key. Run the tests first (make test); a key that no test recorded
is an error, so a table never shows a figure that nothing measured.
"""
import difflib
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TEMPLATES = ROOT / "scripts" / "figures"
BLOCK = re.compile(
    r"(<!-- figure-table (?P<name>[a-z0-9_-]+) -->\n)(?P<body>.*?)(<!-- end figure-table -->)",
    re.S)
PLACEHOLDER = re.compile(r"\{([a-z0-9][a-z0-9._-]*)\}")


def readmes():
    listed = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard",
                             "README.md", "*/README.md"],
                            cwd=ROOT, check=True, capture_output=True, text=True).stdout.split()
    return [ROOT / p for p in sorted(set(listed)) if (ROOT / p).is_file()]


def fill(name, figures, missing):
    template = TEMPLATES / f"{name}.md"
    if not template.is_file():
        missing.append(f"no template {template.relative_to(ROOT)}")
        return ""
    def value(match):
        key = match.group(1)
        path = figures / key
        if not path.is_file():
            missing.append(f"{name}: no test recorded {key}")
            return match.group(0)
        return path.read_text()
    return PLACEHOLDER.sub(value, template.read_text())


def main(argv):
    check = "--check" in argv
    rest = [a for a in argv if a != "--check"]
    if len(rest) > 1:
        print(__doc__, file=sys.stderr)
        return 2
    build = pathlib.Path(rest[0] if rest else "build")
    if not build.is_absolute():
        build = pathlib.Path.cwd() / build
    figures = build / "figures"
    if not figures.is_dir():
        print(f"figure-tables: no figures in {figures}: run the tests first", file=sys.stderr)
        return 2
    missing, differing, tables = [], [], 0
    for readme in readmes():
        text = readme.read_text()
        def replace(match):
            nonlocal tables
            tables += 1
            return match.group(1) + fill(match.group("name"), figures, missing) + match.group(4)
        generated = BLOCK.sub(replace, text)
        if generated == text:
            continue
        relative = str(readme.relative_to(ROOT))
        if check:
            differing.append(relative)
            sys.stdout.writelines(difflib.unified_diff(
                text.splitlines(True), generated.splitlines(True), relative, relative + " (generated)"))
        else:
            readme.write_text(generated)
            print(f"figure-tables: rewrote {relative}")
    for line in missing:
        print(f"figure-tables: {line}", file=sys.stderr)
    if missing:
        return 1
    if differing:
        print(f"figure-tables: {', '.join(differing)} differ from the recorded figures; "
              f"run scripts/figure-tables.py {rest[0] if rest else 'build'}", file=sys.stderr)
        return 1
    print(f"figure-tables: {tables} tables match the recorded figures")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
