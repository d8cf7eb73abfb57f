#!/usr/bin/env python3
"""Checks that moc's quick run (cmake/moc.sh.in, with the project's include folders only) writes the same
files as moc run with every include folder: for each file AUTOMOC hands to moc in the build folder given
(build/test by default), both runs, compared byte for byte. Prints the files that differ and fails if any
does. Takes about a minute and a half of processor time: run it after a change of Qt or of the script."""
import glob
import json
import os
import re
import subprocess
import sys
import tempfile

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/test")
macros = re.compile(rb"^[ \t]*(Q_OBJECT|Q_GADGET|Q_GADGET_EXPORT|Q_NAMESPACE|Q_NAMESPACE_EXPORT)\b", re.M)
jobs = differ = 0
with tempfile.TemporaryDirectory() as tmp:
    for info_path in sorted(glob.glob(build + "/**/AutogenInfo.json", recursive=True)):
        info = json.load(open(info_path))
        if not info.get("MOC_INCLUDES"):
            continue
        quick = os.path.join(build, "moc", "moc")
        full = info["QT_MOC_EXECUTABLE"]
        options = ["-D" + d for d in info["MOC_DEFINITIONS"]] + ["-I" + d for d in info["MOC_INCLUDES"]]
        options += info.get("MOC_OPTIONS", [])
        if info.get("MOC_PREDEFS_FILE"):
            options += ["--include", info["MOC_PREDEFS_FILE"]]
        files = [h[0] for h in info.get("HEADERS", [])] + [s[0] for s in info.get("SOURCES", [])]
        for source in files:
            if "/Unity/" in source or not os.path.exists(source) or not macros.search(open(source, "rb").read()):
                continue
            jobs += 1
            outputs = []
            for moc in (full, quick):
                out = os.path.join(tmp, "moc_out.cpp")
                subprocess.run([moc] + options + ["--output-dep-file", "-o", out, source], check=True)
                outputs.append(open(out, "rb").read())
            if outputs[0] != outputs[1]:
                differ += 1
                print("moc's output differs:", source, "in", os.path.dirname(info_path))
print(f"{jobs} files through moc, {differ} with a different output")
sys.exit(1 if differ else 0)
