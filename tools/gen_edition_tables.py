#!/usr/bin/env python3
"""Writes SclDll/SclEditionTables.inc, the element and attribute knowledge of the three SCL
editions (2003, 2007B, 2007B4), from their XSD schema folders.

    python3 tools/gen_edition_tables.py [--xsd DIR] [OUTFILE]

DIR holds one folder per edition (SCL2003, SCL2007B, SCL2007B4), each with SCL.xsd and the
files it includes; the default is ../shared/corpus/xsd beside the project. OUTFILE defaults to
SclDll/SclEditionTables.inc of the project. The schemas themselves never enter the project:
only the tables drawn from them.

Per edition and per complex type the tables hold the child elements (name, type, position),
the attributes, and what the type admits from other namespaces. Positions number the
particles of the content model in document order; the alternatives of a choice share a
position, and so do all elements of a repeated choice and of an xs:all group (their order is
free). Extensions put the base type's particles first.
"""
import os
import sys
import xml.etree.ElementTree as ET

XS = '{http://www.w3.org/2001/XMLSchema}'
EDITIONS = [('2003', 'SCL2003'), ('2007B', 'SCL2007B'), ('2007B4', 'SCL2007B4')]

FLAG_FOREIGN_ELEMENTS = 1
FLAG_FOREIGN_ATTRIBUTES = 2
FLAG_FOREIGN_CONTENT = 4  # only content of other namespaces (Text, Private)
FLAG_MIXED = 8


def local(name):
    return name.split(':', 1)[-1] if name else name


class Schema:
    def __init__(self, folder):
        self.types = {}      # name -> xs:complexType node
        self.elements = {}   # global element name -> node
        self.attr_groups = {}
        self.simple = set()
        self._load(os.path.join(folder, 'SCL.xsd'), set())

    def _load(self, path, seen):
        path = os.path.normpath(path)
        if path in seen:
            return
        seen.add(path)
        root = ET.parse(path).getroot()
        for node in root:
            if node.tag == XS + 'include':
                self._load(os.path.join(os.path.dirname(path), node.get('schemaLocation')), seen)
            elif node.tag == XS + 'complexType':
                self.types[node.get('name')] = node
            elif node.tag == XS + 'simpleType':
                self.simple.add(node.get('name'))
            elif node.tag == XS + 'element':
                self.elements[node.get('name')] = node
            elif node.tag == XS + 'attributeGroup':
                self.attr_groups[node.get('name')] = node


class Builder:
    """Turns the complex types reachable from the SCL element into table rows."""

    def __init__(self, schema):
        self.schema = schema
        self.index = {}   # type key -> row index
        self.rows = []    # [name, children, attributes, flags]

    def type_of_element(self, node, owner):
        """Row index of the type of element node (-1: simple content only)."""
        if node.get('ref'):
            node = self.schema.elements[local(node.get('ref'))]
        inline = node.find(XS + 'complexType')
        if inline is not None:
            return self.add_type(owner + '/' + node.get('name'), inline)
        type_name = local(node.get('type'))
        if type_name in self.schema.types:
            return self.add_type(type_name, self.schema.types[type_name])
        return -1

    def add_type(self, key, node):
        if key in self.index:
            return self.index[key]
        row = len(self.rows)
        self.index[key] = row
        entry = [key, [], [], 0]
        self.rows.append(entry)
        children, attributes, flags = [], [], 0
        if node.get('mixed') == 'true':
            flags |= FLAG_MIXED
        counter = [0]
        flags |= self.collect(node, children, attributes, counter, key)
        if flags & FLAG_FOREIGN_ELEMENTS and not children:
            flags |= FLAG_FOREIGN_CONTENT
        entry[1] = children
        entry[2] = attributes
        entry[3] = flags
        return row

    def collect(self, node, children, attributes, counter, owner):
        """Adds the particles and attributes of a complexType (or an extension of one)."""
        flags = 0
        for part in node:
            tag = part.tag
            if tag in (XS + 'complexContent', XS + 'simpleContent'):
                for derivation in part:
                    if derivation.tag not in (XS + 'extension', XS + 'restriction'):
                        continue
                    base = local(derivation.get('base'))
                    if base in self.schema.types and derivation.tag == XS + 'extension':
                        flags |= self.collect(self.schema.types[base], children, attributes,
                                              counter, owner)
                        if self.schema.types[base].get('mixed') == 'true':
                            flags |= FLAG_MIXED
                    if part.tag == XS + 'simpleContent':
                        flags |= FLAG_MIXED
                    flags |= self.collect(derivation, children, attributes, counter, owner)
            elif tag in (XS + 'sequence', XS + 'choice', XS + 'all'):
                flags |= self.particle(part, children, counter, owner, False)
            elif tag == XS + 'attribute':
                name = part.get('name') or local(part.get('ref'))
                if name not in attributes:
                    attributes.append(name)
            elif tag == XS + 'attributeGroup':
                group = self.schema.attr_groups[local(part.get('ref'))]
                flags |= self.collect(group, children, attributes, counter, owner)
            elif tag == XS + 'anyAttribute':
                flags |= FLAG_FOREIGN_ATTRIBUTES
        return flags

    def particle(self, node, children, counter, owner, shared):
        """Numbers the elements of a model group; shared: all get one position."""
        flags = 0
        tag = node.tag
        if tag == XS + 'element':
            name = node.get('name') or local(node.get('ref'))
            if shared:
                position = counter[0]
            else:
                counter[0] += 1
                position = counter[0]
            if all(child[0] != name for child in children):
                children.append([name, self.type_of_element(node, owner), position])
            return flags
        if tag == XS + 'any':
            if shared:
                return FLAG_FOREIGN_ELEMENTS
            counter[0] += 1
            return FLAG_FOREIGN_ELEMENTS
        if tag == XS + 'sequence' and not shared:
            for part in node:
                flags |= self.particle(part, children, counter, owner, False)
            return flags
        if tag in (XS + 'sequence', XS + 'choice', XS + 'all'):
            repeated = node.get('maxOccurs', '1') != '1'
            if shared or repeated or tag == XS + 'all':
                if not shared:
                    counter[0] += 1
                for part in node:
                    flags |= self.particle(part, children, counter, owner, True)
                return flags
            # A choice taken once: each alternative starts at the same position.
            start = counter[0]
            end = start
            for part in node:
                branch = [start]
                flags |= self.particle(part, children, branch, owner, False)
                end = max(end, branch[0])
            counter[0] = end
            return flags
        return flags


def build(folder):
    schema = Schema(folder)
    builder = Builder(schema)
    root = builder.type_of_element(schema.elements['SCL'], '')
    return root, builder.rows


def c_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def render(xsd_dir):
    out = []
    out.append('// Generated by tools/gen_edition_tables.py from the XSD schemas of the three SCL')
    out.append('// editions; do not edit. Included once, by SclDll/CSclEdition.cpp.')
    out.append('//')
    out.append('// Per edition: its types (name, first child row, child count, first attribute row,')
    out.append('// attribute count, flags), their child elements (name, type row or -1 for simple')
    out.append('// content, position in the content model) and their attribute names.')
    out.append('')
    for edition, folder in EDITIONS:
        root, rows = build(os.path.join(xsd_dir, folder))
        ident = 'Ed' + edition
        children, attributes, types = [], [], []
        for name, kids, attrs, flags in rows:
            types.append((name, len(children), len(kids), len(attributes), len(attrs), flags))
            children.extend(kids)
            attributes.extend(attrs)
        out.append('const tSclEditionChild s_Children%s[] = {' % ident)
        for name, type_row, position in children:
            out.append('    {%s, %d, %d},' % (c_string(name), type_row, position))
        out.append('};')
        out.append('const char* const s_Attributes%s[] = {' % ident)
        for i in range(0, len(attributes), 6):
            out.append('    ' + ' '.join(c_string(a) + ',' for a in attributes[i:i + 6]))
        out.append('};')
        out.append('const tSclEditionType s_Types%s[] = {' % ident)
        for name, first, count, first_attr, attr_count, flags in types:
            out.append('    {%s, %d, %d, %d, %d, %d},' %
                       (c_string(name), first, count, first_attr, attr_count, flags))
        out.append('};')
        out.append('constexpr int s_Root%s = %d;' % (ident, root))
        out.append('')
    out.append('const tSclEditionTables s_Editions[] = {')
    for edition, _ in EDITIONS:
        ident = 'Ed' + edition
        out.append('    {%s, s_Types%s, int(std::size(s_Types%s)), s_Children%s, s_Attributes%s,'
                   ' s_Root%s},' % (c_string(edition), ident, ident, ident, ident, ident))
    out.append('};')
    return '\n'.join(out) + '\n'


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    project = os.path.dirname(here)
    xsd_dir = os.path.join(project, '..', 'shared', 'corpus', 'xsd')
    args = list(argv)
    if len(args) >= 2 and args[0] == '--xsd':
        xsd_dir = args[1]
        args = args[2:]
    target = args[0] if args else os.path.join(project, 'SclDll', 'SclEditionTables.inc')
    text = render(xsd_dir)
    with open(target, 'w', newline='\n') as f:
        f.write(text)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
