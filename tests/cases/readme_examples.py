#!/usr/bin/python3
"""Runs the shell examples of the README and docs/*.md that call
nolvex-convert.

    readme_examples.py CONVERTER SOURCE_DIR

Exit status: 0 when every example passes, 1 when one fails, 2 when the
converter or a file the run needs is missing.

Which examples: every fenced ```sh block of SOURCE_DIR/README.md and
SOURCE_DIR/docs/*.md in which nolvex-convert is called, that is, stands as
a command word (at the start of a line, or after '|', ';', '&', '(' or
'$('). A block that only names it as an argument (a path given to the case
runner) is listed as skipped.

How: each block runs as written, one block at a time, through /bin/sh with
'set -e', in a fresh temporary directory holding the fixture files of
tests/data/readme/ (the input files the examples name), with CONVERTER
first on PATH under the name nolvex-convert. Each command of the block goes
between '{' and '}' with its standard output sent to a file of its own, so
that its output can be compared; the command's text is not changed. A
command is a line and the lines it continues onto (a line ending in '\\',
'|', '&&' or '||' goes on).

What is checked: comment lines right below a command, with no blank line
between, show that command's output ('# 451557.655330951 197977.905159008
0'): the output must have as many lines, each line as many blank-separated
words, numbers within 1e-6 relative and other words exactly. A comment line
after a blank line, or at the start of a block, describes the next command
and is not compared. Every block must end with exit status 0.

Grids: an example may name a grid file by a name of its own where Debian's
proj-data ships the grid under another (GRID_NAMES below). For each such
name an example uses, the run makes a symbolic link to the shipped file in
a temporary directory and puts that directory before PROJ's own in
PROJ_DATA; no grid is copied.

points.txt serves an example that reads latitude first and one that reads
longitude first (--lonlat), so its values are valid either way.
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

RUN_TIMEOUT = 120  # seconds per block

# name used in an example: the file Debian's proj-data ships
GRID_NAMES = {
    "my-geoid.gtx": "egm96_15.gtx",
}
PROJ_DATA_DEFAULT = "/usr/share/proj"

FENCE_OPEN = re.compile(r"^```sh\s*$")
FENCE_CLOSE = re.compile(r"^```\s*$")
CALL = re.compile(r"(?:^|[|;&(]|\$\()\s*nolvex-convert(?=\s|$|\))")
CONTINUED = re.compile(r"(\\|\||&&|\|\|)\s*$")
NUMBER = re.compile(r"[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?")
RELATIVE = 1e-6


class Command:
    def __init__(self, line):
        self.line = line        # line number in its file
        self.text = []          # the command's lines as written
        self.expected = []      # the output its comment lines show


class Block:
    def __init__(self, path, line, lines):
        self.path = path
        self.line = line        # line number of the opening fence
        self.lines = lines

    def where(self):
        return "%s:%d" % (self.path, self.line)

    def calls_converter(self):
        return any(CALL.search(code_part(l)) for l in self.lines)

    def names_converter(self):
        return any("nolvex-convert" in l for l in self.lines)

    def commands(self):
        """The block cut into commands, each with the output its comment
        lines show."""
        commands = []
        current = None       # the command being read
        last = None          # the command just ended, while no blank line
        for k, text in enumerate(self.lines):
            number = self.line + 1 + k
            stripped = text.strip()
            if current is not None:
                current.text.append(text)
                if not CONTINUED.search(code_part(text)):
                    last, current = current, None
                continue
            if not stripped:
                last = None
                continue
            if stripped.startswith("#"):
                if last is not None:
                    shown = stripped[1:]
                    last.expected.append(shown[1:] if shown.startswith(" ")
                                         else shown)
                continue
            current = Command(number)
            current.text.append(text)
            commands.append(current)
            last = None
            if not CONTINUED.search(code_part(text)):
                last, current = current, None
        return commands


def code_part(line):
    """A line without a trailing comment (a '#' after a blank, outside
    quotes), as far as the examples need it."""
    quote = None
    for k, ch in enumerate(line):
        if quote:
            if ch == quote:
                quote = None
        elif ch in "'\"":
            quote = ch
        elif ch == "#" and (k == 0 or line[k - 1] in " \t"):
            return line[:k].rstrip()
    return line


def read_blocks(path, shown_path):
    blocks = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    k = 0
    while k < len(lines):
        if FENCE_OPEN.match(lines[k]):
            start = k
            k += 1
            body = []
            while k < len(lines) and not FENCE_CLOSE.match(lines[k]):
                body.append(lines[k])
                k += 1
            blocks.append(Block(shown_path, start + 1, body))
        k += 1
    return blocks


def compare(expected, got):
    """None when the output is what the comment lines show, else why not."""
    got_lines = got.split("\n")
    if got_lines and got_lines[-1] == "":
        got_lines.pop()
    if len(got_lines) != len(expected):
        return "%d output lines shown, %d written" % (len(expected),
                                                      len(got_lines))
    for n, (e, g) in enumerate(zip(expected, got_lines), 1):
        e_words, g_words = e.split(), g.split()
        if len(e_words) != len(g_words):
            return ("line %d: %d words shown, %d written\n  shown:   %s\n"
                    "  written: %s" % (n, len(e_words), len(g_words), e, g))
        for ew, gw in zip(e_words, g_words):
            if NUMBER.fullmatch(ew) and NUMBER.fullmatch(gw):
                a, b = float(ew), float(gw)
                if a != b and abs(a - b) > RELATIVE * max(abs(a), abs(b)):
                    return ("line %d: %s shown, %s written\n  shown:   %s\n"
                            "  written: %s" % (n, ew, gw, e, g))
            elif ew != gw:
                return ("line %d: '%s' shown, '%s' written\n  shown:   %s\n"
                        "  written: %s" % (n, ew, gw, e, g))
    return None


def proj_data_dirs():
    value = os.environ.get("PROJ_DATA") or os.environ.get("PROJ_LIB")
    return value.split(os.pathsep) if value else [PROJ_DATA_DEFAULT]


def link_grids(blocks, folder):
    """Links each grid an example names to the file proj-data ships."""
    text = "\n".join("\n".join(b.lines) for b in blocks)
    for name, shipped in GRID_NAMES.items():
        if name not in text:
            continue
        for d in proj_data_dirs():
            source = os.path.join(d, shipped)
            if os.path.isfile(source):
                os.symlink(source, os.path.join(folder, name))
                break
        else:
            raise FileNotFoundError(
                "%s (for %s) is in none of %s" % (shipped, name,
                                                  ", ".join(proj_data_dirs())))


def run_block(block, converter, fixtures, env_base):
    """Runs one block; returns the list of failure lines (empty: passed)."""
    commands = block.commands()
    with tempfile.TemporaryDirectory(prefix="nolvex-readme-") as top:
        work = os.path.join(top, "work")
        outs = os.path.join(top, "out")
        bindir = os.path.join(top, "bin")
        grids = os.path.join(top, "proj")
        shutil.copytree(fixtures, work)
        for d in (outs, bindir, grids):
            os.mkdir(d)
        os.symlink(converter, os.path.join(bindir, "nolvex-convert"))
        link_grids([block], grids)

        script = ["set -e"]
        for n, command in enumerate(commands):
            script.append("{")
            script.extend(command.text)
            script.append("} > '%s'" % os.path.join(outs, str(n)))
        env = dict(env_base)
        env["PATH"] = bindir + os.pathsep + env_base.get("PATH", "")
        env["PROJ_DATA"] = os.pathsep.join([grids] + proj_data_dirs())
        try:
            done = subprocess.run(["/bin/sh", "-c", "\n".join(script) + "\n"],
                                  cwd=work, env=env, capture_output=True,
                                  text=True, timeout=RUN_TIMEOUT)
        except subprocess.TimeoutExpired:
            return ["no end after %d s" % RUN_TIMEOUT]

        failures = []
        for n, command in enumerate(commands):
            out_file = os.path.join(outs, str(n))
            ran = os.path.exists(out_file)
            got = open(out_file, encoding="utf-8",
                       errors="replace").read() if ran else ""
            if not ran:
                failures.append("line %d: not run (a command before it "
                                "failed)" % command.line)
                continue
            if command.expected:
                why = compare(command.expected, got)
                if why:
                    failures.append("line %d: the output differs from the "
                                    "comment below the command: %s"
                                    % (command.line, why))
        if done.returncode != 0:
            failed = [c for n, c in enumerate(commands)
                      if os.path.exists(os.path.join(outs, str(n)))]
            at = failed[-1].line if failed else block.line
            failures.insert(0, "exit status %d (set -e stopped the block at "
                            "the command of line %d)"
                            % (done.returncode, at))
        if failures:
            failures.append("block:")
            failures.extend("    | " + l for l in block.lines)
            failures.append("standard error:")
            errors = done.stderr.rstrip("\n")
            if errors:
                failures.extend("    | " + l for l in errors.split("\n"))
            else:
                failures.append("    (empty)")
    return failures


def main(argv):
    if len(argv) != 3:
        print("usage: readme_examples.py CONVERTER SOURCE_DIR",
              file=sys.stderr)
        return 2
    converter = os.path.abspath(argv[1])
    source = os.path.abspath(argv[2])
    fixtures = os.path.join(source, "tests", "data", "readme")
    if not os.access(converter, os.X_OK):
        print("readme_examples.py: cannot run '%s'" % converter,
              file=sys.stderr)
        return 2
    if not os.path.isdir(fixtures):
        print("readme_examples.py: no fixture folder '%s'" % fixtures,
              file=sys.stderr)
        return 2

    documents = [os.path.join(source, "README.md")] + sorted(
        glob.glob(os.path.join(source, "docs", "*.md")))
    blocks = []
    for path in documents:
        if os.path.isfile(path):
            blocks.extend(read_blocks(path, os.path.relpath(path, source)))

    env_base = dict(os.environ)
    total = failed = 0
    for block in blocks:
        if not block.calls_converter():
            if block.names_converter():
                print("skip %s: names nolvex-convert without calling it"
                      % block.where())
            continue
        total += 1
        try:
            failures = run_block(block, converter, fixtures, env_base)
        except (OSError, FileNotFoundError) as e:
            print("readme_examples.py: %s" % e, file=sys.stderr)
            return 2
        if failures:
            failed += 1
            print("FAIL %s" % block.where())
            for f in failures:
                print("  " + f)
        else:
            print("ok   %s (%d commands)" % (block.where(),
                                              len(block.commands())))
    if total == 0:
        print("readme_examples.py: no example calls nolvex-convert",
              file=sys.stderr)
        return 2
    if failed:
        print("failed: %d of %d examples" % (failed, total))
        return 1
    print("passed: %d of %d examples" % (total, total))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
