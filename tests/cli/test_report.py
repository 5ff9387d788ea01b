"""End-to-end tests of `tunelister-cli report`: every shipped template, searches, the
proposed report name and every failure's message and exit status."""
import csv
import datetime
import html.parser
import io
import os
import re
import shutil
import unicodedata
import unittest

from cliutil import (APP_DIR, FIELD_NAMES, TempDirTestCase, locale_text, make_app, message,
                     message_start, run, write_record_file)

TEMPLATES = os.path.join(APP_DIR, "templates")


def album(**values):
    record = dict.fromkeys(FIELD_NAMES, "")
    record.update(values)
    return [record[name] for name in FIELD_NAMES]


DISC1 = dict(VolDescription="Disc01", VolName="DISC01", VolSerial="1A2B3C4D", ScanDate="20000")
DISC2 = dict(VolDescription="Disc02", VolName="DISC02", VolSerial="99AA00FF", ScanDate="20001")
ALBUMS = [
    album(**DISC1, Artist="Queen", Album="News of the World", Year="1977", Genre="Rock",
          Path="Music/Queen/News", Size="2500000000", Length="2400", Track="11", Bitrate="320"),
    album(**DISC1, Artist="Beyoncé", Album="Lemonade", Year="2016", Genre="R&B",
          Path="Music/Beyonce", Size="120000000", Length="2730", Track="12", Bitrate="256"),
    album(**DISC1, Artist="Queen", Album="A Night at the Opera", Year="1975", Genre="Rock",
          Path="Music/Queen/Opera", Size="3000000000", Length="2580", Track="12",
          Bitrate="128, 192"),
    album(**DISC2, Artist="Motörhead", Album="Ace of Spades", Year="1980", Genre="Metal",
          Path="Motorhead", Size="90000000", Length="2200", Track="12", Bitrate="192"),
    album(**DISC2, Artist="Crosby, Stills & Nash", Album="Crosby, Stills & Nash", Year="1969",
          Genre="", Path="CSN", Size="80000000", Length="2460", Track="10", Bitrate="192"),
]


class TagBalance(html.parser.HTMLParser):
    """Checks that every element is closed in order."""

    VOID = {"meta", "link", "br", "hr", "img", "input"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.text = [], [], []

    def handle_starttag(self, tag, attrs):
        if tag not in self.VOID:
            self.stack.append(tag)

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.errors.append(f"</{tag}> closes {self.stack[-1:] or 'nothing'}")
        else:
            self.stack.pop()

    def handle_data(self, data):
        self.text.append(data)


def check_html(test, raw):
    text = raw.decode("utf-8")
    checker = TagBalance()
    checker.feed(text)
    checker.close()
    test.assertEqual(checker.errors, [])
    test.assertEqual(checker.stack, [])
    test.assertTrue(text.startswith("<!DOCTYPE html>"))
    return text, "".join(checker.text)


class ReportTest(TempDirTestCase):
    def setUp(self):
        super().setUp()
        self.digest = self.path("Rock.Classics.sdd")
        write_record_file(self.digest, ALBUMS, type_tag=b"Dgst")

    def stylesheet(self):
        with open(self.path("tunelister.css"), encoding="utf-8") as f:
            return f.read()

    def report(self, template, *extra, out="report.out", digests=None):
        status, stdout, stderr = run("report", "--template", os.path.join(TEMPLATES, template),
                                     "--out", self.path(out), *extra,
                                     *(digests or [self.digest]))
        self.assertEqual(status, 0, stderr)
        self.assertIn(self.path(out), stdout.decode())
        with open(self.path(out), "rb") as f:
            return f.read()

    def test_album_list_groups_by_artist_with_totals_and_brings_its_stylesheet(self):
        raw = self.report("albums-html.tpl", out="albums.html")
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""))
        html, text = check_html(self, raw)
        self.assertTrue(os.path.exists(self.path("tunelister.css")))
        # Artists in collation order, each heading once, albums sorted within.
        headings = re.findall(r"<h2>(.*?)</h2>", html)
        self.assertEqual(headings,
                         ["Beyoncé", "Crosby, Stills &amp; Nash", "Motörhead", "Queen"])
        self.assertLess(html.index("A Night at the Opera"), html.index("News of the World"))
        self.assertIn("R&amp;B", html)
        # Queen: 5.5 GB and 1:23:00 in two albums; formatted times and sizes per album.
        self.assertIn("Total: 2", text)
        self.assertIn("5.1 G", text)
        self.assertIn("1:23:00", text)
        self.assertIn("43:00", text)
        self.assertIn("2.8 G", text)
        # Report totals: five albums by four artists, 57 tracks.
        self.assertIn("Albums: 5 · Artists: 4 · Tracks: 57", text)
        # Each volume's place: not mounted here, so under the default root, marked.
        self.assertRegex(html, r'class="where false">[^<]*/Music/Queen/News<')
        # Every artist's table has the same columns, so the stylesheet can fix their widths.
        heads = re.findall(r"<table[^>]*>\s*<thead>(.*?)</thead>", html)
        self.assertEqual(len(heads), 4)
        self.assertEqual(len(set(heads)), 1)
        self.assertIn("table-layout: fixed", self.stylesheet())

    def test_csv_export_reads_back_with_a_csv_reader(self):
        raw = self.report("albums-csv.tpl", out="albums.csv")
        self.assertTrue(raw.startswith(b"\xef\xbb\xbf"))
        rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
        self.assertEqual(rows[0][:5], ["Artist", "Album", "Year", "Genre", "Tracks"])
        self.assertEqual(len(rows), 1 + len(ALBUMS))
        self.assertTrue(all(len(r) == len(rows[0]) for r in rows))
        by_album = {r[1]: dict(zip(rows[0], r)) for r in rows[1:]}
        csn = by_album["Crosby, Stills & Nash"]
        self.assertEqual(csn["Artist"], "Crosby, Stills & Nash")
        self.assertEqual(csn["Genre"], "")
        self.assertEqual(by_album["A Night at the Opera"]["Size (bytes)"], "3000000000")
        self.assertEqual(by_album["A Night at the Opera"]["Bit rate"], "128, 192")
        self.assertEqual(by_album["Lemonade"]["Length"], "0:45:30")
        self.assertEqual(by_album["Lemonade"]["Length (s)"], "2730")
        self.assertEqual([r[0] for r in rows[1:]],
                         ["Beyoncé", "Crosby, Stills & Nash", "Motörhead", "Queen", "Queen"])

    def test_csv_reader_reads_back_values_with_quotes_commas_semicolons_and_line_breaks(self):
        hard = [
            album(VolDescription='Disc "A", side 1; new', VolName='LBL,"1"', VolSerial="1A2B3C4D",
                  Artist='The "Hard" Band, Inc.', Album='12" Singles; Vol. 1', Year="1999",
                  Genre='Rock, "Alt"; Indie', Path='Music/"Hard"/12" Singles', Size="12345",
                  Length="3000", Track="12", Bitrate="128, 192", ScanDate="20000"),
            album(VolDescription="Disc02", VolName="DISC02", VolSerial="99AA00FF",
                  Artist="Line\r\nBreak", Album="Two\nLines", Year="2001", Genre='"',
                  Path="", Size="1", Length="61", Track="1", Bitrate="", ScanDate="0"),
            album(Artist='""', Album=" padded ", Year=";", Genre=",", Length="x", Size="-1"),
        ]
        digest = self.path("hard.sdd")
        write_record_file(digest, hard, type_tag=b"Dgst")
        raw = self.report("albums-csv.tpl", out="hard.csv", digests=[digest])
        rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
        self.assertEqual(len(rows), 1 + len(hard))
        self.assertTrue(all(len(r) == 14 for r in rows), rows)
        by_album = {r[1]: r for r in rows[1:]}

        def field(record, name):
            # Every line break of a report reaches the file as CR LF, inside values too.
            value = record[FIELD_NAMES.index(name)]
            return value.replace("\r\n", "\n").replace("\n", "\r\n")

        times = {"3000": "0:50:00", "61": "0:01:01", "x": "x"}
        for record in hard:
            scan = record[FIELD_NAMES.index("ScanDate")]
            day = datetime.date(1970, 1, 1) + datetime.timedelta(days=int(scan or 0))
            expected = [field(record, n) for n in ("Artist", "Album", "Year", "Genre", "Track",
                                                   "Length")]
            expected.append(times[record[FIELD_NAMES.index("Length")]])
            expected += [field(record, n) for n in ("Size", "VolDescription", "VolName",
                                                    "VolSerial", "Path", "Bitrate")]
            expected.append("%d.%d.%d" % (day.day, day.month, day.year) if scan else "")
            self.assertEqual(by_album[field(record, "Album")], expected)

    def test_text_list_lines_up_its_columns_in_characters(self):
        text = self.report("albums-txt.tpl", out="albums.txt").decode("utf-8")
        lines = text.split("\r\n")
        items = [l for l in lines if l.startswith(("Beyoncé", "Crosby", "Motörhead", "Queen"))]
        self.assertEqual(len(items), 5)
        header = next(l for l in lines if l.startswith("Artist "))
        album_column = header.index("Album")
        for line in items:
            self.assertEqual(line[album_column - 1], " ", line)
            self.assertNotEqual(line[album_column], " ", line)
        self.assertTrue(any(l.startswith("Crosby, Stills & Nash          Crosby") for l in items))
        self.assertIn("Total: 5 albums, 57 tracks", text)

    def test_text_list_lines_up_east_asian_names_by_display_width(self):
        """Japanese, Chinese and Korean names take two columns a character, combining marks
        none: every column of the plain-text list starts at the same display column, with
        names that fit, names cut to their column, and decomposed letters."""
        names = [
            ("坂本龍一", "戦場のメリークリスマス"),
            ("周杰伦", "范特西"),
            ("아이유", "꽃갈피"),
            (unicodedata.normalize("NFD", "이문세"), "광화문 연가"),
            (unicodedata.normalize("NFD", "Antonín Dvořák"), "Slovanské tance"),
            ("中島みゆき" * 4, "宇多田ヒカル ファースト・ラブ ベスト・コレクション"),
        ]
        write_record_file(self.digest, [
            album(**DISC1, Artist=a, Album=b, Year="1983", Type="MPG1/3", Track="9",
                  Length="2400", Size="90000000") for a, b in names], type_tag=b"Dgst")
        lines = self.report("albums-txt.tpl", out="albums.txt").decode("utf-8").split("\r\n")
        rule = next(l for l in lines if l.startswith("-----"))
        starts = [m.start() for m in re.finditer(r"(?<= )-", rule)]  # ASCII: one a column
        items = [l for l in lines if l.endswith(" Disc01")]
        self.assertEqual(len(items), len(names))

        def width(text):
            return sum(0 if unicodedata.category(c) in ("Mn", "Me", "Cf") or
                       0x1160 <= ord(c) <= 0x11FF else
                       2 if unicodedata.east_asian_width(c) in ("W", "F") else 1 for c in text)

        for line in items:
            at, column = 0, 0
            for start in starts:
                while column < start:
                    column += width(line[at])
                    at += 1
                self.assertEqual(column, start, (line, start))
                self.assertEqual(line[at - 1], " ", line)
        self.assertTrue(any(l.startswith("中島みゆき中島みゆき中島みゆ > 宇多田") for l in items))

    def test_volume_catalogue_has_one_section_per_volume(self):
        html, text = check_html(self, self.report("volumes-html.tpl", out="volumes.html"))
        self.assertEqual(re.findall(r"<h2>(.*?)</h2>", html), ["1. Disc01", "2. Disc02"])
        self.assertIn("Total: 3", text)
        self.assertIn("Total: 2", text)
        self.assertIn("<dt>Serial</dt><dd>1A2B3C4D</dd>", html)
        self.assertIn("Volumes: 2 · Albums: 5", text)
        self.assertRegex(html, r'<div class="mount false"><dt>Mounted</dt><dd><span>[^<]*/</span>')

    def test_a_volume_without_label_or_serial_leaves_their_places_empty(self):
        # Empty elements, which the stylesheet hides with their brackets and captions.
        write_record_file(self.digest, [album(VolDescription="Stick", Artist="Queen", Album="Jazz",
                                              Path="Jazz", ScanDate="20000")], type_tag=b"Dgst")
        html, text = check_html(self, self.report("albums-html.tpl", out="albums.html"))
        self.assertIn('<td class="volume">Stick <span class="label"></span></td>', html)
        self.assertNotIn("(", text)
        self.assertIn('td.volume span.label:not(:empty)::before { content: "("; }',
                      self.stylesheet())
        html, _ = check_html(self, self.report("volumes-html.tpl", out="volumes.html"))
        self.assertIn("<dt>Label</dt><dd></dd>", html)
        self.assertIn("<dt>Serial</dt><dd></dd>", html)
        self.assertIn("dl.volume div:has(> dd:empty)", self.stylesheet())

    def chart(self, template, digest=None):
        """The rows of a statistics page: label -> (albums, bar width, listed albums)."""
        html, _ = check_html(self, self.report(template, out="chart.html",
                                               digests=[digest] if digest else None))
        rows = re.findall(r'<div class="row" id="g\d+"><a class="label" href="#g\d+">(.*?)</a>'
                          r'<span class="count">(\d+)</span><span class="bar">'
                          r'<i style="width:(\d+)%"></i></span><ol class="albums">(.*?)</ol>',
                          html, re.S)
        return {label: (int(count), int(width), listed.count("<li>"))
                for label, count, width, listed in rows}

    def test_statistics_draw_every_bar_as_its_groups_share_of_the_largest(self):
        genres = {"Rock": 1000, "Jazz": 500, "Ska": 5, "Polka": 1}
        big = self.path("big.sdd")
        write_record_file(big, [album(Artist=f"Artist {i}", Album=f"Album {i}", Genre=genre,
                                      Year=str(1960 + i % 40), Length="2400", Size="1000")
                                for genre, count in genres.items() for i in range(count)],
                          type_tag=b"Dgst")
        self.assertEqual(self.chart("stats-html.tpl", big),
                         {"Rock": (1000, 100, 1000), "Jazz": (500, 50, 500), "Ska": (5, 1, 5),
                          "Polka": (1, 1, 1)})
        # Per year: 1960 has 40 albums; 39 of 40 is 97.5 %, 38 is 95 %, 37 is 92.5 %, and
        # halves round up.
        expected = {"1960": (40, 100, 40)}
        expected.update({str(y): (39, 98, 39) for y in range(1961, 1965)})
        expected.update({str(y): (38, 95, 38) for y in range(1965, 1980)})
        expected.update({str(y): (37, 93, 37) for y in range(1980, 2000)})
        self.assertEqual(self.chart("stats-years-html.tpl", big), expected)

    def test_statistics_of_the_small_catalogue(self):
        self.assertEqual(self.chart("stats-html.tpl"),
                         {"(none)": (1, 50, 1), "Metal": (1, 50, 1), "R&amp;B": (1, 50, 1),
                          "Rock": (2, 100, 2)})
        years = self.chart("stats-years-html.tpl")
        self.assertEqual(years["1977"], (1, 100, 1))
        self.assertEqual(len(years), len(ALBUMS))

    def test_search_narrows_the_report(self):
        cases = [
            (["--where", "Year >= 1977"], ["Beyoncé", "Motörhead", "Queen"]),
            (["--where", "artist contains queen"], ["Queen", "Queen"]),
            (["--where", "Artist = motorhead"], ["Motörhead"]),  # diacritics fold
            (["--where", "Genre = Rock", "--where", "Year <= 1975"], ["Queen"]),
            # P or Q and R: P = 1969, Q and R = Rock from 1977 on.
            (["--where", "Year = 1969", "--or-where", "Genre = Rock", "--where", "Year >= 1977"],
             ["Crosby, Stills & Nash", "Queen"]),
            (["--where", "Length <= 40:00"], ["Motörhead", "Queen"]),
            (["--where", "Size >= 2500000000"], ["Queen", "Queen"]),
            (["--where", "Genre ="], ["Crosby, Stills & Nash"]),
        ]
        for conditions, artists in cases:
            raw = self.report("albums-csv.tpl", *conditions, out="search.csv")
            rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
            self.assertEqual([r[0] for r in rows[1:]], artists, conditions)

    def test_dates_are_read_in_the_date_format_of_the_settings(self):
        # The second disc was scanned on day 20001, the 5th of October 2024.
        cases = [
            ("0", "ScanDate = 5.10.2024", ["Crosby, Stills & Nash", "Motörhead"]),
            ("1", "ScanDate = 10/5/2024", ["Crosby, Stills & Nash", "Motörhead"]),
            ("1", "ScanDate >= 10.5.2024", ["Crosby, Stills & Nash", "Motörhead"]),
            ("0", "ScanDate >= 10/5/2024", ["Beyoncé", "Crosby, Stills & Nash", "Motörhead",
                                            "Queen", "Queen"]),
        ]
        for us_date, condition, artists in cases:
            with self.subTest(us_date=us_date, condition=condition):
                folder = self.path("app" + us_date + str(len(condition)))
                cli = make_app(folder, [])
                with open(os.path.join(folder, "Tunelister.ini"), "w") as f:
                    f.write("[Settings]\nusDate=" + us_date + "\n")
                out = self.path("dates.csv")
                status, _, stderr = run("report", "--template",
                                        os.path.join(TEMPLATES, "albums-csv.tpl"), "--out", out,
                                        "--where", condition, self.digest, cli=cli)
                self.assertEqual(status, 0, stderr)
                with open(out, encoding="utf-8-sig", newline="") as f:
                    rows = list(csv.reader(f))
                self.assertEqual([r[0] for r in rows[1:]], artists)

    def test_without_a_template_the_remembered_one_or_the_languages_is_used(self):
        mine = self.path("mine.tpl")
        with open(mine, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\nFileExtension=txt\n"
                    "SortBy=Artist\n[Item]\nItem=%Artist%%n\n")
        for remember in ("0", "1"):
            with self.subTest(rememberTemplate=remember):
                folder = self.path("app" + remember)
                cli = make_app(folder, [])
                shutil.copytree(TEMPLATES, os.path.join(folder, "templates"))
                with open(os.path.join(folder, "Tunelister.ini"), "w") as f:
                    f.write(f"[Settings]\nrememberTemplate={remember}\ndigestTemplate={mine}\n")
                out = self.path("report" + remember)
                status, _, stderr = run("report", "--out", out, self.digest, cli=cli)
                self.assertEqual(status, 0, stderr)
                with open(out, "rb") as f:
                    text = f.read().decode("utf-8")
                if remember == "1":
                    self.assertTrue(text.startswith("Beyoncé\r\nCrosby"), text[:80])
                else:
                    self.assertTrue(text.startswith("<!DOCTYPE html>"), text[:80])

    def test_a_date_is_refused_naming_the_date_format(self):
        status, _, stderr = run("report", "--template", os.path.join(TEMPLATES, "albums-csv.tpl"),
                                "--out", self.path("x.csv"), "--where", "Date = 12/31/2001",
                                self.digest)
        self.assertEqual(status, 2)
        self.assertIn(message("DialogFilter", "ErrDateExpected", "dd.mm.yyyy", "31.12.2001"),
                      stderr)

    def test_values_are_checked_like_the_filter_dialog(self):
        for condition in ["Year = 19a", "Length <= 90", "Date = 31.4.2001", "Singer = x",
                          "Artist ~ x", "= x"]:
            status, _, stderr = run("report", "--template",
                                    os.path.join(TEMPLATES, "albums-csv.tpl"), "--out",
                                    self.path("x.csv"), "--where", condition, self.digest)
            self.assertEqual(status, 2, condition)
            self.assertIn(condition, stderr)
            self.assertFalse(os.path.exists(self.path("x.csv")))

    def test_operators_other_than_the_six_are_refused_with_status_2(self):
        for operator in ["Artist == Queen", "Year => 1990", "Year =< 1990", "Genre <> Rock",
                         "Year > 1990", "Artist is Queen"]:
            word = operator.split()[1]
            status, stdout, stderr = run("report", "--template",
                                         os.path.join(TEMPLATES, "albums-csv.tpl"), "--out",
                                         self.path("x.csv"), "--where", "Year >= 1970",
                                         "--or-where", operator, self.digest)
            self.assertEqual(status, 2, operator)
            self.assertEqual(stdout, b"")
            reason = message("Cli", "ConditionBadOperator", word)
            self.assertEqual(stderr, "tunelister-cli: " +
                             message("Cli", "BadCondition", operator, reason) + "\n")
            self.assertIn("begins, contains, =, !=, >= and <=", stderr)
            self.assertFalse(os.path.exists(self.path("x.csv")))

    def test_report_name_is_proposed_from_the_digest(self):
        other = self.path("Jazz.sdd")
        write_record_file(other, ALBUMS[:1], type_tag=b"Dgst")
        cases = [([self.digest], "Rock.html"),
                 ([self.digest, other], locale_text("Report", "DefaultReportName") + ".html")]
        for digests, name in cases:
            status, stdout, stderr = run("report", "--template", "albums-html.tpl", *digests,
                                         cwd=self.tmp)
            self.assertEqual(status, 0, stderr)
            self.assertIn(name, stdout.decode())
            with open(self.path(name), "rb") as f:
                check_html(self, f.read())

    def test_failures_give_their_message_and_status_1(self):
        empty = self.path("empty.sdd")
        write_record_file(empty, [], type_tag=b"Dgst")
        newer = self.path("newer.sdd")
        write_record_file(newer, ALBUMS, type_tag=b"Dgst", compat=2)
        bad_version = self.path("v2.tpl")
        with open(bad_version, "w") as f:
            f.write("[General]\nTPLVersion=1\nTPLCompatibility=2\nType=AlbumList\n"
                    "[Item]\nItem=%Artist%\n")
        bad_group = self.path("group.tpl")
        with open(bad_group, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\nGroupBy=Art\n[Item]\nItem=x\n")
        bad_field = self.path("field.tpl")
        with open(bad_field, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\n[Item]\nItem=ab%Singer%\n")
        no_include = self.path("include.tpl")
        with open(no_include, "w") as f:
            f.write("[General]\nTPLVersion=1\nType=AlbumList\nInclude=gone.html\n"
                    "[Item]\nItem=%i\n")
        csv_tpl = os.path.join(TEMPLATES, "albums-csv.tpl")
        cases = [
            ([csv_tpl, empty], "Report", "LoadEmpty"),
            ([csv_tpl, "--where", "Artist = nobody", self.digest], "Report", "LoadEmpty"),
            ([csv_tpl, self.digest, self.path("missing.sdd")], "General", "UnsupportedFile"),
            ([csv_tpl, newer], "General", "UnsupportedFile"),
            ([self.path("missing.tpl"), self.digest], "Report", "TemplateMissingErr"),
            ([bad_version, self.digest], "Report", "TemplateVersionErr"),
            ([bad_group, self.digest], "Report", "LoadTemplateErr"),
            ([bad_field, self.digest], "Report", "FieldErr"),
            ([no_include, self.digest], "Report", "LinkErr"),
        ]
        for args, section, key in cases:
            status, _, stderr = run("report", "--out", self.path("r.txt"), "--template", *args)
            self.assertEqual(status, 1, (args, stderr))
            self.assertIn(message_start(section, key), stderr, args)
        _, _, stderr = run("report", "--out", self.path("r.txt"), "--template", bad_field,
                           self.digest)
        self.assertIn("Item:Singer", stderr)
        _, _, stderr = run("report", "--template", csv_tpl, self.path("missing.sdd"))
        self.assertIn(self.path("missing.sdd"), stderr)


if __name__ == "__main__":
    unittest.main()
