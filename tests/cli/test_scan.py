import glob
import json
import os
import shutil
import signal
import subprocess
import time
import unittest

from cliutil import APP_DIR, SOURCE_DIR, TempDirTestCase, make_app, run

FIXTURES = os.path.join(SOURCE_DIR, "tests", "mp3", "fixtures")
NETWORK_FILE_SYSTEMS = {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs"}


def song_path(directory):
    """The Path of the songs found in @p directory, from findmnt's view of the mount that
    holds it: relative to its mount point, or the whole path on a network file system."""
    found = json.loads(subprocess.check_output(
        ["findmnt", "--json", "-o", "TARGET,FSTYPE", "-T", directory]))["filesystems"][0]
    directory = os.path.realpath(directory)
    if found["fstype"] in NETWORK_FILE_SYSTEMS:
        return directory
    relative = os.path.relpath(directory, found["target"])
    return "" if relative == "." else relative


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(text if isinstance(text, bytes) else text.encode())


class ScanTest(TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.cli = make_app(self.path("app"), [("tp_scan", "scan.so")])
        self.tree = self.path("tree")
        self.out = self.path("out")
        os.makedirs(self.out)

    def scan(self, *args, cwd=None):
        proc = subprocess.run([self.cli, "scan", *args], capture_output=True, cwd=cwd,
                              timeout=120)
        return proc.returncode, proc.stderr.decode("utf-8", "replace")

    def records(self, db):
        status, out, err = run("dump", "--json", db, cli=self.cli)
        self.assertEqual(status, 0, err)
        return json.loads(out)["records"]

    def test_records_follow_the_walk_order_with_scan_fields(self):
        write(self.path("tree", "b.MP3"), "title=B\nlength=1000\n")
        write(self.path("tree", "A.mp3"), "title=A\nresult=4\n")
        write(self.path("tree", "_intro.mp3"), "title=Intro\n")
        write(self.path("tree", "notes.txt"), "not audio")
        write(self.path("tree", "z", "last.mp3"), "title=Z\n")
        write(self.path("tree", "Music", "Rock", "r.mp3"), "title=R\nresult=9\n")
        os.makedirs(self.path("tree", "Empty"))
        os.symlink(self.path("nowhere.mp3"), self.path("tree", "dangling.mp3"))
        status, err = self.scan(self.tree, "--out", self.out, "--name", "CD 1")
        self.assertEqual(status, 0, err)
        recs = self.records(os.path.join(self.out, "CD 1.sds"))
        self.assertEqual([r["FName"] for r in recs],
                         ["_intro.mp3", "A.mp3", "b.MP3", "r.mp3", "last.mp3"])
        self.assertEqual(recs[2]["Length"], "1000")
        self.assertEqual(recs[2]["Size"], str(os.path.getsize(self.path("tree", "b.MP3"))))
        self.assertEqual({r["VolDescription"] for r in recs}, {"CD 1"})
        self.assertEqual([r["Path"] for r in recs],
                         [song_path(self.tree)] * 3 + [song_path(self.path("tree", "Music", "Rock")),
                                                       song_path(self.path("tree", "z"))])
        self.assertRegex(recs[0]["VolSerial"], r"^([0-9A-F]{8})?$")
        # Modern tag reading is on while the settings file does not turn it off.
        self.assertEqual(recs[0]["Comment"].split(";")[0], "options=2")
        tree = os.path.realpath(self.tree)
        # Started, the plug-in's complaint about A.mp3, the open error, the unknown plug-in
        # result, Done, then the digest: Building and its Done.
        self.assertEqual(err.splitlines(), [
            "info: Scan started.",
            "warning: No audio stream found in A.mp3 (%s)." % tree,
            "error: The file dangling.mp3 in %s cannot be opened." % tree,
            "error: Unexpected error 265 with r.mp3 (%s/Music/Rock)." % tree,
            "info: Done.",
            "info: Building the album digest...",
            "info: Done.",
        ])
        status, out, err = run("dump", "--json", os.path.join(self.out, "CD 1.sdd"),
                               cli=self.cli)
        self.assertEqual(status, 0, err)
        self.assertEqual(json.loads(out)["type"], "Dgst")

    def test_settings_file_beside_the_program_turns_modern_tags_off(self):
        write(self.path("tree", "a.mp3"), "title=A\n")
        for setting, options in (("modernTags=0", "options=0"), ("modernTags=1", "options=2")):
            write(self.path("app", "Tunelister.ini"), "[Settings]\n%s\n" % setting)
            status, err = self.scan(self.tree, "--out", self.out, "--name", "T")
            self.assertEqual(status, 0, err)
            [rec] = self.records(os.path.join(self.out, "T.sds"))
            self.assertEqual(rec["Comment"].split(";")[0], options, setting)

    def test_failures_give_their_exit_status_and_leave_no_database(self):
        write(self.path("tree", "a.mp3"), "title=A\n")
        cases = [
            ((self.path("absent"), "--out", self.out, "--name", "X"), 1,
             "error: The volume is not ready or the folder cannot be read.\n"),
            # A missing output folder is named, as the program's scan window names it.
            ((self.tree, "--out", self.path("no-such-dir"), "--name", "X"), 1,
             "error: The folder %s does not exist: the song database cannot be written "
             "there.\n" % self.path("no-such-dir")),
            ((self.tree, "--out", self.out, "--name", "../escape"), 2, "--name"),
            ((self.tree, "--out", self.out, "--name", ".."), 2, "--name"),
            ((self.tree, "--out", self.out, "--name"), 2, "--name: 1 required TEXT missing\n"),
        ]
        for args, expected, text in cases:
            status, err = self.scan(*args)
            self.assertEqual(status, expected, (args, err))
            self.assertIn(text, err)
            self.assertEqual(os.listdir(self.out), [])
        self.assertFalse(os.path.exists(self.path("escape.sds")))

    def test_name_and_output_folder_have_defaults(self):
        write(self.path("tree", "a.mp3"), "title=A\n")
        status, err = self.scan(self.tree, cwd=self.out)
        self.assertEqual(status, 0, err)
        [db] = glob.glob(os.path.join(self.out, "*.sds"))
        name = os.path.basename(db)[:-4]
        rec = self.records(db)[0]
        self.assertEqual(rec["VolDescription"], name)
        self.assertEqual(name, rec["VolName"].replace("/", "_") or "tree")

    def test_ctrl_c_aborts_and_keeps_the_earlier_database(self):
        for i in range(40):
            write(self.path("tree", "%02d.mp3" % i), "delay_ms=100\n")
        earlier = os.path.join(self.out, "CD.sds")
        write(earlier, "EARLIER")
        proc = subprocess.Popen([self.cli, "scan", self.tree, "--out", self.out, "--name", "CD"],
                                stderr=subprocess.PIPE)
        deadline = time.time() + 30
        while not glob.glob(os.path.join(self.out, ".CD.sds.*")) and time.time() < deadline:
            time.sleep(0.02)
        time.sleep(0.3)
        proc.send_signal(signal.SIGINT)
        _, err = proc.communicate(timeout=60)
        err = err.decode("utf-8", "replace")
        self.assertEqual(proc.returncode, 1, err)
        self.assertEqual(os.listdir(self.out), ["CD.sds"])
        with open(earlier, "rb") as f:
            self.assertEqual(f.read(), b"EARLIER")
        lines = err.splitlines()
        # The stop was asked for: news, not an error (the exit status says the job did not end).
        self.assertEqual(lines, ["info: Scan started.", "info: Scan aborted."])

    @unittest.skipUnless(os.path.exists(os.path.join(APP_DIR, "plugins", "mp3.so")),
                         "the mp3 plug-in is not built")
    def test_real_mp3_files_are_catalogued_with_their_stream_fields(self):
        files = {
            "b-vbr.mp3": ("mpeg1-l3-vbr-noxing.mp3", "MPG1/3", "44100"),
            "A-cbr.MP3": ("mpeg1-l3-cbr128-joint.mp3", "MPG1/3", "44100"),
            os.path.join("Sub", "mono.mp3"): ("mpeg2-l3-cbr64-mono.mp3", "MPG2/3", "22050"),
        }
        for name, (fixture, _, _) in files.items():
            os.makedirs(os.path.dirname(self.path("tree", name)), exist_ok=True)
            shutil.copy(os.path.join(FIXTURES, fixture), self.path("tree", name))
        status, _, err = run("scan", self.tree, "--out", self.out, "--name", "Real")
        self.assertEqual(status, 0, err)
        recs = self.records(os.path.join(self.out, "Real.sds"))
        self.assertEqual([r["FName"] for r in recs], ["A-cbr.MP3", "b-vbr.mp3", "mono.mp3"])
        for rec, name in zip(recs, ["A-cbr.MP3", "b-vbr.mp3", os.path.join("Sub", "mono.mp3")]):
            _, kind, rate = files[name]
            self.assertEqual((rec["Type"], rec["Frequency"]), (kind, rate), name)
            self.assertGreater(int(rec["Length"]), 0, name)
            self.assertRegex(rec["Binary"], "^FFF[0-9A-F]{5}$")
        self.assertEqual(os.path.getsize(os.path.join(self.out, "Real.sdd")) > 24, True)

    @unittest.skipUnless(os.path.exists(os.path.join(APP_DIR, "plugins", "mp3.so")),
                         "the mp3 plug-in is not built")
    def test_real_tree_gives_every_shipped_report_and_a_search_narrows_it(self):
        albums = {
            os.path.join("Blue Lake", "Early"): ["mpeg1-l3-cbr128-joint.mp3",
                                                 "mpeg1-l3-vbr-noxing.mp3"],
            os.path.join("Blue Lake", "Live"): ["mpeg2-l3-cbr64-mono.mp3"],
            os.path.join("Tagged", "Album"): ["tag-v11-cp1250.mp3"],
        }
        for folder, fixtures in albums.items():
            os.makedirs(self.path("tree", folder))
            for number, fixture in enumerate(fixtures, 1):
                shutil.copy(os.path.join(FIXTURES, fixture),
                            self.path("tree", folder, "%02d.mp3" % number))
        status, _, err = run("scan", self.tree, "--out", self.out, "--name", "Real")
        self.assertEqual(status, 0, err)
        digest = os.path.join(self.out, "Real.sdd")

        def report(template, *conditions):
            out = self.path("reports", template)
            status, _, err = run("report", "--template",
                                 os.path.join(APP_DIR, "templates", template), "--out", out,
                                 *conditions, digest)
            self.assertEqual(status, 0, err)
            with open(out, encoding="utf-8-sig") as f:
                return f.read()

        os.makedirs(self.path("reports"))
        tree = os.path.realpath(self.tree)
        for template in sorted(os.listdir(os.path.join(APP_DIR, "templates"))):
            if template.endswith(".tpl"):
                self.assertIn("Blue Lake", report(template), template)
        # The volume scanned here is mounted: the album list places each album under the
        # folder it was found in, marked as mounted.
        html = report("albums-html.tpl")
        for folder in albums:
            self.assertIn('class="where true">' + os.path.join(tree, folder) + "<", html)
        rows = report("albums-csv.tpl").splitlines()
        self.assertEqual(len(rows), 1 + len(albums))
        # A search keeps only the albums that pass its conditions.
        found = report("albums-csv.tpl", "--where", "Artist = Blue Lake", "--where",
                       "Album begins Ear").splitlines()
        self.assertEqual(len(found), 2)
        self.assertIn("Early", found[1])

if __name__ == "__main__":
    unittest.main()
