"""scripts/check_layers: every kind of fault it is there to find is found, and a tree in
order passes."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE_DIR = os.environ.get("TL_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(SOURCE_DIR, "scripts", "check_layers")

CMAKE = "".join("add_subdirectory(%s)\n" % folder for folder in
                ("storage", "platform", "plugins", "locale", "job", "digest", "scan", "report",
                 "frontend", "cli", "platform/ui", "frontend/ui", "locale/ui", "digest/ui", "shell"))


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tllayers-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.write("CMakeLists.txt", CMAKE)

    def write(self, path, text):
        full = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w") as f:
            f.write(text)

    def check(self):
        proc = subprocess.run([sys.executable, CHECK, "--root", self.root],
                              capture_output=True, text=True)
        return proc.returncode, proc.stdout.splitlines()

    def test_includes_down_the_layers_pass(self):
        self.write("scan/Walk.cpp", '#include "scan/Walk.h"\n#include "digest/Job.h"\n'
                   '#include "storage/File.h"\n#include <vector>\n')
        self.write("scan/ui/Window.cpp", '#include "frontend/FrontEnd.h"\n'
                   '#include "frontend/ui/LocaleText.h"\n#include <QDialog>\n')
        self.write("plugins/mp3/Mp3.cpp", '#include "plugins/PluginInterface.h"\n'
                   '#include "plugins/common/Read.h"\n#include "Local.h"\n')
        self.write("tests/scan/test_Walk.cpp", '#include "shell/Application.h"\n#include <QTest>\n')
        self.assertEqual(self.check(), (0, []))

    def test_every_kind_of_fault_is_named_with_its_line(self):
        cases = [
            ("platform/ui/Text.h", '#include <QString>\n#include "locale/Locale.h"\n',
             "platform/ui/Text.h:2: platform/ui includes locale/Locale.h"),
            ("platform/ui/Desktop.cpp", '#include "frontend/ui/JobRelay.h"\n',
             "platform/ui/Desktop.cpp:1: platform/ui includes frontend/ui/JobRelay.h"),
            ("report/Job.cpp", '#include "digest/DigestJob.h"\n',
             "report/Job.cpp:1: report includes digest/DigestJob.h"),
            ("scan/Job.cpp", "#include <QObject>\n",
             "scan/Job.cpp:1: the core includes the Qt header <QObject>"),
            ("cli/Main.cpp", '#include "frontend/ui/JobRelay.h"\n',
             "cli/Main.cpp:1: cli includes frontend/ui/JobRelay.h"),
            ("report/ui/Wizard.cpp", '#include "locale/ui/OptionsDialog.h"\n',
             "report/ui/Wizard.cpp:1: report/ui includes locale/ui/OptionsDialog.h"),
            ("plugins/taglib/Tags.cpp", '#include "plugins/Pluginmanager.h"\n',
             "plugins/taglib/Tags.cpp:1: a plug-in includes plugins/Pluginmanager.h"),
        ]
        for path, text, fault in cases:
            with self.subTest(path):
                self.write(path, text)
                status, faults = self.check()
                self.assertEqual(status, 1)
                self.assertEqual(len(faults), 1, faults)
                self.assertTrue(faults[0].startswith(fault), faults)
                os.remove(os.path.join(self.root, path))

    def test_a_folder_added_before_a_folder_below_it_is_named(self):
        self.write("CMakeLists.txt", CMAKE.replace("add_subdirectory(digest)\n", "") +
                   "add_subdirectory(digest)\n")
        status, faults = self.check()
        self.assertEqual(status, 1)
        self.assertEqual(faults, ["CMakeLists.txt:6: scan is added before digest, which is "
                                  "below it"])

    def test_the_source_tree_is_in_order(self):
        proc = subprocess.run([sys.executable, CHECK], capture_output=True, text=True)
        self.assertEqual((proc.returncode, proc.stdout), (0, ""))


if __name__ == "__main__":
    unittest.main()
