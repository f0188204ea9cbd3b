#!/usr/bin/python3
"""Checks that every include goes down the layers, never up or sideways.

    check-layers.py SOURCE_DIR

Layers, bottom up: engine and notation; commands; batch; cli, ui and python;
app. A file may include a header of its own folder or of a lower layer; a
front end (cli, ui, python) never includes another front end's header, and
ui includes no header of batch's internals (the reading and conversion of
lines: it runs batch through its file job and run).

The command line's parser (CLI11) is the command line's own: only cli/
includes it. Below the front ends no string names a command-line option
("--from"): the libraries say what is wrong as data, and each front end
words it. Exit status 1 with the offending lines when one goes elsewhere.
"""
import os
import re
import sys

LAYERS = {"engine": 0, "notation": 0, "commands": 1, "batch": 2,
          "cli": 3, "ui": 3, "python": 3, "app": 4}
BATCH_INTERNALS = {"LineReader.h", "LineConvert.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
PARSER = re.compile(r'^\s*#\s*include\s+<CLI/', re.M)
LIBRARIES = {"engine", "notation", "commands", "batch"}
# A string literal that holds an option word: two dashes and a letter.
OPTION_WORD = re.compile(r'"(?:[^"\\\n]|\\.)*--[a-z](?:[^"\\\n]|\\.)*"')
COMMENT = re.compile(r'//[^\n]*|/\*.*?\*/', re.S)


def main():
    root = sys.argv[1]
    home = {}  # header name -> folder
    for folder in LAYERS:
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        for dirpath, _, files in os.walk(path):
            for name in files:
                if name.endswith(".h"):
                    home[name] = folder
    faults = []
    for folder, layer in LAYERS.items():
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        for dirpath, _, files in os.walk(path):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                source = os.path.join(dirpath, name)
                text = open(source, encoding="utf-8").read()
                if folder != "cli" and PARSER.search(text):
                    faults.append(f"{source}: includes the command line's "
                                  "parser (CLI11), which is cli/'s own")
                if folder in LIBRARIES:
                    code = COMMENT.sub("", text)
                    for word in OPTION_WORD.findall(code):
                        faults.append(f"{source}: names an option of the "
                                      f"command line: {word}")
                for header in INCLUDE.findall(text):
                    target = home.get(os.path.basename(header))
                    if target is None or target == folder:
                        continue
                    if LAYERS[target] >= layer:
                        faults.append(f"{source}: {header} is in {target}/, "
                                      f"not below {folder}/")
                    elif folder == "ui" and target == "batch" and \
                            os.path.basename(header) in BATCH_INTERNALS:
                        faults.append(f"{source}: {header} is batch's own")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} faults of the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
