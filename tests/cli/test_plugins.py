import unittest

from cliutil import TempDirTestCase, make_app, run


class PluginsTest(TempDirTestCase):
    def make_app(self, plugins):
        return make_app(self.path("app"), plugins)

    def test_lists_a_plugin_copied_into_the_plugin_folder(self):
        cli = self.make_app([("tp_good", "good.so"), ("tp_compat2", "old.so")])
        status, out, err = run("plugins", cli=cli)
        self.assertEqual(status, 0, err)
        text = out.decode()
        self.assertIn("0: Good", text)
        self.assertIn("extension: TST", text)
        self.assertIn("about: Plug-in used by the tests", text)
        self.assertIn("version: 0.1", text)
        self.assertNotIn("1:", text)

    def test_empty_plugin_folder_says_so(self):
        cli = self.make_app([])
        status, out, err = run("plugins", cli=cli)
        self.assertEqual(status, 0, err)
        self.assertIn("No plug-ins loaded", out.decode())

    def test_help_names_the_commands(self):
        status, out, _ = run("--help")
        self.assertEqual(status, 0)
        self.assertIn("plugins", out.decode())
        self.assertIn("dump", out.decode())


if __name__ == "__main__":
    unittest.main()
