#!/usr/bin/env python3
"""Applies the FY2023 change list of the External Cause Index, the Table of Drugs and
Chemicals and the Neoplasm Table to the FY2022 XML files and checks the result.

    scripts/check-tables-addenda.py [--data DIR] [--list FILE] [--order FILE]
                                    [--order-earlier NAME=FILE ...] [--addenda DIR]

Reports:
  - every change of the list: its target found (the term for a revision or a
    deletion, the parent and the sibling to follow for an addition) and its old value
    equal to the file's;
  - the counts of terms, cells and codes of each table before and after the changes;
  - every code and cell, before and after the changes, that is not an FY2023 code
    (--order: billable codes and headers) nor a dash stem of one ("S93.40-"); a code
    that lacks only its 7th character (T43.651, X58) is complete for the coder;
  - the FY2023 headers written without a dash (C57.1: the coder must still choose
    below them), each with why: written so in FY2022 already (a fault of the release)
    or subdivided since (--order-earlier tells which edition still had it complete);
  - text where a code belongs, dashes after a billable code, trailing blanks;
  - the see and see also texts the list writes that lead to no term of their table,
    and added terms whose neighbours do not sort around them (for review);
  - with --addenda (the folder of icd10cm-{eindex,drug,neoplasm}-addenda-2023.txt,
    plain or .xz): every Add/Revise/Delete line of the addenda that no change cites.
Exits with 1 when a line of the list is malformed, a change does not apply, a code
is not an FY2023 code nor a stem of one, or an addenda line is not cited.

Standard library only. The format of the list is described at its top.
"""

import argparse
import bisect
import lzma
import os
import re
import sys
import xml.etree.ElementTree as ET

SEP = " › "
TABLES = ("neoplasm", "drug", "eindex")
XML_FILES = {t: "icd10cm_%s_2022.xml.xz" % t for t in TABLES}
ADDENDA_FILES = {t: "icd10cm-%s-addenda-2023.txt" % t for t in TABLES}
ERRATA_FILE = "icd10cm-drug-2023-errata.pdf"
SOURCE_FILES = tuple(ADDENDA_FILES.values()) + (ERRATA_FILE,)
TEXT_FIELDS = ("code", "see", "seeAlso", "manif", "subcat", "seecat")
CELL_FIELD = re.compile(r"^col([2-7])$")
CODE_SHAPE = re.compile(r"^[A-Z][0-9][0-9A-Z](\.[0-9A-Z]{0,4})?-?$")
BLANK_CELLS = ("-", "--")
FIRST = "(first)"


def read_text(path):
    """A file's text; a .xz file (or one starting with the xz magic) is decompressed."""
    with open(path, "rb") as f:
        data = f.read()
    if data.startswith(b"\xfd7zXZ\x00"):
        data = lzma.decompress(data)
    return data.decode("utf-8")


def collapse(s):
    return " ".join(s.split())


def display_title(title_el):
    """The title as printed: its text with the nonessential modifiers in parentheses
    where they stand, blanks collapsed, no blank before a comma or a semicolon nor
    before a plural ending written against its word ("Pain(s)") -- the same text the
    guide keeps as a term's display."""
    pieces = [(False, title_el.text or "")]
    for child in title_el:
        pieces.append((child.tag == "nemod", "".join(child.itertext())))
        pieces.append((False, child.tail or ""))
    out = ""
    for i, (nemod, raw) in enumerate(pieces):
        s = collapse(raw)
        if not s:
            continue
        before = pieces[i - 1][1] if i > 0 else ""
        plural = (nemod and (s.startswith("(s)") or s.startswith("(es)")) and raw.startswith("(")
                  and before and not before[-1].isspace())
        joined = not out or s[0] in ",;" or plural
        out += ("" if joined else " ") + s
    return out


class Term:
    def __init__(self, title, parent, level):
        self.title = title
        self.parent = parent
        self.level = level  # 0 for a main term
        self.children = []
        self.fields = {}  # code, see, ...: list of texts in file order
        self.cells = {}  # column number (2-7) -> text as published

    def path(self):
        parts, t = [], self
        while t.level >= 0:
            parts.append(t.title)
            t = t.parent
        return SEP.join(reversed(parts))

    def value(self, field):
        """A field as one text: several values of one term joined with "; "."""
        m = CELL_FIELD.match(field)
        if m:
            return self.cells.get(int(m.group(1)), "")
        return "; ".join(self.fields.get(field, []))

    def walk(self):
        for c in self.children:
            yield c
            yield from c.walk()


class Table:
    """One table read from its XML: a root whose children are the letters, whose
    children are the main terms."""

    def __init__(self, name, text):
        self.name = name
        root = ET.fromstring(text)
        if root.tag != "ICD10CM.index":
            raise ValueError("%s: root element <%s>, expected <ICD10CM.index>" % (name, root.tag))
        self.version = (root.findtext("version") or "").strip()
        self.root = Term("", None, -2)
        for letter in root.findall("letter"):
            lt = Term(collapse(letter.findtext("title") or ""), self.root, -1)
            self.root.children.append(lt)
            for main in letter.findall("mainTerm"):
                lt.children.append(self._term(main, lt, 0))

    def _term(self, el, parent, level):
        title_el = el.find("title")
        t = Term(display_title(title_el) if title_el is not None else "", parent, level)
        for child in el:
            if child.tag in TEXT_FIELDS:
                t.fields.setdefault(child.tag, []).append(collapse("".join(child.itertext())))
            elif child.tag == "cell":
                # Kept as published (a trailing blank included); compared stripped.
                t.cells[int(child.get("col"))] = "".join(child.itertext())
            elif child.tag == "term":
                t.children.append(self._term(child, t, level + 1))
        return t

    def terms(self):
        for letter in self.root.children:
            yield from letter.walk()

    def main_terms(self):
        return [m for letter in self.root.children for m in letter.children]

    def find(self, path):
        """The term at a path of display titles, or None."""
        parts = path.split(SEP)
        level = [m for m in self.main_terms() if m.title == parts[0]]
        t = level[0] if level else None
        for part in parts[1:]:
            if t is None:
                return None
            t = next((c for c in t.children if c.title == part), None)
        return t

    def letter_for(self, title):
        first = title[:1].upper()
        key = first if first.isalpha() else "#"
        return next((lt for lt in self.root.children if lt.title == key), None)

    def counts(self):
        n = {"main terms": 0, "sub-terms": 0, "cells": 0, "cells with a code": 0, "blank cells": 0,
             "<code>": 0, "see": 0, "see also": 0}
        for t in self.terms():
            n["main terms" if t.level == 0 else "sub-terms"] += 1
            for v in t.cells.values():
                n["cells"] += 1
                n["blank cells" if v.strip() in BLANK_CELLS else "cells with a code"] += 1
            n["<code>"] += len(t.fields.get("code", []))
            n["see"] += len(t.fields.get("see", []))
            n["see also"] += len(t.fields.get("seeAlso", []))
        return n


class Change:
    def __init__(self, number, fields):
        (self.table, self.op, self.path, self.field, self.old, self.new, self.after,
         self.source) = fields
        self.number = number  # line of the list

    def where(self):
        return "line %d (%s %s %s)" % (self.number, self.table, self.op, self.path)


def read_list(text):
    """The changes of the list, and the problems of its lines' form."""
    changes, problems = [], []
    for number, line in enumerate(text.split("\n"), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 8:
            problems.append("line %d: %d fields, expected 8" % (number, len(fields)))
            continue
        c = Change(number, fields)
        if c.table not in TABLES:
            problems.append("line %d: unknown table '%s'" % (number, c.table))
        elif c.op not in ("add", "revise", "delete"):
            problems.append("line %d: unknown operation '%s'" % (number, c.op))
        elif c.field not in ("", "title") + TEXT_FIELDS and not CELL_FIELD.match(c.field):
            problems.append("line %d: unknown field '%s'" % (number, c.field))
        elif not re.match(r"^[\w.-]+:\d+(-\d+)?$", c.source):
            problems.append("line %d: source '%s' is not FILE:LINE or FILE:FIRST-LAST" % (number, c.source))
        elif c.source.partition(":")[0] not in SOURCE_FILES:
            problems.append("line %d: source file '%s' is not an addenda or errata file"
                            % (number, c.source.partition(":")[0]))
        else:
            changes.append(c)
    return changes, problems


def apply_change(table, c):
    """Applies one change; returns "" or what kept it from applying."""
    if c.op == "add":
        if c.old:
            return "an addition has no old value"
        if c.field == "title":
            return "an addition names its title in the path"
        parent_path, _, title = c.path.rpartition(SEP)
        parent = table.find(parent_path) if parent_path else table.letter_for(title)
        if parent is None:
            return "parent not found: " + (parent_path or "letter of " + title)
        if any(s.title == title for s in parent.children):
            return "the parent already has a sub-term '%s'" % title
        if c.after == FIRST:
            at = 0
        else:
            at = next((i + 1 for i, s in enumerate(parent.children) if s.title == c.after), None)
            if at is None:
                return "sibling to follow not found: '%s'" % c.after
        t = Term(title, parent, parent.level + 1)
        if c.field:
            m = CELL_FIELD.match(c.field)
            if m:
                t.cells[int(m.group(1))] = c.new
            else:
                t.fields[c.field] = [c.new]
        parent.children.insert(at, t)
        return ""
    t = table.find(c.path)
    if t is None:
        return "term not found"
    if c.op == "delete":
        if t.children:
            return "the term to delete has %d sub-terms" % len(t.children)
        if c.field and t.value(c.field) != c.old:
            return "%s is '%s', the list says '%s'" % (c.field, t.value(c.field), c.old)
        t.parent.children.remove(t)
        return ""
    if c.field == "title":
        if t.title != c.old:
            return "title is '%s', the list says '%s'" % (t.title, c.old)
        if any(s.title == c.new for s in t.parent.children):
            return "a sibling is already titled '%s'" % c.new
        t.title = c.new
        return ""
    if not c.field:
        return "a revision names its field"
    have = t.value(c.field)
    if (have.strip() if CELL_FIELD.match(c.field) else have) != c.old:
        return "%s is '%s', the list says '%s'" % (c.field, have, c.old)
    m = CELL_FIELD.match(c.field)
    if m:
        t.cells[int(m.group(1))] = c.new
    else:
        t.fields[c.field] = [c.new]
    return ""


class OrderFile:
    """The codes of an order file (without dots), for exact and prefix look-ups."""

    def __init__(self, text):
        self.flag = {}
        for line in text.split("\n")[1:]:
            f = line.split("\t")
            if len(f) >= 3:
                self.flag[f[1]] = f[2]
        self.sorted = sorted(self.flag)

    def has_prefix(self, stem):
        i = bisect.bisect_left(self.sorted, stem)
        return i < len(self.sorted) and self.sorted[i].startswith(stem)

    def has_seventh(self, code):
        i = bisect.bisect_left(self.sorted, code)
        while i < len(self.sorted) and self.sorted[i].startswith(code):
            if len(self.sorted[i]) == len(code) + 1:
                return True
            i += 1
        return False


def classify(value, what, table, order):
    """What a code or cell holds, and a note on a quirk kept as published:
      blank      a cell without a code ("-" in the Neoplasm Table, "--" in the drugs)
      text       no code at all
      billable   a code valid for submission
      seventh    a code that lacks only its 7th character (and the placeholder X before
                 it), which the coder adds: T43.651 -> T43.651A, X58 -> X58.XXXA
      stem       a code ending in "-", the beginning of FY2023 codes (S93.40-)
      reference  the category or subcategory a "see category/subcategory" names
      header     an FY2023 header that needs more than its 7th character, written
                 without a dash (the coder must still choose below it)
      invalid    not in the FY2023 order file, or a stem that begins no code"""
    v = value.strip()
    if what.startswith("col") and v in BLANK_CELLS:
        return "blank", ""
    if not CODE_SHAPE.match(v):
        return "text", ""
    note = "trailing blank" if v != value else ""
    if v.endswith("-"):
        stem = v.rstrip("-").rstrip(".").replace(".", "")
        if not order.has_prefix(stem):
            return "invalid", "no FY2023 code begins with " + stem
        if order.flag.get(stem) == "1":
            note = "dash after a billable code"
        return "stem", note
    code = v.replace(".", "")
    if code not in order.flag and not (len(code) < 7 and order.has_seventh(code.ljust(6, "X"))):
        return "invalid", "not in the FY2023 order file"
    if what in ("subcat", "seecat"):
        return "reference", note
    if order.flag.get(code) == "1":
        return "billable", note
    if len(code) < 7 and order.has_seventh(code.ljust(6, "X")):
        return "seventh", note
    return "header", note


def check_codes(table, order):
    """Every code and cell of a table: {kind: [(path, what, value, note)]}."""
    found = {}
    for t in table.terms():
        items = [("col%d" % col, v) for col, v in sorted(t.cells.items())]
        for field in ("code", "manif", "subcat", "seecat"):
            items += [(field, v) for v in t.fields.get(field, [])]
        for what, v in items:
            kind, note = classify(v, what, table.name, order)
            found.setdefault(kind, []).append((t.path(), what, v, note))
    return found


def header_why(value, what, table, earlier):
    """Why a header stands without a dash: the newest earlier edition (name, order file;
    newest first) in which the code was complete, or none (the release wrote it so)."""
    for name, order in earlier:
        kind, _ = classify(value, what, table, order)
        if kind not in ("billable", "seventh"):
            continue
        if name == "FY2022":
            return "complete in FY2022, subdivided in FY2023; the FY2023 addenda do not revise this entry"
        return "complete in the %s release, subdivided by the April 1, 2023 update (after the addenda)" % name
    return "written so in FY2022 already: a fault of the release"


def resolve(table, reference):
    """Whether a see / see also text leads to a term of the table: its comma-separated
    parts name a main term and sub-terms (a title with its modifiers or without them,
    any case; a title may itself hold commas)."""
    parts = [p.strip() for p in reference.split(",")]

    def names(t):
        # "Copper (dust) (fumes) (nonmedicinal) NEC" is named "Copper".
        bare = collapse(re.sub(r"\([^)]*\)", " ", t.title))
        return {t.title.lower(), bare.lower(), re.sub(r" NEC$", "", bare).lower()}

    def descend(candidates, rest):
        if not rest:
            return True
        for n in range(len(rest), 0, -1):
            name = ", ".join(rest[:n]).lower()
            for t in candidates:
                if name in names(t) and descend(t.children, rest[n:]):
                    return True
        return False

    return descend(table.main_terms(), parts)


def sort_key(title):
    bare = re.sub(r"\([^)]*\)", " ", title)
    return re.sub(r"[^0-9a-z]", "", bare.lower())


def placement_doubts(table, added):
    """Added terms whose neighbours do not sort around them (letters and digits only)."""
    doubts = []
    for t in added:
        siblings = t.parent.children
        i = siblings.index(t)
        before = sort_key(siblings[i - 1].title) if i > 0 else ""
        after = sort_key(siblings[i + 1].title) if i + 1 < len(siblings) else None
        me = sort_key(t.title)
        if before > me or (after is not None and me > after):
            doubts.append(t.path())
    return doubts


def cited_lines(changes, file_name):
    lines = set()
    for c in changes:
        name, _, span = c.source.rpartition(":")
        if name == file_name:
            first, _, last = span.partition("-")
            lines.update(range(int(first), int(last or first) + 1))
    return lines


def uncited_addenda_lines(changes, folder):
    """Lines of the addenda that change something and that no change cites."""
    missing = []
    for table in TABLES:
        name = ADDENDA_FILES[table]
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            path += ".xz"
        lines = read_text(path).split("\n")
        cited = cited_lines(changes, name)
        for number, line in enumerate(lines, 1):
            s = line.lstrip("\f")
            changing = (re.match(r"^(Add|Revise from|Revise to|Delete)\b", s) if table == "eindex"
                        else re.search(r"Revise (from|to)|^(Add|Delete)\b", s))
            if changing and number not in cited:
                missing.append("%s:%d: %s" % (name, number, s.strip()))
        if table == "neoplasm" and not any("No changes for FY2023" in l for l in lines):
            missing.append(name + ": does not say 'No changes for FY2023'")
    return missing


def report_counts(before, after):
    keys = list(before)
    width = max(len(k) for k in keys)
    for k in keys:
        diff = after[k] - before[k]
        print("    %-*s %7d -> %7d%s" % (width, k, before[k], after[k],
                                         "  (%+d)" % diff if diff else ""))


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    official = os.path.join(here, "..", "data", "official", "icd10cm")
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--data", default=official, help="folder of the three FY2022 XML files")
    p.add_argument("--list", default=os.path.join(official, "tables_addenda_2023.tsv"))
    p.add_argument("--order", default=os.path.join(official, "icd10cm_order_2023.tsv.xz"))
    p.add_argument("--order-earlier", nargs="*", metavar="NAME=FILE",
                   default=["October 2022=" + os.path.join(official, "icd10cm_order_2023_oct2022.tsv.xz"),
                            "FY2022=" + os.path.join(official, "icd10cm_order_2022.tsv.xz")],
                   help="earlier order files, newest first, to tell why a header stands without a dash")
    p.add_argument("--addenda", help="folder of the addenda text, to find lines no change cites")
    args = p.parse_args(argv)

    tables = {t: Table(t, read_text(os.path.join(args.data, XML_FILES[t]))) for t in TABLES}
    order = OrderFile(read_text(args.order))
    earlier = [(n, OrderFile(read_text(f))) for n, _, f in (e.partition("=") for e in args.order_earlier)
               if os.path.exists(f)]
    changes, problems = read_list(read_text(args.list))
    failed = list(problems)

    before = {t: tables[t].counts() for t in TABLES}
    found_before = {t: check_codes(tables[t], order) for t in TABLES}
    added = {t: [] for t in TABLES}
    references = []
    per_table = {t: {} for t in TABLES}
    for c in changes:
        problem = apply_change(tables[c.table], c)
        if problem:
            failed.append("%s: %s" % (c.where(), problem))
            continue
        key = c.op + " " + ("cell" if CELL_FIELD.match(c.field) else c.field or "term")
        per_table[c.table][key] = per_table[c.table].get(key, 0) + 1
        if c.op == "add":
            added[c.table].append(tables[c.table].find(c.path))
        if c.field in ("see", "seeAlso") and c.new:
            references.append(c)

    print("Change list: %s, %d changes" % (os.path.relpath(args.list), len(changes)))
    for t in TABLES:
        done = ", ".join("%s %d" % kv for kv in sorted(per_table[t].items())) or "none"
        print("  %s: %s" % (t, done))
    print("Changes not applied: %d" % len(failed))
    for f in failed:
        print("  " + f)

    invalid_after = 0
    for t in TABLES:
        table = tables[t]
        found = check_codes(table, order)
        print("\n%s (version %s in the file)" % (t, table.version))
        report_counts(before[t], table.counts())
        print("  codes and cells after the changes: " +
              ", ".join("%s %d" % (k, len(v)) for k, v in sorted(found.items())))
        invalid = found.get("invalid", [])
        invalid_after += len(invalid)
        print("  not FY2023 codes: %d before the changes, %d after" %
              (len(found_before[t].get("invalid", [])), len(invalid)))
        for path, what, v, why in invalid:
            print("    %s [%s] %s: %s" % (path, what, v, why))
        headers = found.get("header", [])
        print("  FY2023 headers written without a dash: %d before the changes, %d after" %
              (len(found_before[t].get("header", [])), len(headers)))
        for path, what, v, _ in headers:
            print("    %s [%s] %s: %s" % (path, what, v, header_why(v, what, t, earlier)))
        for path, what, v, _ in found.get("text", []):
            print("  text where a code belongs: %s [%s] '%s'" % (path, what, v))
        notes = {}
        for items in found.values():
            for path, what, v, note in items:
                if note and not note.startswith("not ") and not note.startswith("no "):
                    notes.setdefault(note, []).append("%s [%s] %s" % (path, what, v))
        for note, items in sorted(notes.items()):
            more = " ..." if len(items) > 3 else ""
            print("  %s: %d (%s%s)" % (note, len(items), "; ".join(items[:3]), more))
        for path in placement_doubts(table, added[t]):
            print("  added term out of alphabetical order: " + path)

    print("\nsee / see also the list writes:")
    for c in references:
        lost = "" if resolve(tables[c.table], c.new) else "  -> leads to no term of the table"
        print("  %s %s '%s'%s" % (c.table, c.field, c.new, lost))

    if args.addenda:
        missing = uncited_addenda_lines(changes, args.addenda)
        print("\nAddenda lines no change cites: %d" % len(missing))
        for m in missing:
            print("  " + m)
        failed += missing

    return 1 if failed or invalid_after else 0


if __name__ == "__main__":
    sys.exit(main())
