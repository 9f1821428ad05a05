#!/usr/bin/env python3
"""Generates the typed SCL surface from one description: the native typed element and
reference classes (inc_scl/sclnorm/KVSclClasses.h/.cpp), the managed binding's shim interface
(binding/native/SclNetExports.h, sclnet.map), its generated C# (binding/SclNET/Generated/) and
the accessor records as JSON for the binding's meta-test (binding/tests/Generated/).

Usage: gen_typed_classes.py [OUTPUT_ROOT]    (default: this repository)
       gen_typed_classes.py --list           (the generated files, relative to the root)

The model (tools/sclgen/model.py) reads the tables once into plain accessor records; the
printers (sclgen/cpp.py, sclgen/shim.py, sclgen/csharp.py, sclgen/records.py) only format them.

Inputs, all in this repository: SclDll/SclNames.def (class and name ids), SclDll/SclSchema.def
(schema rows, key attributes, reference classes, reference keys) and tools/typed_classes.dev
(the deviations: intermediate classes, reference targets, composite identities, the few
accessors the rows do not give and the managed enumeration names that differ), and
binding/native/SclNet.exports (the shim's flat C interface).

Why a generator and not X-macros over SclSchema.def: the accessor set of a class is a
computation over several tables (multiplicity decides the family, the key-attribute table
decides whether a keyed getter exists, shared rows move into the intermediate classes, the
reference tables add reference accessors), which the preprocessor can express only through
a maze of helper macros; and the managed binding must produce its wrappers from the same
description, which a script can read and a macro expansion cannot. The output is committed,
readable and checked by a test that regenerates it and compares. Every generated accessor is
a one-line forward to a helper of KVSclTyped.h or to a container operation.
"""
import os
import sys

sys.dont_write_bytecode = True  # keep the source folder free of caches

from sclgen.cpp import print_cpp
from sclgen.csharp import print_csharp
from sclgen.model import ROOT, Model
from sclgen.records import print_records
from sclgen.shim import print_imports, print_shim, read_exports


def generate():
    """{path relative to the repository: text} of every generated file."""
    model = Model()
    exports = read_exports()
    files = print_cpp(model)
    files.update(print_shim(exports))
    files["binding/SclNET/Generated/NativeMethods.g.cs"] = print_imports(exports)
    files.update(print_csharp(model))
    files.update(print_records(model))
    return files


def main():
    files = generate()
    if sys.argv[1:] == ["--list"]:
        print("\n".join(sorted(files)))
        return
    out = sys.argv[1] if len(sys.argv) > 1 else ROOT
    for rel, text in files.items():
        path = os.path.join(out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)


if __name__ == "__main__":
    main()
