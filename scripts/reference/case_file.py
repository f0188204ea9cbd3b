"""The case files that the scripts of this folder write from a reference:
written, or with --check compared with what is committed."""
import sys


def write_or_check(path, text, reference, script):
    """Writes `text` to case file `path`; with --check on the command line,
    exit status 1 when the committed file is not `text` instead. Messages
    name `reference` ("GeoConvert") and the `script` that writes the file."""
    if len(sys.argv) > 1 and sys.argv[1] == "--check":
        with open(path, encoding="utf-8") as f:
            if f.read() != text:
                print(f"{path} is not what {reference} gives now: run "
                      f"scripts/reference/{script}")
                return 1
        print(f"{path}: as {reference} gives it")
        return 0
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return 0
