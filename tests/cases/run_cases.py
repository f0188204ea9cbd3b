#!/usr/bin/python3
"""Runs nolvex-convert on case files and checks what it does.

    run_cases.py CONVERTER FILE.case [FILE.case ...]

Exit status: 0 when every case passes, 1 when one fails, 2 when a case file
cannot be read (its line is named) or the converter is missing.

Case files
----------
A case file holds one case, or several, each started by a line

    === case NAME

(the text before the first such line may then hold only comments). A file
without such lines is one case, named after the file. Cases are reported
as "STEM: NAME", STEM being the file's name without ".case".

A case is a series of sections. A section starts at a line that begins, at
column 0, with one of these keywords followed by ':'

    args  argv  env  stdin  stdout  stderr  status  nofile  file NAME
    output NAME

(NAME: a relative path without blanks or ':'; in file NAME it is
escape-decoded as below, so \\x01 names a directory with a control byte).
Anything after the ':' on that line is the section's setting. Before a case's first section, and after a
one-line section (args, status, nofile), only blank lines and comment lines
starting with '#' may stand.

One-line sections:

    args: --from EPSG:4326 --to EPSG:32601
        The converter's arguments, split as a POSIX shell splits them (quotes
        and backslashes, no expansions).
    status: 2
        The exit status expected; 0 when the case has no status line.
    nofile: out.txt
        The file must not exist once the converter has run.

Block sections: the lines after the header line, up to the next line that
starts a section or a case (or the end of the file), are the block. Every
other line belongs to the block as it stands, blank, tabbed or starting with
'#' alike. Empty lines at the end of a block are dropped.

    argv:
        One argument per line, each line escape-decoded (below): the way to
        pass control bytes, or an empty argument (an empty line that is not
        the block's last). Use either args or argv.
    env:
        One variable per line, NAME=VALUE, set for the converter on top of
        the runner's own environment. In VALUE, ${NAME} stands for a
        variable of the runner's environment (one that is not set is a
        case-file error), and the rest is escape-decoded (below). A relative
        path in VALUE is relative to the case's working directory.
    stdin:
        The converter's standard input (empty when the case has none).
    file NAME:
        A file written in the case's working directory before the run.
    stdout: [MODE]
    stderr: [MODE]
    output NAME: [MODE]
        What the converter must write to standard output, to standard error or
        into the file NAME. A stream without a section is not checked; a
        stream may have several sections, each checked. MODE is one of
          (none)          the bytes must be exactly the block's;
          tolerance T...  numbers compare within T, the rest exactly (below);
          contains        each non-empty line of the block must occur in the
                          stream, anywhere;
          lacks           no non-empty line of the block may occur in it
                          (for these two an escaped block is cut into lines
                          at its decoded LFs);
          matches         the whole stream must match the block read as a
                          regular expression (below).

Plain blocks are their lines, each ended by LF. A block header whose setting
starts with the word 'escaped' (stdin: escaped, stdout: escaped tolerance
1e-9, file in.csv: escaped) holds escaped text instead: its lines are joined
with no line ends at all, then \\t \\r \\n \\\\ and \\xHH (two hex digits)
are decoded; any other backslash is a case-file error. That writes any byte:
a tab, CR LF line ends, a UTF-8 byte-order mark (\\xef\\xbb\\xbf), a last
line without its LF, or a line that would otherwise start a section
(\\x73tdout: ...). \\{N*TEXT} writes TEXT (itself escaped text, with no
'}' in it: write that as \\x7d) N times over: \\{1200000*1} is a line of
1,200,000 digits one, too long to write out. Case files themselves are LF
only: a raw CR is refused, so an editor that turns them into CR LF cannot
change a block unnoticed.

Tolerance: the expected and the produced text are cut into lines at LF (the
line counts must agree), and each line into tokens and separators, a
separator being a run of blanks, tabs, CRs, commas, semicolons or '|'.
Separators must be equal byte for byte, and so must every token that is not
a number. A token that is a number (an optional sign, digits with an
optional decimal point, an optional exponent: 12, -0.5, 1.5E-07) must meet a
number within its tolerance (absolute, in the value's own unit). With
several values, 'tolerance 1e-12 1e-12 1e-6', the first number of each line
gets the first, the second the second, and so on, the last one serving the
numbers past the list. A tolerance written 'exact' wants the number's
bytes as they are (a point number copied from the input, a zone): 'tolerance
exact 1e-9 1e-9 1e-3' holds the first number of each line to its text and
the next three within their tolerances. A line whose expected text starts
with '#' (a comment passed through, an error line) is compared exactly.

Matches: the block, as a plain block gives it (its lines, each ended by
LF; never escape-decoded, so \\t, \\x1b and \\. are the expression's own),
is a Python regular expression on bytes that the whole stream must match
(re.fullmatch). Outside '(?s:...)' a '.' stops at line ends, so '.*' is
the rest of a line, '(?:.*\\n){111}' 111 whole lines, '(?s:.*)' anything;
every other character stands for itself unless it is one of the
expression's own (escape '.', '(', ')', '[', '+', '?', '*', '|', '{', '^',
'$' and '\\' as '\\.' and so on). A block that is no valid expression is a
case-file error. 'matches' takes no 'escaped'.

Each case runs in a fresh temporary directory, which is the converter's
working directory and is removed afterwards. A failure names the case, the
line of its file, the command, and the first line that differs, expected
against produced, with unprintable bytes written as \\xHH.
"""

import os
import re
import shlex
import subprocess
import sys
import tempfile

RUN_TIMEOUT = 120  # seconds; a converter that hangs fails its case

SECTION = re.compile(
    rb"^(args|argv|env|stdin|stdout|stderr|status|nofile|file|output)"
    rb"(?: ([^\s:]+))?:(.*)$")
CASE_LINE = re.compile(rb"^=== case (.+)$")
NUMBER = re.compile(rb"[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?")
SEPARATOR = re.compile(rb"([ \t\r,;|]+)")

ONE_LINE = {"args", "status", "nofile"}
NAMED = {"file", "output"}
CHECKED = {"stdout", "stderr", "output"}


class CaseFileError(Exception):
    """A case file that cannot be read; the message names its line."""


class Check:
    """One expectation on one stream or output file."""

    def __init__(self, stream, mode, expected, tolerances, line):
        self.stream = stream          # 'stdout', 'stderr' or 'output NAME'
        self.mode = mode              # 'exact', 'tolerance', 'contains',
                                      # 'lacks', 'matches'
        self.expected = expected      # bytes (compiled, for 'matches')
        self.tolerances = tolerances  # for 'tolerance': floats, and None for
                                      # a number held to its text
        self.line = line              # header line in the case file


class Case:
    def __init__(self, name, line):
        self.name = name
        self.line = line
        self.args = None
        self.stdin = b""
        self.files = []      # (name, bytes)
        self.env = {}        # bytes NAME: bytes VALUE
        self.status = 0
        self.checks = []
        self.nofiles = []


def show(data):
    """Bytes as readable text: printable ASCII and UTF-8 letters as they are,
    everything else as \\xHH (tab and CR too, so they can be seen)."""
    text = data.decode("utf-8", "backslashreplace")
    out = []
    for ch in text:
        if ch == "\\" or (ch.isprintable() and ch not in "\ufeff\u200e\u200f"):
            out.append(ch)
        else:
            out.extend("\\x%02x" % b for b in ch.encode("utf-8"))
    return "".join(out)


def quote_arg(arg):
    """An argument as a shell would take it back: quoted when needed, and in
    $'...' with \\xHH escapes when it holds bytes that cannot be shown."""
    shown = show(arg)
    if shown == arg.decode("utf-8", "replace") and "\ufffd" not in shown:
        return shlex.quote(shown)
    return "$'" + show(arg.replace(b"\\", b"\\\\").replace(
        b"'", b"\\'")) + "'"


REPEAT = re.compile(rb"\\\{([0-9]+)\*([^}]*)\}")
REPEAT_LIMIT = 1 << 28  # bytes one repetition may write


def unescape(data, where, repeats=True):
    out = bytearray()
    i = 0
    while i < len(data):
        c = data[i:i + 1]
        if c != b"\\":
            out += c
            i += 1
            continue
        e = data[i + 1:i + 2]
        simple = {b"t": b"\t", b"r": b"\r", b"n": b"\n", b"\\": b"\\"}
        repeat = REPEAT.match(data, i) if repeats and e == b"{" else None
        if e in simple:
            out += simple[e]
            i += 2
        elif e == b"x" and re.fullmatch(rb"[0-9A-Fa-f]{2}", data[i + 2:i + 4]):
            out.append(int(data[i + 2:i + 4], 16))
            i += 4
        elif repeat:
            text = unescape(repeat.group(2), where, repeats=False)
            count = int(repeat.group(1))
            if count * len(text) > REPEAT_LIMIT:
                raise CaseFileError("%s: '%s' writes more than %d bytes"
                                    % (where, show(repeat.group(0)),
                                       REPEAT_LIMIT))
            out += text * count
            i = repeat.end()
        else:
            raise CaseFileError("%s: unknown escape '%s'"
                                % (where, show(data[i:i + 4])))
    return bytes(out)


VARIABLE = re.compile(rb"\$\{([A-Za-z_][A-Za-z0-9_]*)\}")
ENV_LINE = re.compile(rb"([A-Za-z_][A-Za-z0-9_]*)=(.*)")


def env_value(value, where):
    """VALUE of an env line: ${NAME} from the runner's environment, then
    escape-decoded."""
    out = bytearray()
    at = 0
    for m in VARIABLE.finditer(value):
        name = m.group(1).decode()
        if name not in os.environ:
            raise CaseFileError("%s: ${%s} is not set in the runner's "
                                "environment" % (where, name))
        out += unescape(value[at:m.start()], where)
        out += os.fsencode(os.environ[name])
        at = m.end()
    out += unescape(value[at:], where)
    return bytes(out)


def safe_name(name, where):
    text = os.fsdecode(name)
    parts = text.split("/")
    if text.startswith("/") or ".." in parts or "" in parts:
        raise CaseFileError("%s: '%s' is not a plain relative path"
                            % (where, text))
    return text


def parse_setting(keyword, setting, where):
    """Splits a block header's setting into (escaped, mode, tolerances)."""
    words = setting.split()
    escaped = bool(words) and words[0] == b"escaped"
    if escaped:
        words = words[1:]
    if keyword not in CHECKED:
        if words:
            raise CaseFileError("%s: '%s:' takes no setting but 'escaped'"
                                % (where, keyword))
        return escaped, None, []
    if not words:
        return escaped, "exact", []
    if words[0] in (b"contains", b"lacks") and len(words) == 1:
        return escaped, words[0].decode(), []
    if words == [b"matches"]:
        if escaped:
            raise CaseFileError("%s: 'matches' takes its block as written: "
                                "the expression has its own escapes" % where)
        return escaped, "matches", []
    if words[0] == b"tolerance" and len(words) > 1:
        try:
            tolerances = [None if w == b"exact" else float(w)
                          for w in words[1:]]
        except ValueError:
            tolerances = []
        if tolerances and all(t is None or t >= 0 for t in tolerances):
            return escaped, "tolerance", tolerances
    raise CaseFileError("%s: '%s' is not a setting of '%s:' (escaped, "
                        "contains, lacks, matches, tolerance T...)"
                        % (where, show(setting.strip()), keyword))


def parse_file(path):
    with open(path, "rb") as f:
        data = f.read()
    if b"\r" in data:
        n = data[:data.index(b"\r")].count(b"\n") + 1
        raise CaseFileError("%s:%d: raw CR in a case file; write it as \\r in "
                            "an escaped block" % (path, n))
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    stem = os.path.splitext(os.path.basename(path))[0]
    has_cases = any(CASE_LINE.match(line) for line in lines)

    cases = []
    case = None if has_cases else Case(stem, 1)
    if case:
        cases.append(case)
    section = None   # (keyword, name, setting, header line, body lines)

    def close_section():
        nonlocal section
        if section is None:
            return
        keyword, name, setting, at, body = section
        section = None
        where = "%s:%d" % (path, at)
        while body and body[-1] == b"":
            body.pop()
        escaped, mode, tolerances = parse_setting(keyword, setting, where)
        if keyword == "argv":
            if case.args is not None:
                raise CaseFileError("%s: args given twice" % where)
            case.args = [unescape(line, where) for line in body]
            return
        if keyword == "env":
            for line in body:
                if not line:
                    continue
                m = ENV_LINE.fullmatch(line)
                if not m:
                    raise CaseFileError("%s: '%s' is no NAME=VALUE line"
                                        % (where, show(line)))
                case.env[m.group(1)] = env_value(m.group(2), where)
            return
        if escaped:
            content = unescape(b"".join(body), where)
        else:
            content = b"".join(line + b"\n" for line in body)
        if keyword == "stdin":
            case.stdin = content
        elif keyword == "file":
            case.files.append((safe_name(unescape(name, where, False), where),
                               content))
        else:
            stream = keyword
            if keyword == "output":
                stream = "output " + safe_name(name, where)
            if mode == "matches":
                try:
                    content = re.compile(content)
                except re.error as e:
                    raise CaseFileError("%s: not a regular expression: %s"
                                        % (where, e))
            case.checks.append(Check(stream, mode, content, tolerances, at))

    for number, line in enumerate(lines, 1):
        where = "%s:%d" % (path, number)
        m = CASE_LINE.match(line)
        if m:
            close_section()
            case = Case("%s: %s" % (stem, m.group(1).decode("utf-8",
                                                            "replace")),
                        number)
            cases.append(case)
            continue
        m = SECTION.match(line)
        if m and case is None:
            raise CaseFileError("%s: a section before the first '=== case' "
                                "line" % where)
        if m:
            close_section()
            keyword = m.group(1).decode()
            name, setting = m.group(2), m.group(3)
            if (keyword in NAMED) != (name is not None):
                raise CaseFileError("%s: '%s' %s before ':'" % (
                    where, keyword,
                    "needs a name" if keyword in NAMED else "takes no name"))
            value = setting.strip()
            if keyword == "args":
                if case.args is not None:
                    raise CaseFileError("%s: args given twice" % where)
                try:
                    words = shlex.split(value.decode("utf-8",
                                                     "surrogateescape"))
                except ValueError as e:
                    raise CaseFileError("%s: %s" % (where, e))
                case.args = [w.encode("utf-8", "surrogateescape")
                             for w in words]
            elif keyword == "status":
                if not re.fullmatch(rb"[0-9]+", value):
                    raise CaseFileError("%s: status must be a number" % where)
                case.status = int(value)
            elif keyword == "nofile":
                case.nofiles.append(safe_name(value, where))
            else:
                section = (keyword, name, setting, number, [])
            continue
        if section is not None:
            section[4].append(line)
        elif not (line.strip() == b"" or line.startswith(b"#")):
            raise CaseFileError("%s: text outside a block: '%s'"
                                % (where, show(line)))
    close_section()
    for c in cases:
        if c.args is None:
            raise CaseFileError("%s:%d: case '%s' has no args"
                                % (path, c.line, c.name))
    if not cases:
        raise CaseFileError("%s: no cases" % path)
    return cases


# --- comparing ------------------------------------------------------------

def compare_exact(expected, got):
    """None when equal, else the lines that say where they part."""
    if expected == got:
        return None
    if got == expected + b"\n":
        return ["a line end after the last line, where none was expected"]
    if expected == got + b"\n":
        return ["no line end after the last line"]
    e_lines = expected.split(b"\n")
    g_lines = got.split(b"\n")
    for i in range(max(len(e_lines), len(g_lines))):
        e = e_lines[i] if i < len(e_lines) else None
        g = g_lines[i] if i < len(g_lines) else None
        if e != g:
            return [
                "line %d:" % (i + 1),
                "  expected: %s" % ("(end of text)" if e is None
                                    else "'%s'" % show(e)),
                "  got:      %s" % ("(end of text)" if g is None
                                    else "'%s'" % show(g)),
            ]
    return ["the texts differ"]  # not reached: equal splits mean equal bytes


def compare_line(e, g, tolerances):
    """Compares one line token by token; None or a reason."""
    e_parts = SEPARATOR.split(e)
    g_parts = SEPARATOR.split(g)
    if len(e_parts) != len(g_parts):
        return "%d fields expected, %d got" % ((len(e_parts) + 1) // 2,
                                               (len(g_parts) + 1) // 2)
    numbers = 0
    for k, (ep, gp) in enumerate(zip(e_parts, g_parts)):
        if k % 2 == 1:
            if ep != gp:
                return "separator %d: expected '%s', got '%s'" % (
                    k // 2 + 1, show(ep), show(gp))
            continue
        if NUMBER.fullmatch(ep):
            tol = tolerances[min(numbers, len(tolerances) - 1)]
            numbers += 1
            if not NUMBER.fullmatch(gp):
                return "field %d: expected the number %s, got '%s'" % (
                    k // 2 + 1, ep.decode(), show(gp))
            if tol is None:
                if ep != gp:
                    return "field %d: expected exactly %s, got %s" % (
                        k // 2 + 1, ep.decode(), gp.decode())
                continue
            diff = abs(float(ep) - float(gp))
            if not diff <= tol:
                return ("field %d: expected %s, got %s: difference %.3g "
                        "beyond %g" % (k // 2 + 1, ep.decode(), gp.decode(),
                                       diff, tol))
        elif ep != gp:
            return "field %d: expected '%s', got '%s'" % (
                k // 2 + 1, show(ep), show(gp))
    return None


def compare_tolerance(expected, got, tolerances):
    e_lines = expected.split(b"\n")
    g_lines = got.split(b"\n")
    for i in range(max(len(e_lines), len(g_lines))):
        e = e_lines[i] if i < len(e_lines) else None
        g = g_lines[i] if i < len(g_lines) else None
        if e is None or g is None:
            why = "the text ends" if g is None else "a line more than expected"
        elif e.startswith(b"#"):
            why = None if e == g else "a '#' line differs"
        else:
            why = compare_line(e, g, tolerances)
        if why:
            return [
                "line %d: %s" % (i + 1, why),
                "  expected: %s" % ("(end of text)" if e is None
                                    else "'%s'" % show(e)),
                "  got:      %s" % ("(end of text)" if g is None
                                    else "'%s'" % show(g)),
            ]
    return None


def compare_matches(pattern, got):
    """None when the whole text matches, else where it parts: the first line
    of the expression whose lines up to it match no start of the text (an
    expression cut at a line end that is no expression on its own, a group
    going on over the next line, is skipped)."""
    if pattern.fullmatch(got):
        return None
    lines = pattern.pattern.split(b"\n")
    text = got.split(b"\n")
    matched = 0   # where the longest head of the expression that matches ends
    for n in range(1, len(lines)):
        try:
            head = re.compile(b"\n".join(lines[:n]) + b"\n")
        except re.error:
            continue
        m = head.match(got)
        if not m:
            at = got.count(b"\n", 0, matched)
            return [
                "expression line %d matches no text from line %d on:"
                % (n, at + 1),
                "  expression: '%s'" % show(lines[n - 1]),
                "  text:       %s" % ("'%s'" % show(text[at])
                                      if at < len(text) - 1
                                      else "(end of text)"),
            ]
        matched = m.end()
    at = got.count(b"\n", 0, matched)
    return ["the text goes on after the expression's end, from line %d: %s"
            % (at + 1, "'%s'" % show(text[at]) if at < len(text) - 1
               else "(no line end after the last line)")]


def compare(check, got):
    if check.mode == "exact":
        return compare_exact(check.expected, got)
    if check.mode == "tolerance":
        return compare_tolerance(check.expected, got, check.tolerances)
    if check.mode == "matches":
        return compare_matches(check.expected, got)
    needles = [n for n in check.expected.split(b"\n") if n]
    if check.mode == "contains":
        missing = [n for n in needles if n not in got]
        return ["missing: '%s'" % show(n) for n in missing] or None
    found = [n for n in needles if n in got]
    return ["present: '%s'" % show(n) for n in found] or None


# --- running --------------------------------------------------------------

def excerpt(data, limit=20):
    lines = data.split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    shown = ["    | " + show(line) for line in lines[:limit]]
    if len(lines) > limit:
        shown.append("    | ... (%d lines more)" % (len(lines) - limit))
    return shown or ["    (empty)"]


def run_case(converter, path, case):
    """Runs one case; returns the list of failure lines (empty: passed)."""
    failures = []
    where = os.path.basename(path)
    with tempfile.TemporaryDirectory(prefix="nolvex-case-") as work:
        for name, content in case.files:
            target = os.path.join(work, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(content)
        env = None
        if case.env:
            env = os.environb.copy()
            env.update(case.env)
        try:
            done = subprocess.run([converter] + case.args, cwd=work,
                                  input=case.stdin, capture_output=True,
                                  timeout=RUN_TIMEOUT, env=env)
        except subprocess.TimeoutExpired:
            return ["no end after %d s" % RUN_TIMEOUT]
        streams = {"stdout": done.stdout, "stderr": done.stderr}

        if done.returncode != case.status:
            got = (str(done.returncode) if done.returncode >= 0
                   else "killed by signal %d" % -done.returncode)
            failures.append("exit status: expected %d, got %s"
                            % (case.status, got))
        for check in case.checks:
            if check.stream.startswith("output "):
                name = check.stream[len("output "):]
                target = os.path.join(work, name)
                if not os.path.isfile(target):
                    failures.append("%s (%s:%d): not written"
                                    % (check.stream, where, check.line))
                    continue
                with open(target, "rb") as f:
                    streams[check.stream] = f.read()
            why = compare(check, streams[check.stream])
            if why:
                mode = check.mode + (" " + " ".join(
                    "exact" if t is None else "%g" % t
                    for t in check.tolerances)
                    if check.tolerances else "")
                failures.append("%s, %s (%s:%d):"
                                % (check.stream, mode, where, check.line))
                failures.extend("  " + w for w in why)
        for name in case.nofiles:
            if os.path.lexists(os.path.join(work, name)):
                failures.append("%s exists, and should not" % name)

    if failures:
        failures.append("command: %snolvex-convert %s"
                        % ("".join(k.decode() + "=" + quote_arg(v) + " "
                                   for k, v in sorted(case.env.items())),
                           " ".join(quote_arg(a) for a in case.args)))
        for stream in ("stdout", "stderr"):
            failures.append("%s as written:" % stream)
            failures.extend(excerpt(streams[stream]))
    return failures


def main(argv):
    if len(argv) > 1 and argv[1] in ("-h", "--help"):
        print(__doc__)
        return 0
    if len(argv) < 3:
        print("usage: run_cases.py CONVERTER FILE.case [FILE.case ...] "
              "(--help: the case-file format)", file=sys.stderr)
        return 2
    converter = os.path.abspath(argv[1])
    if not os.access(converter, os.X_OK):
        print("run_cases.py: cannot run '%s'" % converter, file=sys.stderr)
        return 2
    try:
        files = [(path, parse_file(path)) for path in argv[2:]]
    except (CaseFileError, OSError) as e:
        print("run_cases.py: %s" % e, file=sys.stderr)
        return 2

    total = failed = 0
    for path, cases in files:
        for case in cases:
            total += 1
            failures = run_case(converter, path, case)
            if failures:
                failed += 1
                print("FAIL %s  (%s:%d)" % (case.name, path, case.line))
                for line in failures:
                    print("  " + line)
            else:
                print("ok   %s" % case.name)
    if failed:
        print("failed: %d of %d cases" % (failed, total))
        return 1
    print("passed: %d of %d cases" % (total, total))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
