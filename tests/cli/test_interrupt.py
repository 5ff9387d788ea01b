"""Ctrl-C on a long report: the report stops, an earlier report of its name is kept byte
for byte and no temporary file is left beside it."""
import glob
import os
import signal
import subprocess
import time
import unittest

from cliutil import CLI, FIELD_NAMES, TempDirTestCase, packed_record, record_header



class InterruptTest(TempDirTestCase):
    def test_ctrl_c_cancels_a_report_and_keeps_the_earlier_one(self):
        # Every album writes 32 KiB (the template's include file): long enough to be
        # interrupted while the report is being written, whatever the build.
        values = dict.fromkeys(FIELD_NAMES, "")
        values.update(Artist="Queen", Album="News of the World", Year="1977", Length="2400")
        record = packed_record([values[name] for name in FIELD_NAMES])
        digest = self.path("Big.sdd")
        with open(digest, "wb") as f:
            f.write(record_header(type_tag=b"Dgst"))
            f.write(record * 4000)
        with open(self.path("block.txt"), "w") as f:
            f.write(("x" * 63 + "\n") * 512)
        template = self.path("slow.tpl")
        with open(template, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\nFileExtension=txt\n"
                    "Include=block.txt\n[Item]\nItem=%Artist%%i\n")
        out = self.path("reports")
        os.makedirs(out)
        report = os.path.join(out, "Big.txt")
        with open(report, "wb") as f:
            f.write(b"EARLIER\r\n")
        proc = subprocess.Popen([CLI, "report", "--template", template, "--out", report, digest],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        # The report is being written once its temporary file appears.
        deadline = time.time() + 60
        while not glob.glob(os.path.join(out, ".Big.txt.*")) and time.time() < deadline:
            if proc.poll() is not None:
                break
            time.sleep(0.001)
        proc.send_signal(signal.SIGINT)
        _, err = proc.communicate(timeout=60)
        err = err.decode("utf-8", "replace")
        self.assertEqual(proc.returncode, 1, err)
        self.assertIn("The report was cancelled", err)
        self.assertEqual(os.listdir(out), ["Big.txt"])
        with open(report, "rb") as f:
            self.assertEqual(f.read(), b"EARLIER\r\n")


if __name__ == "__main__":
    unittest.main()
