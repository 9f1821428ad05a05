"""The one description of the typed surface: the .def tables and tools/typed_classes.dev read
once into plain records that every printer (C++, the binding's shim, C#) walks.

Every table line of the inputs must be understood: a line that starts like a row but does not
parse, or a deviation line of an unknown kind, stops the generator, so a new column or a typo
cannot drop a row silently.
"""
import os
import re
from dataclasses import dataclass, field
from typing import List, Optional

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NONE = "NONE"


def _read(rel):
    with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
        return f.read()


def _parse_rows(text, rel, macros):
    """{macro: [tuple of groups]} for every line starting with one of the macros; each must
    match its pattern completely, and every line starting with SCL_ must be one of them."""
    out = {m: [] for m in macros}
    for number, line in enumerate(text.splitlines(), 1):
        if not line.startswith("SCL_"):
            continue
        macro = line.split("(", 1)[0]
        if macro not in macros:
            raise SystemExit("%s:%d: unknown row %s" % (rel, number, macro))
        m = re.fullmatch(macros[macro], line.strip())
        if not m:
            raise SystemExit("%s:%d: row does not parse: %s" % (rel, number, line))
        out[macro].append(m.groups())
    return out


ID = r"(\w+)"
NUM = r"(-?\d+)"
STR = r'"([^"]*)"'
BOOL = r"(true|false)"


def _row(*cols):
    return r"\(" + r",\s*".join(cols) + r"\)"


@dataclass
class Accessor:
    """One accessor family of a typed class, in the order the classes declare them.

    kind      what the family does; name, ref, literal, names, fallback, settable are its data:
      identity    GetId/HasId: literal (or None) + the values of names
      attr        Get_/Set_ of plain attribute `name`
      ref_attr    Get_ of reference attribute `name` (through the reference children;
                  fallback: to the element's own value child)
      content     GetContent (and SetContent when settable)
      create      Create<name>(index)
      list        Get<name>s / Get<name>Count (children answering class `name`)
      find        Get<name>(key): first `name` child whose identity equals key
      single      Get<name>(): first `name` child
      owner_ref   GetRef<name>/SetRef<name>: target of class `name` of the `ref` child
      typenode    Get<name>(): the type node of class `name` of the instance
      flag        GetFlag<name>/SetFlag<name>: presence of a `name` child
      ref_key     key getter of a reference class (`name` NONE: its content)
      ref_target  GetRef<name>/SetRef<name> of a reference class
    """
    kind: str
    name: str = ""
    ref: str = ""
    literal: Optional[str] = None
    names: List[str] = field(default_factory=list)
    fallback: bool = True
    settable: bool = True


@dataclass
class TypedClass:
    ident: str            # element name as identifier (_xml for ?xml)
    class_id: int
    role: str             # element, intermediate, derived, reference
    base: str             # identifier of the intermediate base, "" for none
    target: str           # reference classes: the class a target must answer
    accessors: List[Accessor]


class Model:
    def __init__(self):
        names_rel = "SclDll/SclNames.def"
        names = _parse_rows(_read(names_rel), names_rel, {
            "SCL_ELEMENT": "SCL_ELEMENT" + _row(NUM, ID, STR),
            "SCL_REF_ELEMENT": "SCL_REF_ELEMENT" + _row(NUM, ID, STR),
            "SCL_ATTRIBUTE": "SCL_ATTRIBUTE" + _row(NUM, ID, STR)})
        schema_rel = "SclDll/SclSchema.def"
        schema = _parse_rows(_read(schema_rel), schema_rel, {
            "SCL_SCHEMA_ROW": "SCL_SCHEMA_ROW" + _row(ID, ID, STR, BOOL, NUM, NUM, BOOL, NUM),
            "SCL_KEY_ATTRIBUTE": "SCL_KEY_ATTRIBUTE" + _row(ID, ID),
            "SCL_REF_CLASS": "SCL_REF_CLASS" + _row(ID, ID),
            "SCL_REF_KEY": "SCL_REF_KEY" + _row(ID, ID, NUM, ID, ID, ID)})
        values_rel = "SclDll/SclLinkInfoTables.def"
        values = _parse_rows(_read(values_rel), values_rel, {
            "SCL_VALUE": "SCL_VALUE" + _row(NUM, ID, STR),
            "SCL_VALUE_UNNAMED": "SCL_VALUE_UNNAMED" + _row(NUM, ID, ID, STR),
            "SCL_DA_GROUP": "SCL_DA_GROUP" + _row(ID, ID),
            "SCL_TARGET_CDC": "SCL_TARGET_CDC" + _row(ID, ID),
            "SCL_DA_LINK": "SCL_DA_LINK" + _row(ID, ID, ID, ID)})
        self.dev = read_deviations()

        # ---- ids and names ----
        elements = [(int(n), i) for n, i, _ in names["SCL_ELEMENT"]]
        refs = [(int(n), i) for n, i, _ in names["SCL_REF_ELEMENT"]]
        self.name_ids = [(int(n), i, s) for kind in ("SCL_ELEMENT", "SCL_REF_ELEMENT", "SCL_ATTRIBUTE")
                         for n, i, s in names[kind]]
        self.name_ids.sort()
        self.attr_ident = {s: i for _, i, s in names["SCL_ATTRIBUTE"]}
        self.class_id = {ident: num for num, ident in elements + refs}
        self.elements = [ident for _, ident in elements]
        self.refs = [ident for _, ident in refs]
        self.value_ids = sorted([(int(n), i) for n, i, _ in values["SCL_VALUE"]] +
                                [(int(n), i) for n, i, _, _ in values["SCL_VALUE_UNNAMED"]])
        self.errors = read_errors()
        self.file_formats = read_file_formats()
        self.editions = read_editions()

        # ---- members of each element class, from the rows ----
        members = {c: [] for c in self.elements}
        for cls, name, _xsd, is_attr, _min, max_occurs, is_ref, _seq in schema["SCL_SCHEMA_ROW"]:
            m = members[cls]
            if name == NONE:
                item = ("content",)
            elif is_attr == "true":
                item = ("attr", name, is_ref == "true")
            else:
                item = ("child", name, int(max_occurs) != 1)
            if item not in m:
                m.append(item)
        for cls in self.dev["content"]:
            members[cls].append(("content",))
        for cls in self.dev["contentget"]:
            members[cls] = [("contentget",) if i == ("content",) else i for i in members[cls]]
        ref_classes = {}
        for cls, ref in schema["SCL_REF_CLASS"]:
            ref_classes.setdefault(cls, []).append(ref)
        for cls in ref_classes:
            ref_classes[cls].sort(key=lambda r: self.class_id[r])
            members[cls] += [("ref", r) for r in ref_classes[cls]]
        self.ref_keys = {}
        for ref, name, *_ in schema["SCL_REF_KEY"]:
            self.ref_keys.setdefault(ref, []).append(name)
        self.identity = {}
        for cls, name in schema["SCL_KEY_ATTRIBUTE"]:
            self.identity.setdefault(cls, (None, []))[1].append(name)
        self.identity.update(self.dev["identity"])
        for cls, child in self.dev["list"]:
            members[cls].append(("list", child))
        for cls, type_class in self.dev["typenode"]:
            members[cls].append(("typenode", type_class))
        for cls in self.dev["flags"]:
            members[cls] += [("flag", i[1]) for i in members[cls] if i[0] == "child"]
        self.base_of = {}
        for base, derived in self.dev["base"].items():
            shared = [i for i in members[derived[0]] if all(i in members[d] for d in derived)
                      and (base, i[1] if len(i) > 1 else "") not in self.dev["own"]]
            members[base] = shared
            for d in derived:
                self.base_of[d] = base
                members[d] = [i for i in members[d] if i not in shared]

        # ---- the records ----
        self.classes = {}
        for cls in self.elements:
            role = "intermediate" if cls in self.dev["base"] else ("derived" if cls in self.base_of else "element")
            self.classes[cls] = TypedClass(cls, self.class_id[cls], role, self.base_of.get(cls, ""), "",
                                           self._element_accessors(cls, members[cls]))
        for cls in self.refs:
            self.classes[cls] = TypedClass(cls, self.class_id[cls], "reference", "", self.dev["target"][cls],
                                           self._ref_accessors(cls))

    def ref_target_classes(self, ref):
        """The target class of a reference and, for an intermediate target, its derived classes."""
        target = self.dev["target"][ref]
        return [target] + self.dev["base"][target] if target in self.dev["base"] else [target]

    def _ref_accessors(self, cls):
        out = [Accessor("ref_key", key) for key in self.ref_keys[cls]]
        out += [Accessor("ref_target", t) for t in self.ref_target_classes(cls)]
        return out

    def _element_accessors(self, cls, members):
        out = []
        if cls in self.identity:
            literal, names = self.identity[cls]
            out.append(Accessor("identity", literal=literal, names=list(names)))
        for item in members:
            kind = item[0]
            if kind == "attr":
                if item[2]:
                    out.append(Accessor("ref_attr", item[1], fallback=(cls, item[1]) not in self.dev["nofallback"]))
                else:
                    out.append(Accessor("attr", item[1]))
            elif kind in ("content", "contentget"):
                out.append(Accessor("content", settable=kind == "content"))
            elif kind == "child":
                x = item[1]
                out.append(Accessor("create", x))
                if item[2]:
                    out.append(Accessor("list", x))
                    if x in self.identity:
                        out.append(Accessor("find", x))
                else:
                    out.append(Accessor("single", x))
            elif kind == "list":
                out.append(Accessor("list", item[1]))
            elif kind == "ref":
                out += [Accessor("owner_ref", t, ref=item[1]) for t in self.ref_target_classes(item[1])]
            elif kind == "typenode":
                out.append(Accessor("typenode", item[1]))
            elif kind == "flag":
                out.append(Accessor("flag", item[1]))
        return out

    def declaration_order(self):
        """Element classes with the intermediate bases before the classes deriving from them,
        then the reference classes."""
        return [c for c in self.elements if c not in self.base_of] + \
               [c for c in self.elements if c in self.base_of] + self.refs


def read_deviations():
    dev = {"base": {}, "target": {}, "identity": {}, "content": set(), "contentget": set(),
           "list": [], "typenode": [], "flags": set(), "nofallback": set(), "own": set(),
           "valuename": {}, "errorname": {}, "errorskip": set()}
    for line in _read("tools/typed_classes.dev").splitlines():
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
        elif kind in ("content", "contentget", "flags", "errorskip"):
            dev[kind].add(args[0])
        elif kind in ("list", "typenode"):
            dev[kind].append(tuple(args))
        elif kind in ("nofallback", "own"):
            dev[kind].add(tuple(args))
        elif kind == "valuename":
            dev[kind][int(args[0])] = args[1]
        elif kind == "errorname":
            dev[kind][args[0]] = args[1]
        else:
            raise SystemExit("typed_classes.dev: unknown line: " + line.strip())
    return dev


def read_errors():
    """[(enumerator, value)] of SCL_ERROR_LIST in xmlparser/Report.h."""
    rows = re.findall(r'^\s*X\((SE_\w+),\s*(\d+),\s*"', _read("xmlparser/Report.h"), re.M)
    if len(rows) != 16:
        raise SystemExit("xmlparser/Report.h: expected 16 error codes, parsed %d" % len(rows))
    return [(e, int(v)) for e, v in rows]


def read_editions():
    """[(enumerator, value, comment)] of tSclEdition in SclDll/CSclEdition.h."""
    m = re.search(r"enum tSclEdition : int8_t \{([^}]*)\}", _read("SclDll/CSclEdition.h"))
    rows = re.findall(r"(SCL_EDITION_\w+) = (\d+),\s*///< (.*)", m.group(1)) if m else []
    if len(rows) != 3:
        raise SystemExit("SclDll/CSclEdition.h: tSclEdition not parsed")
    return [(e, int(v), c.strip()) for e, v, c in rows]


def read_file_formats():
    """[(enumerator, value)] of tFileFormat in xmlparser/XmlParser.h."""
    m = re.search(r"enum tFileFormat : int32_t \{([^}]*)\}", _read("xmlparser/XmlParser.h"))
    rows = re.findall(r"(FF_\w+) = (\d+)", m.group(1)) if m else []
    if len(rows) != 3:
        raise SystemExit("xmlparser/XmlParser.h: tFileFormat not parsed")
    return [(e, int(v)) for e, v in rows]
