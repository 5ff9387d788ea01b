import os
import unittest

from cliutil import APP_DIR, TempDirTestCase, make_app, record_header, run

CZECH = os.path.join(APP_DIR, "cs.lcl")


class LocaleOptionTest(TempDirTestCase):
    def write(self, name, text):
        path = self.path(name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_messages_come_from_the_chosen_language(self):
        missing = self.path("missing.sds")
        status, out, err = run("--locale", CZECH, "dump", missing)
        self.assertEqual(status, 1)
        self.assertEqual(out, b"")
        self.assertIn(missing + ": soubor nelze otevřít ani vytvořit (výsledek 2)", err)

    def test_the_language_chosen_in_the_program_is_spoken_without_the_option(self):
        cli = make_app(self.path("app"), [])
        with open(self.path("app/Tunelister.ini"), "w") as f:
            f.write("[Settings]\nLCL=" + CZECH + "\n")
        missing = self.path("missing.sds")
        status, _, err = run("dump", missing, cli=cli)
        self.assertEqual(status, 1)
        self.assertIn(missing + ": soubor nelze otevřít ani vytvořit (výsledek 2)", err)
        # The option still chooses for one run.
        status, _, err = run("--locale", self.path("app/default.lcl"), "dump", missing, cli=cli)
        self.assertIn(missing + ": the file cannot be opened or created (result 2)", err)

    def test_without_the_option_the_messages_are_english(self):
        bad = self.path("bad.sds")
        with open(bad, "wb") as f:
            f.write(b"SIDB" + record_header()[4:])
        status, _, err = run("dump", bad)
        self.assertEqual(status, 1)
        self.assertIn(bad + ": wrong format or version (result 6)", err)

    def test_a_key_missing_from_the_chosen_file_falls_back_to_the_default_file(self):
        partial = self.write("partial.lcl", "[General]\nLCLVersion=1\n"
                             "[Cli]\nRecordFailed=%0s -- %1s -- výsledek %2d\n")
        missing = self.path("missing.sds")
        status, _, err = run("--locale", partial, "dump", missing)
        self.assertEqual(status, 1)
        self.assertIn(missing + " -- the file cannot be opened or created -- výsledek 2", err)

    def test_an_unreadable_language_file_is_a_usage_error(self):
        missing = self.path("nowhere.lcl")
        status, out, err = run("--locale", missing, "dump", self.path("x.sds"))
        self.assertEqual(status, 2)
        self.assertIn("cannot open " + missing, err)
        self.assertEqual(out, b"")

    def test_a_refused_language_file_is_reported_and_english_is_used(self):
        cases = {
            "newer.lcl": "[General]\nLCLVersion=2\nLCLCompatibility=2\n"
                         "[Cli]\nResult2=NEWER TEXT\n",
            "unversioned.lcl": "[Cli]\nResult2=UNVERSIONED TEXT\n",
            "nosections.lcl": "Result2=NO SECTION TEXT\n",
        }
        for name, text in cases.items():
            with self.subTest(name):
                lcl = self.write(name, text)
                missing = self.path("missing.sds")
                status, _, err = run("--locale", lcl, "dump", missing)
                self.assertEqual(status, 1)
                self.assertIn("the language file " + lcl + " cannot be used", err)
                self.assertIn("the file cannot be opened or created", err)
                self.assertNotIn("TEXT", err)


if __name__ == "__main__":
    unittest.main()
