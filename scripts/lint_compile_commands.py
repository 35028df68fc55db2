#!/usr/bin/env python3
"""Writes a compile database for clang-tidy: the build's own, with every unity unit (the
libraries and the test programs compile their files several to a unit) replaced by one
entry per file it includes, and every entry without the precompiled header, which is the
compiler's own format, and without GCC's tuning parameters, which clang does not take.

    lint_compile_commands.py BUILD_DIR OUT_DIR
"""
import json
import pathlib
import re
import shlex
import sys

INCLUDE = re.compile(r'^#include "(.+)"$')


def without_gcc_parameters(arguments):
    return [a for a in arguments if not a.startswith("--param=")]


def without_precompiled_header(arguments):
    kept, after_include = [], False
    for argument in arguments:
        if argument == "-include":
            after_include = True
        elif after_include:
            after_include = False
        elif argument != "-Winvalid-pch":
            kept.append(argument)
    return kept


def entries_of(entry):
    # A file the unity build leaves alone (the last of a program's files when it makes a
    # batch of one) is compiled on its own, but with the precompiled header all the same.
    arguments = without_precompiled_header(
        without_gcc_parameters(entry.get("arguments") or shlex.split(entry["command"])))
    source = pathlib.Path(entry["directory"], entry["file"])
    if "/Unity/unity_" not in source.as_posix():
        return [{"directory": entry["directory"], "file": entry["file"], "arguments": arguments}]
    result = []
    for line in source.read_text().splitlines():
        match = INCLUDE.match(line)
        if match:
            included = match.group(1)
            result.append({"directory": entry["directory"], "file": included,
                           "arguments": [included if a == entry["file"] else a for a in arguments]})
    return result


def main(build_dir, out_dir):
    database = json.loads(pathlib.Path(build_dir, "compile_commands.json").read_text())
    expanded = [e for entry in database for e in entries_of(entry)]
    out = pathlib.Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    (out / "compile_commands.json").write_text(json.dumps(expanded, indent=1))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
