#!/usr/bin/env python3
"""Generates the typed SCL element and reference classes (inc_scl/sclnorm/KVSclClasses.h/.cpp).

Usage: gen_typed_classes.py [OUTPUT_DIR]     (default: inc_scl/sclnorm of this repository)

Inputs, all in this repository: SclDll/SclNames.def (class and name ids), SclDll/SclSchema.def
(schema rows, key attributes, reference classes, reference keys) and tools/typed_classes.dev
(the deviations: intermediate classes, reference targets, composite identities and the few
accessors the rows do not give).

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
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NONE = "NONE"


def read_defs():
    names = open(os.path.join(ROOT, "SclDll/SclNames.def"), encoding="utf-8").read()
    elements, refs, attrs = [], [], {}
    for kind, num, ident, name in re.findall(
            r'^(SCL_ELEMENT|SCL_REF_ELEMENT|SCL_ATTRIBUTE)\((\d+),\s*(\w+),\s*"([^"]*)"\)', names, re.M):
        if kind == "SCL_ELEMENT":
            elements.append((int(num), ident))
        elif kind == "SCL_REF_ELEMENT":
            refs.append((int(num), ident))
        else:
            attrs[name] = ident
    schema = open(os.path.join(ROOT, "SclDll/SclSchema.def"), encoding="utf-8").read()
    rows = [(c, n, a == "true", int(mx), r == "true") for c, n, a, mx, r in re.findall(
        r'^SCL_SCHEMA_ROW\((\w+),\s*(\w+),\s*"[^"]*",\s*(true|false),\s*-?\d+,\s*(-?\d+),\s*(true|false),',
        schema, re.M)]
    keys = re.findall(r'^SCL_KEY_ATTRIBUTE\((\w+),\s*(\w+)\)', schema, re.M)
    ref_classes = re.findall(r'^SCL_REF_CLASS\((\w+),\s*(\w+)\)', schema, re.M)
    ref_keys = re.findall(r'^SCL_REF_KEY\((\w+),\s*(\w+)\)', schema, re.M)
    return elements, refs, attrs, rows, keys, ref_classes, ref_keys


def read_deviations():
    dev = {"base": {}, "target": {}, "identity": {}, "content": set(), "contentget": set(),
           "list": [], "typenode": [], "flags": set(), "nofallback": set()}
    for line in open(os.path.join(ROOT, "tools/typed_classes.dev"), encoding="utf-8"):
        words = line.split("#")[0].split()
        if not words:
            continue
        kind, args = words[0], words[1:]
        if kind == "base":
            dev["base"][args[0]] = args[1:]
        elif kind == "target":
            dev["target"][args[0]] = args[1]
        elif kind == "identity":
            literal = args[1].strip('"') if args[1].startswith('"') else None
            dev["identity"][args[0]] = (literal, args[2:] if literal is not None else args[1:])
        elif kind in ("content", "contentget", "flags"):
            dev[kind].add(args[0])
        elif kind in ("list", "typenode", "nofallback"):
            dev[kind].append(tuple(args)) if kind != "nofallback" else dev[kind].add(tuple(args))
        else:
            raise SystemExit("typed_classes.dev: unknown line: " + line.strip())
    return dev


class Model:
    def __init__(self):
        elements, refs, self.attr_ident, rows, keys, ref_classes, ref_keys = read_defs()
        self.dev = read_deviations()
        self.class_id = {ident: num for num, ident in elements + refs}
        self.elements = [ident for _, ident in elements]
        self.refs = [ident for _, ident in refs]
        self.members = {c: [] for c in self.elements}
        for cls, name, is_attr, max_occurs, is_ref in rows:
            m = self.members[cls]
            if name == NONE:
                item = ("content",)
            elif is_attr:
                item = ("attr", name, is_ref)
            else:
                item = ("child", name, max_occurs != 1)
            if item not in m:
                m.append(item)
        for cls in self.dev["content"]:
            self.members[cls].append(("content",))
        for cls in self.dev["contentget"]:
            self.members[cls] = [("contentget",) if i == ("content",) else i for i in self.members[cls]]
        self.ref_classes = {}
        for cls, ref in ref_classes:
            self.ref_classes.setdefault(cls, []).append(ref)
        for cls in self.ref_classes:
            self.ref_classes[cls].sort(key=lambda r: self.class_id[r])
            self.members[cls] += [("ref", r) for r in self.ref_classes[cls]]
        self.ref_keys = {}
        for ref, name in ref_keys:
            self.ref_keys.setdefault(ref, []).append(name)
        self.identity = {}
        for cls, name in keys:
            self.identity.setdefault(cls, (None, []))[1].append(name)
        self.identity.update(self.dev["identity"])
        for cls, child in self.dev["list"]:
            self.members[cls].append(("list", child))
        for cls, type_class in self.dev["typenode"]:
            self.members[cls].append(("typenode", type_class))
        for cls in self.dev["flags"]:
            self.members[cls] += [("flag", i[1]) for i in self.members[cls] if i[0] == "child"]
        self.base_of = {}
        for base, derived in self.dev["base"].items():
            shared = [i for i in self.members[derived[0]] if all(i in self.members[d] for d in derived)]
            self.members[base] = shared
            for d in derived:
                self.base_of[d] = base
                self.members[d] = [i for i in self.members[d] if i not in shared]

    def owner_of_attr(self, cls, name):
        """The class whose nofallback rule applies to an attribute getter of cls."""
        return (cls, name) in self.dev["nofallback"]


def cpp_class(ident):
    return "CScl" + ident


def attr_accessor(name):
    return "_virtual" if name == "virtual" else name


def nid(model, name):
    return "NID_" + model.attr_ident.get(name, name)


def ref_target_classes(model, ref):
    target = model.dev["target"][ref]
    return [target] + model.dev["base"][target] if target in model.dev["base"] else [target]


def declare(model, cls, is_ref):
    """Declarations and definitions of one class: (header lines, source lines)."""
    c = cpp_class(cls)
    h, s = [], []

    def acc(comment, decl, body, const=True, override=False):
        ret, rest = decl
        qual = (" const" if const else "") + (" override" if override else "")
        h.append("   /// " + comment)
        h.append("   %s %s%s;" % (ret, rest, qual))
        s.append("%s %s::%s%s { return %s; }" % (ret, c, rest.replace(" = InsertLast", ""),
                                                   " const" if const else "", body))

    if is_ref:
        for key in model.ref_keys[cls]:
            if key == NONE:
                acc("Key text (the owner's text): the target's name while it resolves, else the stored text.",
                    ("std::string", "GetContent()"), "SclRefKey(*this, NID_NONE)", override=True)
            else:
                acc('Key "%s": derived from the target while it resolves, else the stored value.' % key,
                    ("std::string", "Get_%s()" % attr_accessor(key)), "SclRefKey(*this, %s)" % nid(model, key))
        for t in ref_target_classes(model, cls):
            acc("The target when it is a %s, else null." % t, ("%s*" % cpp_class(t), "GetRef%s()" % t),
                "static_cast<%s*>(SclRefTargetAs(*this, CID_%s))" % (cpp_class(t), t))
            acc("Sets the target (null clears it); SE_WRONG_TYPE (reported) for a wrong class.",
                ("tSclError", "SetRef%s(%s* apTarget)" % (t, cpp_class(t))), "SetRefSclContainer(apTarget)", const=False)
        return h, s

    if cls in model.identity:
        literal, names = model.identity[cls]
        lit = '"%s"' % literal if literal is not None else "nullptr"
        acc("Identity: %s." % " + ".join(([literal] if literal else []) + names), ("std::string", "GetId()"),
            "SclGetIdentity(*this, %s, {%s})" % (lit, ", ".join(nid(model, n) for n in names)), override=True)
        acc("True: the class has an identity.", ("bool", "HasId()"), "true", override=True)
    for item in model.members[cls]:
        kind = item[0]
        if kind == "attr":
            name, is_ref = item[1], item[2]
            a = attr_accessor(name)
            if is_ref:
                fallback = ", false" if model.owner_of_attr(cls, name) else ""
                acc('Reference attribute "%s", read through the reference child; set it with SetRef.' % name,
                    ("std::string", "Get_%s()" % a), "SclGetRefAttrib(*this, %s%s)" % (nid(model, name), fallback))
            else:
                acc('Attribute "%s"; empty when absent.' % name, ("std::string", "Get_%s()" % a),
                    "GetValue(%s)" % nid(model, name))
                acc('Sets attribute "%s", creating it when missing.' % name,
                    ("tSclError", "Set_%s(const std::string& aValue)" % a),
                    "SetAttribValue(%s, aValue)" % nid(model, name), const=False)
        elif kind in ("content", "contentget"):
            acc("Text content; empty when there is none.", ("std::string", "GetContent()"), "SclGetContent(*this)")
            if kind == "content":
                acc("Replaces the text content, creating it when there is none.",
                    ("tSclError", "SetContent(const std::string& aText)"), "SclSetContent(*this, aText)", const=False)
        elif kind == "child":
            x, multi = item[1], item[2]
            cx = cpp_class(x)
            acc("New %s child at aIndex (InsertLast: its schema position); null when refused." % x,
                ("%s*" % cx, "Create%s(int aIndex = InsertLast)" % x),
                "static_cast<%s*>(CreateSclContainer(CID_%s, aIndex))" % (cx, x), const=False)
            if multi:
                declare_list(acc, x)
                if x in model.identity:
                    acc("The first %s child whose identity equals aKey, or null." % x,
                        ("%s*" % cx, "Get%s(const std::string& aKey)" % x),
                        "static_cast<%s*>(SclFindChild(*this, CID_%s, aKey))" % (cx, x))
            else:
                acc("The first %s child, or null." % x, ("%s*" % cx, "Get%s()" % x),
                    "static_cast<%s*>(GetChild(CID_%s))" % (cx, x))
        elif kind == "list":
            declare_list(acc, item[1])
        elif kind == "ref":
            for t in ref_target_classes(model, item[1]):
                acc("The %s the %s child resolves to, or null." % (t, item[1]), ("%s*" % cpp_class(t), "GetRef%s()" % t),
                    "static_cast<%s*>(SclGetRefTarget(*this, CID_%s, CID_%s))" % (cpp_class(t), item[1], t))
                acc("Points the %s child (created when missing) at apTarget; SE_WRONG_TYPE for a wrong class." % item[1],
                    ("tSclError", "SetRef%s(%s* apTarget)" % (t, cpp_class(t))),
                    "SclSetRefTarget(*this, CID_%s, apTarget)" % item[1], const=False)
        elif kind == "typenode":
            t = item[1]
            acc("The %s of the type templates that describes this element, or null." % t,
                ("%s*" % cpp_class(t), "Get%s()" % t),
                "static_cast<%s*>(SclGetTypeNodeAs(*this, CID_%s))" % (cpp_class(t), t))
        elif kind == "flag":
            x = item[1]
            acc("Whether a %s child exists." % x, ("bool", "GetFlag%s()" % x), "SclGetFlag(*this, CID_%s)" % x)
            h.append("   /// Adds the %s child (at its place) or deletes it with its subtree." % x)
            h.append("   void SetFlag%s(bool aSet);" % x)
            s.append("void %s::SetFlag%s(bool aSet) { SclSetFlag(*this, CID_%s, aSet); }" % (c, x, x))
    return h, s


def declare_list(acc, x):
    cx = cpp_class(x)
    acc("Appends every %s child, in child order, to arList (not cleared); SE_OK." % x,
        ("tSclError", "Get%ss(std::vector<%s*>& arList)" % (x, cx)), "SclGetChildren(*this, arList)")
    acc("Number of %s children." % x, ("int", "Get%sCount()" % x), "GetChildCount(CID_%s)" % x)


HEADER = """// GENERATED by tools/gen_typed_classes.py from SclDll/SclNames.def, SclDll/SclSchema.def and
// tools/typed_classes.dev. Do not edit; regenerate with: python3 tools/gen_typed_classes.py
"""


def generate(model):
    order = [c for c in model.elements if c not in model.base_of] + \
            [c for c in model.elements if c in model.base_of]
    hdr = [HEADER + "//",
           "// One class per SCL element (CScl<Element>, CScl_xml for the XML declaration) and per",
           "// reference element. Every pointer an accessor returns is owned by the tree; callers never",
           "// delete it. Getters never fail: a missing attribute reads as empty text, a missing child as",
           "// null. The behaviour lives in the helpers of KVSclTyped.h and the container operations.",
           "// clang-format off", "#pragma once", "", "#include <string>", "#include <vector>", "",
           '#include "inc_scl/sclnorm/KVSclTyped.h"', "", "namespace Arvenko::Melvotar::Scl {", ""]
    hdr += ["class %s;" % cpp_class(c) for c in model.elements + model.refs]
    src = [HEADER + "// clang-format off", '#include "inc_scl/sclnorm/KVSclClasses.h"', "",
           "#include <new>", "", "namespace Arvenko::Melvotar::Scl {"]
    for cls in order + model.refs:
        is_ref = cls in model.refs
        c = cpp_class(cls)
        if is_ref:
            base = "CSclTypedRef<CID_%s, CID_%s>" % (cls, model.dev["target"][cls])
        elif cls in model.base_of:
            base = "CSclTypedElement<CID_%s, %s>" % (cls, cpp_class(model.base_of[cls]))
        else:
            base = "CSclTypedElement<CID_%s>" % cls
        h, s = declare(model, cls, is_ref)
        kind = "Reference" if is_ref else ("Intermediate class" if cls in model.dev["base"] else "Element")
        hdr += ["", "/// %s %s (class id %d)." % (kind, "?xml" if cls == "_xml" else cls, model.class_id[cls]),
                "class %s : public %s {" % (c, base), " public:", "   using %s::%s;" % (base, base.split("<")[0])]
        hdr += h + ["};"]
        if s:
            src += ["", "// ---- %s ----" % c] + s
    hdr += ["", "} // namespace Arvenko::Melvotar::Scl"]
    src += ["", "CSclContainer* CSclContainer::CreateSclContainer(tSclClassId aClassId, int aIndex)", "{",
            "   CSclContainer* pNew = nullptr;", "   switch (aClassId) {", "   case CID_CONTAINER:",
            "      pNew = new (std::nothrow) CSclContainer(this, aIndex);", "      break;"]
    for cls in model.elements + model.refs:
        src += ["   case CID_%s:" % cls, "      pNew = new (std::nothrow) %s(this, aIndex);" % cpp_class(cls),
                "      break;"]
    src += ["   default: // no element class: 0, the pseudo classes 2..6, negative and unknown ids",
            "      return nullptr;", "   }", "   if (pNew == nullptr || !AdoptCreated(pNew, aIndex))",
            "      return nullptr;", "   return pNew;", "}", "", "} // namespace Arvenko::Melvotar::Scl"]
    return "\n".join(hdr) + "\n", "\n".join(src) + "\n"


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "inc_scl/sclnorm")
    header, source = generate(Model())
    os.makedirs(out, exist_ok=True)
    for name, text in (("KVSclClasses.h", header), ("KVSclClasses.cpp", source)):
        with open(os.path.join(out, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(text)


if __name__ == "__main__":
    main()
