"""tunelister-cli info and plugins over the TagLib plug-ins: the fields of every fixture of
tests/taglib/fixtures compared with what ffprobe (stream) and mutagen (tags) reported for
the same files when they were made (oracle.json)."""
import json
import os
import unittest

from cliutil import SOURCE_DIR, TempDirTestCase, run

FIXTURES = os.path.join(SOURCE_DIR, "tests", "taglib", "fixtures")
ORACLE = json.load(open(os.path.join(FIXTURES, "oracle.json"), encoding="utf-8"))
EXTENSIONS = ["FLAC", "OGG", "OGA", "OPUS", "M4A", "WMA", "WAV", "AIF", "AIFF", "WV", "APE"]

# ffprobe's codec names and the Type the plug-ins give them.
TYPES = {"flac": "FLAC", "vorbis": "Vorbis", "opus": "Opus", "aac": "AAC", "alac": "ALAC",
         "wmav1": "WMA", "wmav2": "WMA", "pcm_s16le": "PCM", "pcm_s16be": "PCM",
         "pcm_u8": "PCM", "pcm_f32le": "PCM float", "pcm_mulaw": "µ-law",
         "wavpack": "WavPack", "ape": "APE", "ac3": "AC-3", "eac3": "E-AC-3"}
# Samples in one frame (packet) of each codec, for the lengths of the containers that have
# no sample count; the others agree to the millisecond.
FRAME_SAMPLES = {"aac": 1024, "opus": 960, "wmav1": 2048, "wmav2": 2048, "ac3": 1536,
                 "eac3": 1536}
# The HE-AAC fixtures (craft_fixtures.py): SBR doubles the rate, so a frame holds twice the
# samples at the rate given out.
HE_AAC = ("aac-he-ps.m4a", "aac-he-sbr.m4a", "aac-he-sync-extension.m4a")
# Where mutagen's length is wrong and ffprobe's duration is the exact one: mutagen takes
# the data size that a streaming writer left unfilled, and stops at a chunk of no name.
MUTAGEN_MISREADS = ("wav-streamed.wav", "wav-zero-size-chunk.wav")
# The tag keys of each of mutagen's file types, field by field.
KEYS = {
    "FLAC": {"Artist": "artist", "Title": "title", "Album": "album", "Genre": "genre",
             "Comment": "comment", "OArtist": "originalartist", "Composer": "composer"},
    "OggVorbis": "FLAC", "OggOpus": "FLAC", "OggFLAC": "FLAC",
    "MP4": {"Artist": "©ART", "Title": "©nam", "Album": "©alb", "Genre": "©gen",
            "Comment": "©cmt", "Composer": "©wrt",
            "OArtist": "----:com.apple.iTunes:ORIGINALARTIST"},
    "ASF": {"Artist": "Author", "Title": "Title", "Album": "WM/AlbumTitle", "Genre": "WM/Genre",
            "Comment": "Description", "Composer": "WM/Composer",
            "OArtist": "WM/OriginalArtist"},
    "WAVE": {"Artist": "TPE1", "Title": "TIT2", "Album": "TALB", "Genre": "TCON",
             "Comment": "COMM::ces", "Composer": "TCOM", "OArtist": "TOPE"},
    "AIFF": "WAVE",
    "WavPack": {"Artist": "Artist", "Title": "Title", "Album": "Album", "Genre": "Genre",
                "Comment": "Comment", "Composer": "Composer", "OArtist": "Original Artist"},
    "MonkeysAudio": "WavPack",
}
YEAR_KEYS = ("date", "©day", "WM/Year", "TDRC", "Year")
TRACK_KEYS = ("tracknumber", "trkn", "WM/TrackNumber", "TRCK", "Track")


def fixture(name):
    return os.path.join(FIXTURES, name)


def info(*names, env=None):
    status, out, err = run("info", "--json", *[fixture(n) for n in names], env=env)
    return status, json.loads(out.decode("utf-8")), err


def streams():
    return sorted(n for n, o in ORACLE.items() if o["ffprobe"] and not n.endswith(".dat"))


class InfoFormatsTest(TempDirTestCase):
    def test_plugins_lists_one_plugin_per_extension(self):
        status, out, err = run("plugins")
        self.assertEqual(status, 0, err)
        text = out.decode()
        for ext in EXTENSIONS:
            self.assertIn("   extension: %s\n" % ext, text)
            self.assertIn("   file: %s.so\n" % ext.lower(), text)
        self.assertIn("   extension: MP3\n", text)

    def test_streams_agree_with_ffprobe(self):
        names = streams()
        status, entries, err = info(*names)
        self.assertEqual(status, 0, err)
        self.assertEqual([os.path.basename(e["file"]) for e in entries], names)
        for entry in entries:
            name = os.path.basename(entry["file"])
            probe = ORACLE[name]["ffprobe"]
            with self.subTest(name):
                self.assertIn(entry["result"], (0, 5))
                self.assertEqual(entry["Type"], TYPES[probe["codec_name"]])
                self.assertEqual(entry["Frequency"], int(probe["sample_rate"]))
                channels = probe["channels"]
                self.assertEqual(entry["Mode"], {1: "Mono", 2: "Stereo"}.get(
                    channels, "%d channels" % channels))
                self.assertGreater(entry["Bitrate"], 0)
                duration = float(probe["duration"]) * 1000
                codec = probe["codec_name"]
                if codec == "wmav2":
                    # ffprobe reads a longer duration once mutagen has rewritten the ASF
                    # header; the header's own play duration is mutagen's length.
                    duration = ORACLE[name]["mutagen"]["info"]["length"] * 1000
                samples = FRAME_SAMPLES.get(codec, 0) * (2 if name in HE_AAC else 1)
                frame = samples * 1000 / entry["Frequency"]
                self.assertLessEqual(abs(entry["Length"] - duration), max(frame, 1), codec)
                # Where ffprobe shows the codec's header data (FLAC's STREAMINFO, OpusHead,
                # the AAC AudioSpecificConfig), Binary holds its first bytes.
                if codec in ("flac", "opus", "aac"):
                    self.assertEqual(entry["Binary"], probe["extradata_head"])

    def test_sample_counts_give_exact_lengths(self):
        exact = [n for n in streams() if ORACLE[n]["ffprobe"]["codec_name"] not in
                 FRAME_SAMPLES]
        _, entries, _ = info(*exact)
        for entry in entries:
            name = os.path.basename(entry["file"])
            seconds = (float(ORACLE[name]["ffprobe"]["duration"]) if name in MUTAGEN_MISREADS
                       else ORACLE[name]["mutagen"]["info"]["length"])
            with self.subTest(name):
                self.assertEqual(entry["Length"], round(seconds * 1000))

    def test_tags_agree_with_mutagen(self):
        # Left out: the files whose ID3v1 tags fill in, which mutagen does not read there.
        tagged = [n for n in streams() if ORACLE[n]["mutagen"]["tags"] and
                  n not in ("flac-id3-legacy.flac", "ape-3970.ape")]
        status, entries, err = info(*tagged)
        self.assertEqual(status, 0, err)
        checked = set()
        for entry in entries:
            name = os.path.basename(entry["file"])
            mut = ORACLE[name]["mutagen"]
            keys = KEYS[mut["type"]]
            keys = KEYS[keys] if isinstance(keys, str) else keys
            tags = {k.lower() if mut["type"] in ("FLAC", "OggVorbis", "OggOpus", "OggFLAC")
                    else k: v for k, v in mut["tags"].items()}
            with self.subTest(name):
                for field, key in keys.items():
                    self.assertEqual(entry[field], " / ".join(tags.get(key, [])), field)
                    checked.add(field)
                year = next((tags[k][0] for k in YEAR_KEYS if k in tags), "")
                self.assertEqual(entry["Year"], year[:4])
                track = next((tags[k][0] for k in TRACK_KEYS if k in tags), "")
                total = tags.get("tracktotal", [""])[0]
                if track.startswith("("):  # mutagen's MP4 (number, total) pair
                    number, of = track.strip("()").split(", ")
                    track = number + ("/" + of if of != "0" else "")
                self.assertEqual(entry["Track"], track + ("/" + total if total else ""))
        self.assertEqual(len(checked), 7)

    def test_info_list_is_read_as_ffprobe_reads_it(self):
        _, entries, _ = info("wav-info.wav")
        tags = ORACLE["wav-info.wav"]["ffprobe"]["tags"]
        self.assertEqual(entries[0]["Tag"], "RIFF-INFO")
        for field, key in (("Artist", "artist"), ("Title", "title"), ("Album", "album"),
                           ("Year", "date"), ("Genre", "genre"), ("Comment", "comment"),
                           ("Track", "track")):
            self.assertEqual(entries[0][field], tags[key], field)

    def test_windows_1250_tags_under_a_czech_locale(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith("LC_")}
        env["LANG"] = "cs_CZ.UTF-8"
        _, entries, _ = info("flac-id3-legacy.flac", env=env)
        self.assertEqual(entries[0]["Title"], "Žluťoučký kůň")
        self.assertEqual(entries[0]["Album"], "Příliš žluté")
        self.assertEqual(entries[0]["Comment"], "Úpěl ďábelské ódy")
        self.assertEqual(entries[0]["Artist"], "Antonín Dvořák")

    def test_broken_files_report_no_stream(self):
        broken = sorted(n for n, o in ORACLE.items() if not o["ffprobe"] and
                        not n.endswith(".dat"))
        self.assertEqual(len(broken), 3)
        status, entries, err = info(*broken, "flac-badid3.flac")
        self.assertEqual(status, 0, err)
        self.assertEqual([e["result"] for e in entries], [4, 4, 4, 5])
        self.assertEqual([e["Length"] for e in entries], [0, 0, 0, 200])


if __name__ == "__main__":
    unittest.main()
