#!/usr/bin/env python3
"""Tests of scripts/check-tables-addenda.py: how it reads titles, applies a change list
and judges codes, on small inputs, and that the project's list applies to the real
files without a fault.

    python3 scripts/tests/test_check_tables_addenda.py
"""

import importlib.util
import io
import os
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from contextlib import redirect_stdout

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ beside the script
SPEC = importlib.util.spec_from_file_location("check", os.path.join(HERE, "..", "check-tables-addenda.py"))
check = importlib.util.module_from_spec(SPEC)
SPEC.loader.exec_module(check)

SMALL = """<?xml version="1.0" encoding="utf-8"?>
<ICD10CM.index><version>2022</version>
<letter><title>C</title>
 <mainTerm><title>Caught</title>
  <term level="1"><title>between</title>
   <term level="2"><title>objects<nemod>(moving) (stationary and moving)</nemod></title><code>W23.0</code>
    <term level="3"><title>and machinery</title><see>Contact, with, by type of machine</see></term>
    <term level="3"><title>stationary</title><code>W23.1</code></term>
   </term>
  </term>
 </mainTerm>
</letter>
<letter><title>S</title>
 <mainTerm><title>Speed</title><cell col="2">T43.621</cell><cell col="4">T43.623</cell></mainTerm>
</letter>
</ICD10CM.index>"""

ORDER = ("order_number\tcode\tvalid_for_submission\tshort\tlong\n" + "".join(
    "%05d\t%s\t%s\tt\tt\n" % (i, code, flag) for i, (code, flag) in enumerate([
        ("C571", "0"), ("C5710", "1"), ("D164", "1"), ("T4365", "0"), ("T43651", "0"), ("T43651A", "1"),
        ("V299", "0"), ("V2999", "0"), ("V2999XA", "1"), ("X58", "0"), ("X58XXXA", "1"), ("T750", "0"),
        ("T7501XA", "1")], 1)))


def change(*fields):
    return check.Change(1, list(fields))


class TitlesAsPrinted(unittest.TestCase):
    def test_modifiers_stand_where_the_xml_puts_them(self):
        for xml, printed in [
                ("<title>electric<nemod>(assisted)</nemod> bike</title>", "electric (assisted) bike"),
                ("<title>Abuse<nemod>(adult)  (child)</nemod> NEC</title>", "Abuse (adult) (child) NEC"),
                ("<title>toe<nemod>(s) (lesser)</nemod></title>", "toe(s) (lesser)"),
                ("<title>toe <nemod>(s)</nemod></title>", "toe (s)"),
                ("<title>Gas<nemod>(x)</nemod>, utility</title>", "Gas (x), utility")]:
            self.assertEqual(check.display_title(ET.fromstring(xml)), printed)


class ApplyingTheList(unittest.TestCase):
    def setUp(self):
        self.table = check.Table("eindex", SMALL)
        self.objects = "Caught › between › objects (moving) (stationary and moving)"

    def test_a_revision_checks_its_old_value_and_keeps_the_file_when_it_differs(self):
        self.assertIn("W23.0", check.apply_change(self.table, change(
            "eindex", "revise", self.objects, "code", "W23.9", "W23.2", "", "f:1")))
        self.assertEqual(self.table.find(self.objects).value("code"), "W23.0")
        self.assertEqual("", check.apply_change(self.table, change(
            "eindex", "revise", self.objects, "code", "W23.0", "W23.2", "", "f:1")))
        self.assertEqual(self.table.find(self.objects).value("code"), "W23.2")

    def test_a_cell_is_compared_without_blanks_and_a_missing_term_is_reported(self):
        self.assertEqual("", check.apply_change(self.table, change(
            "drug", "revise", "Speed", "col4", "T43.623", "T43.652", "", "f:1")))
        self.assertEqual(self.table.find("Speed").cells, {2: "T43.621", 4: "T43.652"})
        self.assertEqual("term not found", check.apply_change(self.table, change(
            "drug", "revise", "Sped", "col4", "T43.623", "T43.652", "", "f:1")))

    def test_later_lines_name_a_term_by_its_revised_title(self):
        renamed = "Caught › between › objects (moving)"
        self.assertEqual("", check.apply_change(self.table, change(
            "eindex", "revise", self.objects, "title", "objects (moving) (stationary and moving)",
            "objects (moving)", "", "f:1")))
        self.assertIsNone(self.table.find(self.objects))
        self.assertEqual("", check.apply_change(self.table, change(
            "eindex", "delete", renamed + " › and machinery", "see", "Contact, with, by type of machine",
            "", "", "f:2")))
        self.assertEqual([t.title for t in self.table.find(renamed).children], ["stationary"])

    def test_an_addition_goes_after_its_named_sibling_under_an_existing_parent(self):
        parent = "Caught › between › objects (moving) (stationary and moving)"
        self.assertEqual("", check.apply_change(self.table, change(
            "eindex", "add", parent + " › and", "", "", "", check.FIRST, "f:1")))
        self.assertEqual("", check.apply_change(self.table, change(
            "eindex", "add", parent + " › bus", "code", "", "W23.2", "and machinery", "f:2")))
        self.assertEqual([t.title for t in self.table.find(parent).children],
                         ["and", "and machinery", "bus", "stationary"])
        self.assertEqual(self.table.find(parent + " › bus").value("code"), "W23.2")
        for path, after, problem in [("Caught › under › crate", check.FIRST, "parent not found"),
                                     (parent + " › car", "van", "sibling to follow not found"),
                                     (parent + " › stationary", check.FIRST, "already has")]:
            self.assertIn(problem, check.apply_change(self.table, change(
                "eindex", "add", path, "code", "", "W23.2", after, "f:3")))

    def test_a_term_with_sub_terms_is_not_deleted(self):
        self.assertIn("sub-terms", check.apply_change(self.table, change(
            "eindex", "delete", self.objects, "code", "W23.0", "", "", "f:1")))
        self.assertIsNotNone(self.table.find(self.objects))

    def test_malformed_lines_are_named_by_their_line(self):
        text = "# a comment\n\n" + "\n".join([
            "eindex\tadd\tA › b\tcode\t\tW01\t(first)\ticd10cm-eindex-addenda-2023.txt:8",
            "eindex\tmove\tA\tcode\t\tW01\t\ticd10cm-eindex-addenda-2023.txt:8",
            "eindex\trevise\tA\tcolor\tx\ty\t\ticd10cm-eindex-addenda-2023.txt:8",
            "drug\trevise\tA\tcol4\tx\ty\t\tsomewhere.txt:8",
            "drug\trevise\tA\tcol4\tx\ty\ticd10cm-drug-addenda-2023.txt",
            "drug\trevise\tA\tcol4\tx"])
        changes, problems = check.read_list(text)
        self.assertEqual([c.number for c in changes], [3])
        self.assertEqual([p.split(":")[0] for p in problems], ["line %d" % n for n in range(4, 9)])


class JudgingCodes(unittest.TestCase):
    def setUp(self):
        self.order = check.OrderFile(ORDER)

    def test_each_kind_of_code(self):
        for value, what, kind in [
                ("C57.10", "col2", "billable"), ("T43.651", "col2", "seventh"), ("X58", "code", "seventh"),
                ("V29.99", "code", "seventh"), ("V29.9", "code", "header"), ("C57.1", "col2", "header"),
                ("C57.1-", "col2", "stem"), ("C57.-", "col2", "stem"), ("C58.-", "col2", "invalid"),
                ("V29.9X", "code", "invalid"), ("T75.0", "subcat", "reference"), ("-", "col5", "blank"),
                ("--", "col6", "blank"), ("ventral surface", "manif", "text"), ("25.11", "code", "text")]:
            self.assertEqual(check.classify(value, what, "eindex", self.order)[0], kind, value)

    def test_quirks_kept_as_published_are_named(self):
        self.assertEqual(check.classify("C57.10 ", "col2", "neoplasm", self.order),
                         ("billable", "trailing blank"))
        self.assertEqual(check.classify("D16.4-", "col5", "neoplasm", self.order),
                         ("stem", "dash after a billable code"))

    def test_a_header_says_whether_an_earlier_edition_had_it_complete(self):
        fy2022 = check.OrderFile(ORDER.replace("V299\t0", "V299\t0\tt\tt\n99\tV299XXA\t1"))
        self.assertIn("FY2022, subdivided", check.header_why("V29.9", "code", "eindex", [("FY2022", fy2022)]))
        self.assertIn("fault of the release",
                      check.header_why("C57.1", "col2", "neoplasm", [("FY2022", fy2022)]))


class CoveringTheAddenda(unittest.TestCase):
    def test_a_changing_line_that_no_change_cites_is_listed(self):
        with tempfile.TemporaryDirectory() as folder:
            for table, text in [("eindex", "  INDEX\nAdd   - a V01\nNo Change  B\nDelete  - b\n"),
                                ("drug", "Revise from: X - see Y\nRevise to: X - see Z\n"),
                                ("neoplasm", "No changes for FY2023\n")]:
                with open(os.path.join(folder, check.ADDENDA_FILES[table]), "w") as f:
                    f.write(text)
            eindex, drug = check.ADDENDA_FILES["eindex"], check.ADDENDA_FILES["drug"]
            cited = [change("eindex", "add", "A › a", "code", "", "V01", "", eindex + ":2"),
                     change("drug", "revise", "X", "see", "Y", "Z", "", drug + ":1-2")]
            missing = check.uncited_addenda_lines(cited, folder)
        self.assertEqual(missing, ["icd10cm-eindex-addenda-2023.txt:4: Delete  - b"])


class TheProjectList(unittest.TestCase):
    def test_it_applies_to_the_fy2022_files_and_leaves_only_fy2023_codes(self):
        addenda = os.path.join(HERE, "..", "..", "..", "shared", "data", "icd10cm")
        out = io.StringIO()
        with redirect_stdout(out):
            status = check.main(["--addenda", addenda] if os.path.isdir(addenda) else [])
        report = out.getvalue()
        self.assertEqual(status, 0, report)
        self.assertIn("Changes not applied: 0", report)
        self.assertEqual(report.count("not FY2023 codes: 0 before the changes, 0 after"), 3, report)

    def test_the_entries_a_coder_looks_up_read_as_fy2023(self):
        official = os.path.join(HERE, "..", "..", "data", "official", "icd10cm")
        tables = {t: check.Table(t, check.read_text(os.path.join(official, check.XML_FILES[t])))
                  for t in ("drug", "eindex")}
        text = check.read_text(os.path.join(official, "tables_addenda_2023.tsv"))
        changes, problems = check.read_list(text)
        self.assertEqual(problems, [])
        for c in changes:
            self.assertEqual(check.apply_change(tables[c.table], c), "", c.where())
        drug, eindex = tables["drug"], tables["eindex"]
        for name in ("Desoxyephedrine", "Methamphetamine", "Methyl › amphetamine", "Speed"):
            self.assertEqual(drug.find(name).cells, {2: "T43.651", 3: "T43.652", 4: "T43.653", 5: "T43.654",
                                                     6: "T43.655", 7: "T43.656"}, name)
        transport = "Accident (to) › transport (involving injury to) › "
        self.assertEqual(eindex.find(transport + "motorcyclist").value("code"), "V29.99")
        bike = eindex.find(transport + "e-bike").value("see")
        self.assertTrue(check.resolve(eindex, bike), bike)
        passenger = transport + "electric (assisted) bicyclist › passenger › collision (with)"
        railway = eindex.find(passenger + " › railway vehicle (traffic) › nontraffic")
        self.assertEqual(railway.value("code"), "V25.11")
        self.assertEqual(len(eindex.find(transport + "electric (assisted) bicyclist").children), 6)


if __name__ == "__main__":
    unittest.main()
