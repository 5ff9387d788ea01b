import json
import unittest

from cliutil import FIELD_NAMES, TempDirTestCase, packed_record, record_header, run, \
    write_record_file


def song(title, path=b"Music/Blue Lake"):
    values = [b""] * 24
    values[0] = b"CD1"
    values[1] = b"Blue Lake"
    values[2] = title
    values[8] = path
    values[10] = b"3000000000"
    return values


class DumpTest(TempDirTestCase):
    def test_json_lists_the_header_and_records_with_field_names(self):
        db = self.path("CD1.sds")
        write_record_file(db, [song(b"First"), song(b"Caf\xc3\xa9"), song(b"Bad \xff byte")])
        status, out, err = run("dump", "--json", db)
        self.assertEqual(status, 0, err)
        doc = json.loads(out)
        self.assertEqual(doc["type"], "SngD")
        self.assertEqual(doc["typeVersion"], 1)
        self.assertEqual(doc["typeCompatibility"], 1)
        self.assertEqual(doc["fieldCount"], 24)
        self.assertEqual(len(doc["records"]), 3)
        self.assertEqual(list(doc["records"][0].keys()), FIELD_NAMES)
        self.assertEqual(doc["records"][1]["Title"], "Caf\u00e9")
        self.assertEqual(doc["records"][2]["Title"], "Bad \ufffd byte")
        self.assertEqual(doc["records"][0]["Size"], "3000000000")

    def test_other_field_counts_use_numbered_keys(self):
        db = self.path("two.sdd")
        write_record_file(db, [[b"a", b"b"]], type_tag=b"Dgst", fields=2)
        status, out, err = run("dump", "--json", db)
        self.assertEqual(status, 0, err)
        doc = json.loads(out)
        self.assertEqual(doc["type"], "Dgst")
        self.assertEqual(doc["records"], [{"0": "a", "1": "b"}])

    def test_text_form_names_every_field(self):
        db = self.path("CD1.sds")
        write_record_file(db, [song(b"First")])
        status, out, err = run("dump", db)
        self.assertEqual(status, 0, err)
        text = out.decode()
        self.assertIn("Type: SngD", text)
        self.assertIn("Field count: 24", text)
        self.assertIn("Record 0", text)
        self.assertIn("  Title: First", text)

    def test_failures_name_the_file_and_the_cause(self):
        cases = {
            "missing.sds": (None, "cannot be opened"),
            "badmagic.sds": (b"SIDB" + record_header()[4:], "wrong format"),
            "truncated.sds": (record_header() + packed_record(song(b"x"))[:-3], "read error"),
            "corrupt.sds": (record_header() + b"\x08\x00\x00\x00" + b"\0" * 100, "wrong format"),
        }
        for name, (content, cause) in cases.items():
            with self.subTest(name):
                db = self.path(name)
                if content is not None:
                    with open(db, "wb") as f:
                        f.write(content)
                status, out, err = run("dump", "--json", db)
                self.assertEqual(status, 1)
                self.assertIn(db, err)
                self.assertIn(cause, err)
                self.assertEqual(out, b"")

    def test_usage_errors_give_status_2(self):
        status, _, err = run("dump")
        self.assertEqual(status, 2)
        status, _, err = run("no-such-command")
        self.assertEqual(status, 2)


if __name__ == "__main__":
    unittest.main()
