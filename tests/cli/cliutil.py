"""Helpers for the end-to-end tests of tunelister-cli."""
import configparser
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest

APP_DIR = os.environ["TL_APP_DIR"]
CLI = os.path.join(APP_DIR, "tunelister-cli")
SOURCE_DIR = os.environ.get("TL_SOURCE_DIR", "")

FIELD_NAMES = ["VolDescription", "Artist", "Title", "Album", "Year", "Genre", "VolName",
               "VolSerial", "Path", "FName", "Size", "Length", "Type", "Bitrate", "Frequency",
               "Mode", "Binary", "Tag", "Comment", "OArtist", "Composer", "Track", "Date",
               "ScanDate"]


TEST_PLUGIN_DIR = os.environ.get("TL_TEST_PLUGIN_DIR", "")


def make_app(folder, plugins):
    """A copy of the application folder in @p folder whose plugins/ holds just @p plugins,
    a list of (built test plug-in name, installed file name); the locale files come along.
    Returns the copied CLI's path."""
    os.makedirs(os.path.join(folder, "plugins"))
    shutil.copy(CLI, folder)
    for name in ("default.lcl", "locale.lcl"):
        if os.path.exists(os.path.join(APP_DIR, name)):
            shutil.copy(os.path.join(APP_DIR, name), folder)
    for built, name in plugins:
        shutil.copy(os.path.join(TEST_PLUGIN_DIR, built + ".so"),
                    os.path.join(folder, "plugins", name))
    return os.path.join(folder, "tunelister-cli")


def run(*args, cli=CLI, env=None, input=None, cwd=None, timeout=120):
    """Runs the CLI; returns (exit status, stdout bytes, stderr text). A run that takes
    longer than @p timeout seconds is killed and raises subprocess.TimeoutExpired."""
    proc = subprocess.run([cli, *args], capture_output=True, env=env, input=input,
                          timeout=timeout, cwd=cwd)
    return proc.returncode, proc.stdout, proc.stderr.decode("utf-8", "replace")


def locale_text(section, key):
    """A message of the default locale file, as written there."""
    parser = configparser.RawConfigParser(strict=False, interpolation=None)
    parser.read(os.path.join(APP_DIR, "default.lcl"), encoding="utf-8")
    return parser.get(section, key)


def message(section, key, *args):
    """A message of the default locale file with its placeholders %0s, %1d... filled."""
    text = locale_text(section, key)
    return re.sub(r"%(\d)[sd]", lambda m: str(args[int(m.group(1))]), text)


def message_start(section, key):
    """The part of a message before its first placeholder."""
    return re.split(r"%\d", locale_text(section, key))[0]


def record_header(type_tag=b"SngD", fields=24, version=1, compat=1):
    return b"SiDB" + struct.pack("<HHHH", 1, 1, fields, 0) + type_tag + struct.pack(
        "<HHI", version, compat, 0)


def packed_record(values):
    texts = [v if isinstance(v, bytes) else v.encode() for v in values]
    offsets, area = [], b""
    for t in texts:
        offsets.append(len(area))
        area += t + b"\0"
    body = b"".join(struct.pack("<I", o) for o in offsets) + area
    return struct.pack("<I", 4 + len(body)) + body


def write_record_file(path, records, **header):
    with open(path, "wb") as f:
        f.write(record_header(**header))
        for r in records:
            f.write(packed_record(r))


class TempDirTestCase(unittest.TestCase):
    """A test with a temporary folder, removed afterwards."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="tlcli-")
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)
