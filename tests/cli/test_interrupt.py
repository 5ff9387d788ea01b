"""Ctrl-C on the command line: a long report stops, an earlier report of its name is kept
byte for byte and no temporary file is left beside it; a digest waiting for an answer on
the console ends at once and keeps the earlier digest."""
import glob
import os
import signal
import subprocess
import time
import unittest

from cliutil import CLI, FIELD_NAMES, TempDirTestCase, packed_record, record_header, write_record_file



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

    def test_ctrl_c_ends_a_digest_that_waits_for_an_answer(self):
        # An album without tags: the digest asks about it and waits for standard input,
        # which stays open and silent.
        values = dict.fromkeys(FIELD_NAMES, "")
        values.update(VolDescription="CD1", Path="Music/Blue Lake - Northern Roads",
                      FName="01.mp3", Size="1000", Length="61000", Track="1")
        songs = self.path("CD1.sds")
        write_record_file(songs, [[values[name] for name in FIELD_NAMES]])
        digest = self.path("CD1.sdd")
        with open(digest, "wb") as f:
            f.write(b"EARLIER")
        proc = subprocess.Popen([CLI, "digest", "--ask", songs], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        shown = b""
        deadline = time.time() + 30
        while b"] " not in shown and time.time() < deadline:
            shown += os.read(proc.stdout.fileno(), 4096)
        self.assertIn(b"] ", shown)  # the first value is asked for
        proc.send_signal(signal.SIGINT)
        # Standard input stays open: its end would answer the question.
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            self.fail("the digest still waits for its answer after Ctrl-C")
        finally:
            proc.stdin.close()
        err = proc.stderr.read().decode("utf-8", "replace")
        proc.stdout.close()
        proc.stderr.close()
        self.assertEqual(proc.returncode, 1, err)
        self.assertIn("The album digest was cancelled", err)
        self.assertEqual(sorted(os.listdir(self.tmp)), ["CD1.sdd", "CD1.sds"])
        with open(digest, "rb") as f:
            self.assertEqual(f.read(), b"EARLIER")


if __name__ == "__main__":
    unittest.main()
