import json
import os
import pty
import select
import subprocess
import unittest

from cliutil import CLI, TempDirTestCase, packed_record, record_header, run, write_record_file

NAMES = {"Artist": 1, "Album": 3, "Year": 4, "Genre": 5, "Size": 10, "Length": 11}
DASHED = "Music/Blue Lake - Northern Roads"
NESTED = "Music/Other Band/Album X"
TAGGED = "Music/Tagged"


def song(path, **fields):
    values = [b""] * 24
    values[0], values[6], values[7], values[8] = b"CD1", b"MUSIC", b"1A2B3C4D", path.encode()
    values[2], values[9], values[21] = b"Title", b"file.mp3", b"1"
    values[10], values[11] = b"1000", b"61000"
    for name, value in fields.items():
        values[NAMES[name]] = value.encode()
    return values


SONGS = [
    song(DASHED),
    song(DASHED, Genre="Rock"),
    song(NESTED, Year="1991"),
    song(TAGGED, Artist="A", Album="B"),
]


class DigestTest(TempDirTestCase):
    def songs(self, name="CD1.sds", records=SONGS):
        path = self.path(name)
        write_record_file(path, records)
        return path

    def albums(self, digest):
        status, out, err = run("dump", "--json", digest)
        self.assertEqual(status, 0, err)
        doc = json.loads(out)
        self.assertEqual((doc["type"], doc["typeVersion"], doc["typeCompatibility"]), ("Dgst", 1, 1))
        return {r["Path"]: r for r in doc["records"]}

    def test_digest_is_written_beside_the_song_database_by_default(self):
        for name, digest in (("CD1.sds", "CD1.sdd"), ("CD2.SDS", "CD2.SDd")):
            with self.subTest(name):
                songs = self.songs(name)
                status, out, err = run("digest", songs)
                self.assertEqual(status, 0, err)
                self.assertIn(self.path(digest).encode(), out)
                albums = self.albums(self.path(digest))
                self.assertEqual(list(albums), [DASHED, NESTED, TAGGED])
                first = albums[DASHED]
                self.assertEqual((first["Artist"], first["Album"], first["Genre"]),
                                 ("Blue Lake", "Northern Roads", "Rock"))
                self.assertEqual((first["Track"], first["Size"], first["Length"]), ("2", "2000", "122"))
                self.assertEqual((albums[NESTED]["Artist"], albums[NESTED]["Album"]),
                                 ("Other Band", "Album X"))

    def test_digest_goes_where_it_is_named(self):
        songs = self.songs("list.db")
        status, _, err = run("digest", songs, self.path("albums.sdd"))
        self.assertEqual(status, 0, err)
        self.assertEqual(len(self.albums(self.path("albums.sdd"))), 3)

    def test_usage_errors_give_status_2(self):
        songs = self.songs("list.db")
        for args in ((), ("digest",), ("digest", songs), ("digest", "--nope", songs)):
            with self.subTest(args):
                status, _, err = run(*args)
                self.assertEqual(status, 2)
                self.assertTrue(err)
        self.assertFalse(os.path.exists(self.path("list.dd")))

    def test_failures_name_the_file_and_leave_no_digest(self):
        good = record_header() + b"".join(packed_record(s) for s in SONGS)
        cases = {
            "missing": None,
            "wrongtype": record_header(type_tag=b"Dgst") + good[24:],
            "truncated": good[:-4],
        }
        for name, content in cases.items():
            with self.subTest(name):
                songs, digest = self.path(name + ".sds"), self.path(name + ".sdd")
                if content is not None:
                    with open(songs, "wb") as f:
                        f.write(content)
                status, out, err = run("digest", songs)
                self.assertEqual(status, 1)
                self.assertIn(songs, err)
                self.assertEqual(out, b"")
                self.assertFalse(os.path.exists(digest))
        self.assertEqual(sorted(os.listdir(self.tmp)), ["truncated.sds", "wrongtype.sds"])

    def test_answers_on_standard_input_confirm_each_album(self):
        songs = self.songs()
        cases = [
            # (answers, expected (Artist, Album, Genre, Year) of the two completed albums)
            ("", [("Blue Lake", "Northern Roads", "Rock", ""), ("Other Band", "Album X", "", "1991")]),
            ("\nNew Album\n-\n2001\n\n\n  Jazz \n\n",
             [("Blue Lake", "New Album", "", "2001"), ("Other Band", "Album X", "Jazz", "1991")]),
            ("Changed\nAUTO\n", [("Blue Lake", "Northern Roads", "Rock", ""),
                                 ("Other Band", "Album X", "", "1991")]),
            ("\n\n\n1999\nX\n", [("Blue Lake", "Northern Roads", "Rock", "1999"),
                                 ("Other Band", "Album X", "", "1991")]),
            ("é" * 70 + "\n\n\n\n-\n-\n-\n-\n",
             [("é" * 64, "Northern Roads", "Rock", ""), ("", "", "", "")]),
        ]
        for answers, expected in cases:
            with self.subTest(answers):
                status, out, err = run("digest", "--ask", songs, input=answers.encode())
                self.assertEqual(status, 0, err)
                albums = self.albums(self.path("CD1.sdd"))
                got = [tuple(albums[p][f] for f in ("Artist", "Album", "Genre", "Year"))
                       for p in (DASHED, NESTED)]
                self.assertEqual(got, expected)
                self.assertEqual((albums[TAGGED]["Artist"], albums[TAGGED]["Album"]), ("A", "B"))
                self.assertIn(DASHED.encode(), out)

    def test_prompt_shows_path_and_values_once_per_completed_album(self):
        songs = self.songs()
        status, out, err = run("digest", "--ask", songs, input=b"\n" * 8)
        self.assertEqual(status, 0, err)
        text = out.decode()
        self.assertEqual(text.count("Path:"), 2)
        self.assertIn("Artist [Blue Lake]: ", text)
        self.assertIn("Year [1991]: ", text)
        self.assertNotIn(TAGGED, text)
        # Without --ask nothing is asked.
        status, out, err = run("digest", songs, input=b"x\n" * 8)
        self.assertEqual(status, 0, err)
        self.assertNotIn(b"Path:", out)

    def test_ask_on_a_terminal(self):
        songs = self.songs()
        master, slave = pty.openpty()
        proc = subprocess.Popen([CLI, "digest", "--ask", songs], stdin=slave, stdout=slave,
                                stderr=subprocess.PIPE, close_fds=True)
        os.close(slave)
        output = b""

        def wait_for_prompts(count):
            nonlocal output
            while output.count(b"]: ") < count:
                ready, _, _ = select.select([master], [], [], 30)
                self.assertTrue(ready, output)
                chunk = os.read(master, 4096)
                self.assertTrue(chunk, output)
                output += chunk

        answers = [b"\n", b"Typed Album\n", b"\n", b"\n", b"auto\n"]
        for number, answer in enumerate(answers, 1):
            wait_for_prompts(number)
            os.write(master, answer)
        _, err = proc.communicate(timeout=60)
        self.assertEqual(proc.returncode, 0, err)
        os.close(master)
        albums = self.albums(self.path("CD1.sdd"))
        self.assertEqual(albums[DASHED]["Album"], "Typed Album")
        self.assertEqual(albums[NESTED]["Album"], "Album X")


if __name__ == "__main__":
    unittest.main()
