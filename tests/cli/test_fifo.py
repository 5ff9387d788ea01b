"""A FIFO, a device or a folder where the program expects a file to read is refused with the
usual error of that place, at once: nothing waits for a writer that never comes, and an
endless device is never read. Every run has a short timeout, so a command that waits fails
the test instead of hanging it."""
import os
import shutil
import unittest

from cliutil import (APP_DIR, FIELD_NAMES, TempDirTestCase, make_app, message, run,
                     write_record_file)

TEMPLATES = os.path.join(APP_DIR, "templates")
WAIT = 20  # seconds; a refusal takes milliseconds


class FifoTest(TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.fifo = self.path("fifo")
        os.mkfifo(self.fifo)
        self.digest = self.path("albums.sdd")
        record = dict.fromkeys(FIELD_NAMES, "")
        record.update(Artist="Queen", Album="Jazz")
        write_record_file(self.digest, [[record[n] for n in FIELD_NAMES]], type_tag=b"Dgst")

    def template(self, name, general):
        path = self.path(name + ".tpl")
        with open(path, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\n" + general +
                    "\n[Item]\nItem=%i%Artist%\n")
        return path

    def expect_failure(self, args, status, stderr_expected, cli=None):
        got_status, stdout, stderr = run(*args, timeout=WAIT, **({"cli": cli} if cli else {}))
        self.assertEqual((got_status, stderr), (status, stderr_expected), args)
        return stdout

    def test_report_refuses_a_fifo_as_digest_template_include_or_copy(self):
        os.makedirs(self.path("out"))
        out = self.path("out", "r.txt")
        csv = os.path.join(TEMPLATES, "albums-csv.tpl")
        cases = [
            (["--template", csv, self.fifo],
             message("General", "UnsupportedFile", self.fifo)),
            (["--template", csv, self.digest, "/dev/zero"],
             message("General", "UnsupportedFile", "/dev/zero")),
            (["--template", self.fifo, self.digest], message("Report", "TemplateMissingErr")),
            (["--template", self.path(), self.digest], message("Report", "TemplateMissingErr")),
            (["--template", self.template("fifo-include", "Include=fifo"), self.digest],
             message("Report", "LinkErr")),
            # An endless device is no write failure of the report but an include that cannot
            # be read.
            (["--template", self.template("zero-include", "Include=/dev/zero"), self.digest],
             message("Report", "LinkErr")),
            (["--template", self.template("fifo-copy", "Copy=fifo"), self.digest],
             message("Report", "CopyErr")),
        ]
        for args, text in cases:
            self.expect_failure(["report", "--out", out, *args], 1,
                                "tunelister-cli: " + text + "\n")
        # A failed report leaves nothing behind: no report, no copy, no temporary file.
        self.assertEqual(os.listdir(self.path("out")), [])

    def test_dump_info_and_digest_refuse_a_fifo(self):
        self.expect_failure(["dump", self.fifo], 1, "tunelister-cli: " + message(
            "Cli", "RecordFailed", self.fifo, message("Cli", "Result2"), 2) + "\n")
        songs = self.path("songs.sds")
        os.mkfifo(songs)
        _, _, stderr = run("digest", songs, timeout=WAIT)
        self.assertIn(message("Digest", "SDBOpenErr"), stderr)
        self.assertFalse(os.path.exists(self.path("songs.sdd")))
        if os.path.exists(os.path.join(APP_DIR, "plugins", "mp3.so")):
            track = self.path("track.mp3")
            os.mkfifo(track)
            self.expect_failure(["info", track], 1,
                                "tunelister-cli: " + message("Cli", "CannotOpen", track) + "\n")

    def test_a_fifo_as_language_file_is_a_usage_error(self):
        status, stdout, stderr = run("--locale", self.fifo, "plugins", timeout=WAIT)
        self.assertEqual(status, 2, stderr)
        self.assertIn(message("Cli", "CannotOpen", self.fifo), stderr)
        self.assertEqual(stdout, b"")

    def test_a_fifo_as_settings_file_gives_the_defaults(self):
        cli = make_app(self.path("app"), [])
        os.mkfifo(self.path("app", "Tunelister.ini"))
        shutil.copytree(TEMPLATES, self.path("app", "templates"))
        status, stdout, stderr = run("report", "--template", "albums-txt.tpl", "--out",
                                     self.path("r.txt"), self.digest, cli=cli, timeout=WAIT)
        self.assertEqual(status, 0, stderr)
        self.assertEqual(stderr, "")
        with open(self.path("r.txt"), encoding="utf-8") as f:
            self.assertIn("Queen", f.read())


if __name__ == "__main__":
    unittest.main()
