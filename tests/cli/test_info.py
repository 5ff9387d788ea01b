"""tunelister-cli info: the mp3 plug-in's fields for the fixture files, compared with what
ffprobe and mutagen reported for them when the fixtures were made (oracle.json)."""
import json
import os
import unittest

from cliutil import SOURCE_DIR, TempDirTestCase, run

FIXTURES = os.path.join(SOURCE_DIR, "tests", "mp3", "fixtures")
ORACLE = json.load(open(os.path.join(FIXTURES, "oracle.json"), encoding="utf-8"))
KEYS = ["file", "result", "fileSize", "Artist", "Title", "Album", "Year", "Genre", "Length",
        "Type", "Bitrate", "Frequency", "Mode", "Binary", "Tag", "Comment", "OArtist",
        "Composer", "Track"]
MODES = {0: "Stereo", 1: "Joint stereo", 2: "Dual", 3: "Mono"}
# Damaged files whose junk ffprobe takes for frames of the stream.
FFPROBE_FOOLED = {"quick-junk-before-stream.mp3"}


def fixture(name):
    return os.path.join(FIXTURES, name)


def info_json(*files, env=None, quick=False):
    args = ["info", "--json"] + (["--quick"] if quick else []) + [fixture(f) for f in files]
    status, out, err = run(*args, env=env)
    return status, json.loads(out.decode("utf-8")), err


class InfoTest(TempDirTestCase):
    def test_json_has_every_field_with_integers_as_numbers(self):
        status, entries, err = info_json("tag-id3v2-v23-v11.mp3")
        self.assertEqual(status, 0, err)
        self.assertEqual(len(entries), 1)
        entry = entries[0]
        self.assertEqual(list(entry), KEYS)
        for key in ("result", "fileSize", "Length", "Bitrate", "Frequency"):
            self.assertIsInstance(entry[key], int, key)
        self.assertEqual(entry["fileSize"], os.path.getsize(fixture("tag-id3v2-v23-v11.mp3")))
        self.assertEqual(entry["Artist"], "Id3v2 Artist")
        self.assertEqual(entry["Tag"], "ID3-2.3, ID3-1.1")
        self.assertEqual(entry["Track"], "7")
        self.assertEqual(entry["Genre"], "Rock")

    def test_streams_agree_with_ffprobe_and_mutagen(self):
        names = sorted(n for n in ORACLE if ORACLE[n]["ffprobe"] and n not in FFPROBE_FOOLED)
        status, entries, err = info_json(*names)
        self.assertEqual(status, 0, err)
        self.assertEqual([os.path.basename(e["file"]) for e in entries], names)
        for entry in entries:
            name = os.path.basename(entry["file"])
            with self.subTest(name):
                probe = ORACLE[name]["ffprobe"]
                mut = ORACLE[name]["mutagen"]
                self.assertEqual(entry["Frequency"], int(probe["sample_rate"]))
                version = {1: "1", 2: "2", 2.5: "25"}[mut["version"]]
                self.assertEqual(entry["Type"], "MPG%s/%d" % (version, mut["layer"]))
                self.assertEqual(entry["Mode"], MODES[mut["mode"]])
                if "CBR" in mut["bitrate_mode"] or "UNKNOWN" in mut["bitrate_mode"] and \
                        "vbr" not in name:
                    self.assertEqual(entry["Bitrate"] * 1000, int(probe["bit_rate"]))
                # ffprobe leaves out the encoder's Xing/Info frame; we count it.
                frame_ms = (1152 if entry["Frequency"] >= 32000 or "l2" in name else 576) \
                    * 1000 / entry["Frequency"]
                duration = float(probe["duration"]) * 1000
                self.assertGreaterEqual(entry["Length"], duration - 1.5)
                self.assertLessEqual(entry["Length"], duration + frame_ms + 1.5)

    def test_latin1_id3v23_frames_agree_with_mutagen(self):
        name = "tag-mutagen-v23-utf16.mp3"
        status, entries, err = info_json(name)
        self.assertEqual(status, 0, err)
        entry, tags = entries[0], ORACLE[name]["mutagen"]["tags"]
        self.assertEqual(entry["Title"], tags["TIT2"])
        self.assertEqual(entry["Album"], tags["TALB"])
        self.assertEqual(entry["Composer"], tags["TCOM"])
        self.assertEqual(entry["OArtist"], tags["TOPE"])
        self.assertEqual(entry["Comment"], tags["COMM:note:eng"])
        self.assertEqual(entry["Track"], tags["TRCK"])
        self.assertEqual(entry["Year"], "1984")  # TYER "19845", cut to 4
        # The UTF-16 artist is not read: ID3v1's Latin-1 copy stands in.
        self.assertNotEqual(entry["Artist"], tags["TPE1"])
        self.assertEqual(entry["Artist"], "Dvo?ák")

    def test_quick_estimates_variable_bitrate(self):
        status, entries, err = info_json("mpeg1-l3-vbr-xing.mp3", "mpeg1-l3-cbr128-joint.mp3",
                                         quick=True)
        self.assertEqual(status, 0, err)
        self.assertEqual(entries[0]["Bitrate"], -1)
        self.assertGreater(entries[0]["Length"], 0)
        self.assertEqual(entries[1]["Bitrate"], 128)

    def test_czech_tag_under_czech_locale(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith("LC_")}
        env["LANG"] = "cs_CZ.UTF-8"
        status, entries, err = info_json("tag-v11-cp1250.mp3", env=env)
        self.assertEqual(status, 0, err)
        self.assertEqual(entries[0]["Title"], "Žluťoučký kůň")
        self.assertEqual(entries[0]["Artist"], "Antonín Dvořák")
        self.assertEqual(entries[0]["Album"], "Příliš žluté")
        self.assertEqual(entries[0]["Comment"], "Úpěl ďábelské ódy")
        self.assertEqual(entries[0]["Track"], "3")

    def test_unreadable_and_unclaimed_files_are_named_and_fail(self):
        other = self.path("notes.txt")
        open(other, "w").close()
        missing = self.path("missing.mp3")
        status, out, err = run("info", "--json", missing, fixture("mpeg2-l3-cbr64-mono.mp3"),
                               other)
        self.assertEqual(status, 1)
        self.assertIn(missing, err)
        self.assertIn(other, err)
        entries = json.loads(out.decode())
        self.assertEqual([os.path.basename(e["file"]) for e in entries],
                         ["mpeg2-l3-cbr64-mono.mp3"])

    def test_text_output_lists_the_fields(self):
        status, out, err = run("info", fixture("tag-v22-crafted.mp3"))
        self.assertEqual(status, 0, err)
        text = out.decode()
        self.assertIn("  result: 0\n", text)
        self.assertIn("  Artist: Two Two Artist\n", text)
        self.assertIn("  Tag: ID3-2.2\n", text)
        self.assertIn("  Type: MPG1/3\n", text)


if __name__ == "__main__":
    unittest.main()
