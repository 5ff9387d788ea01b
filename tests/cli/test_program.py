"""Options of tunelister-cli as a whole."""
import unittest

from cliutil import TempDirTestCase, run, write_record_file, FIELD_NAMES


class ProgramTest(TempDirTestCase):
    def test_version_is_printed_with_status_0(self):
        for args in (["--version"], ["--version", "report"]):
            status, out, err = run(*args)
            self.assertEqual(status, 0, err)
            self.assertEqual(out, b"tunelister-cli 1.0\n")
            self.assertEqual(err, "")

    def test_version_agrees_with_what_reports_write(self):
        digest = self.path("one.sdd")
        write_record_file(digest, [[""] * len(FIELD_NAMES)], type_tag=b"Dgst")
        template = self.path("v.tpl")
        with open(template, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\n[Item]\nItem=%v\n")
        status, _, err = run("report", "--template", template, "--out", self.path("v.txt"),
                             digest)
        self.assertEqual(status, 0, err)
        with open(self.path("v.txt"), "rb") as f:
            self.assertEqual(f.read(), b"Tunelister 1.0")


if __name__ == "__main__":
    unittest.main()
