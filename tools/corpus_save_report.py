#!/usr/bin/env python3
"""What a save without edits does to the public corpus files.

Per file of INDEX.tsv: the lines of the file that a save by scltool changes or drops
(white space ignored, as diff -w does; the stamps that a save adds are not counted), with the
library's own conventions (--legacy) and with the tools' options. Then, for the files that
validate against one of the schemas, how many still validate after a save with the tools'
options in each encoding (needs xmllint).

usage: tools/corpus_save_report.py SCLTOOL [CORPUS]   (CORPUS: ../shared/corpus)
"""
import csv
import difflib
import os
import shutil
import subprocess
import sys
import tempfile

EDITIONS = ["SCL2003", "SCL2007B", "SCL2007B4"]
ENCODINGS = ["utf8", "utf16", "ansi"]


def lines_of(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] in (b"\xff\xfe", b"\xfe\xff"):
        text = data.decode("utf-16")
    else:
        text = data.decode("utf-8", errors="replace").lstrip("\ufeff")
    return ["".join(line.split()) for line in text.splitlines() if line.strip()]


def changed_lines(source, saved):
    """Lines of source that saved changes or drops."""
    before, after = lines_of(source), lines_of(saved)
    matcher = difflib.SequenceMatcher(None, before, after, autojunk=False)
    kept = sum(block.size for block in matcher.get_matching_blocks())
    return len(before) - kept, len(before)


def save(scltool, source, out, *args):
    return subprocess.run([scltool, "save", source, out, *args], capture_output=True).returncode == 0


def main():
    if len(sys.argv) < 2 or sys.argv[1] in ("-h", "--help") or not os.access(sys.argv[1], os.X_OK):
        sys.exit("usage: tools/corpus_save_report.py SCLTOOL [CORPUS]   (SCLTOOL: a built scltool)")
    scltool = os.path.abspath(sys.argv[1])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    corpus = sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "..", "shared", "corpus")
    with open(os.path.join(corpus, "INDEX.tsv"), newline="") as f:
        rows = list(csv.DictReader(f, delimiter="\t"))
    tmp = tempfile.mkdtemp()
    out = os.path.join(tmp, "out.scd")
    try:
        print("lines changed by a save without edits: legacy -> options (of lines)")
        for row in rows:
            source = os.path.join(corpus, row["local_path"])
            cells = []
            for args in (["--legacy", "--force"], ["--force"]):
                if save(scltool, source, out, *args):
                    changed, total = changed_lines(source, out)
                    cells.append("%d" % changed)
                else:
                    cells.append("refused")
            print("  %-75s %7s -> %-7s (%d)" % (row["local_path"], cells[0], cells[1],
                                                len(lines_of(source))))
        if shutil.which("xmllint") is None:
            print("xmllint not found: validity not measured")
            return
        valid = [(row, [e for e in EDITIONS if row.get("xsd_" + e) == "valid"]) for row in rows]
        valid = [(row, editions) for row, editions in valid if editions]
        stay = {encoding: 0 for encoding in ENCODINGS}
        for row, editions in valid:
            source = os.path.join(corpus, row["local_path"])
            for encoding in ENCODINGS:
                ok = save(scltool, source, out, "--format", encoding)
                for edition in editions if ok else []:
                    schema = os.path.join(corpus, "xsd", edition, "SCL.xsd")
                    ok = ok and subprocess.run(["xmllint", "--noout", "--schema", schema, out],
                                               capture_output=True).returncode == 0
                if ok:
                    stay[encoding] += 1
                else:
                    print("  invalid after save (%s): %s" % (encoding, row["local_path"]))
        print("valid files: %d; still valid after a save: %s" % (
            len(valid), ", ".join("%s %d" % item for item in stay.items())))
    finally:
        shutil.rmtree(tmp)


if __name__ == "__main__":
    main()
