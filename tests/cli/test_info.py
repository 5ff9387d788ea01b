"""tunelister-cli info: the mp3 plug-in's fields for the fixture files, compared with what
ffprobe and mutagen reported for them when the fixtures were made (oracle.json), and with
what the plug-in reported before it read modern tags (legacy-records.json)."""
import json
import os
import re
import shutil
import unittest

from cliutil import APP_DIR, CLI, SOURCE_DIR, TempDirTestCase, run

FIXTURES = os.path.join(SOURCE_DIR, "tests", "mp3", "fixtures")
ORACLE = json.load(open(os.path.join(FIXTURES, "oracle.json"), encoding="utf-8"))
KEYS = ["file", "result", "fileSize", "Artist", "Title", "Album", "Year", "Genre", "Length",
        "Type", "Bitrate", "Frequency", "Mode", "Binary", "Tag", "Comment", "OArtist",
        "Composer", "Track"]
MODES = {0: "Stereo", 1: "Joint stereo", 2: "Dual", 3: "Mono"}
# Damaged files whose junk ffprobe takes for frames of the stream.
FFPROBE_FOOLED = {"quick-junk-before-stream.mp3"}
# Files whose stream fields changed when the stream search learnt to pass over junk and
# over the chance headers in free-format data.
STREAM_DEFECTS = {"junk-header-before-stream.mp3", "quick-junk-before-stream.mp3",
                  "second-tag-bom-as-sync.mp3", "tag-two-tags.mp3",
                  "mpeg2-l3-free40-stereo.mp3", "mpeg1-l3-free160-mono.mp3"}


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

    def test_id3v23_frames_agree_with_mutagen(self):
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
        self.assertEqual(entry["Year"], "1984")  # TYER "19845": its first four digits
        self.assertEqual(entry["Artist"], tags["TPE1"])  # UTF-16, read
        self.assertEqual(entry["Genre"], "Pop rock")  # "(13)Pop rock": the refinement

    def test_unicode_tags_agree_with_mutagen(self):
        """Every text frame mutagen read from a fixture's ID3v2 tag, as the record has it."""
        fields = {"TPE1": "Artist", "TIT2": "Title", "TALB": "Album", "TCOM": "Composer",
                  "TOPE": "OArtist", "TRCK": "Track"}
        names = sorted(n for n in ORACLE if ORACLE[n]["mutagen"].get("tags") and
                       ORACLE[n]["mutagen"]["id3_version"].startswith("2."))
        status, entries, err = info_json(*names)
        self.assertEqual(status, 0, err)
        checked = 0
        for entry in entries:
            name = os.path.basename(entry["file"])
            tags = ORACLE[name]["mutagen"]["tags"]
            with self.subTest(name):
                for frame, field in fields.items():
                    if frame in tags:
                        # mutagen separates several values with a zero.
                        self.assertEqual(entry[field], tags[frame].replace("\0", "; "), field)
                        checked += 1
                dates = [tags[f] for f in ("TDRC", "TDRL") if f in tags]
                years = [re.search(r"\d{4}", d) for d in dates]
                # mutagen reads the digits behind the stray byte order mark as UTF-16 text;
                # that frame holds no year of ours, and the ID3v1 year fills in.
                if years and years[0] and name != "year-stray-bom.mp3":
                    self.assertEqual(entry["Year"], years[0].group(0)[:4])
                comments = [(k.split(":")[1], v) for k, v in sorted(tags.items())
                            if k.startswith("COMM:")]
                plain = [v for d, v in comments if d == ""]
                if plain:
                    self.assertEqual(entry["Comment"], plain[0])
                if ORACLE[name]["mutagen"]["id3_version"] == "2.4.0" and "TCON" in tags:
                    self.assertEqual(entry["Genre"], tags["TCON"].replace("\0", "; "))
        self.assertGreater(checked, 60)

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

    def test_settings_file_beside_the_program_decides_the_tag_reading(self):
        """modernTags=0 gives, for every fixture, what the plug-in gave before it read modern
        tags; modernTags=1 or no setting reads them."""
        app = self.path("app")
        os.makedirs(os.path.join(app, "plugins"))
        shutil.copy(CLI, app)
        shutil.copy(os.path.join(APP_DIR, "plugins", "mp3.so"), os.path.join(app, "plugins"))
        for name in ("default.lcl", "locale.lcl"):
            if os.path.exists(os.path.join(APP_DIR, name)):
                shutil.copy(os.path.join(APP_DIR, name), app)
        cli = os.path.join(app, "tunelister-cli")
        legacy = json.load(open(os.path.join(FIXTURES, "legacy-records.json"), encoding="utf-8"))
        names = sorted(n for n in legacy if n.endswith(".mp3") and n not in STREAM_DEFECTS)
        env = dict(os.environ, LC_ALL="C")

        def info(*args):
            status, out, err = run("info", "--json", *args, *[fixture(n) for n in names],
                                   cli=cli, env=env)
            self.assertEqual(status, 0, err)
            return {os.path.basename(e.pop("file")): e for e in json.loads(out.decode("utf-8"))}

        with open(os.path.join(app, "Tunelister.ini"), "w") as f:
            f.write("[Settings]\nmodernTags=0\n")
        for args, options in (((), "0"), (("--quick",), "1")):
            entries = info(*args)
            for name in names:
                self.assertEqual(entries[name], legacy[name][options], (name, args))

        for setting in ("[Settings]\nmodernTags=1\n", "[Settings]\n"):
            with open(os.path.join(app, "Tunelister.ini"), "w") as f:
                f.write(setting)
            entry = info()["tag-mutagen-v24-utf8-japanese.mp3"]
            self.assertEqual(entry["Artist"], "坂本龍一", setting)
            self.assertEqual(entry["result"], 0)

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
