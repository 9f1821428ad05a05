"""Printer of the accessor records themselves as JSON (binding/tests/Generated/TypedRecords.g.json).

The managed binding's meta-test reads this file and checks the built assembly against it by
reflection, with its own rules from record to member; it does not use the C# printer, so a
printer that drops or renames a member fails that test.
"""
import json
from dataclasses import asdict


def print_records(model):
    """{relative path: text} of the records of every typed class, in declaration order."""
    classes = []
    for cls in model.declaration_order():
        tc = model.classes[cls]
        classes.append({"ident": tc.ident, "classId": tc.class_id, "role": tc.role, "base": tc.base,
                        "target": tc.target,
                        "accessors": [{k: v for k, v in asdict(a).items() if k != "names" and k != "literal"}
                                      for a in tc.accessors]})
    # one record per line: small diffs when a table changes
    lines = ['{"generatedBy": "tools/gen_typed_classes.py; do not edit",', ' "classes": [']
    for i, c in enumerate(classes):
        acc = c.pop("accessors")
        lines.append("  " + json.dumps(c)[:-1] + ', "accessors": [')
        lines += ["   " + json.dumps(a) + ("," if j + 1 < len(acc) else "") for j, a in enumerate(acc)]
        lines.append("  ]}" + ("," if i + 1 < len(classes) else ""))
    lines.append(" ]}")
    return {"binding/tests/Generated/TypedRecords.g.json": "\n".join(lines) + "\n"}
