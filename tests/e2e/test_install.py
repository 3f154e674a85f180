"""The program installed with cmake --install into a prefix of its own: what lands there, the
desktop validators, and the installed program running the service's pages with its runtime and
web-process extension found in the prefix."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import corvane_e2e as e2e

TIMEOUT = 60
BUILD_DIR = None  # set from --build-dir
PREFIX = None  # the installation, made once for the whole file
EXPECTED = [
    "bin/corvane",
    "bin/corvane-logview",
    "lib/corvane/libcef.so",
    "lib/corvane/corvane-web-extension/libcorvane_web_extension.so",
    "share/applications/com.corvane.Corvane.desktop",
    "share/icons/hicolor/scalable/apps/corvane.svg",
    "share/metainfo/com.corvane.Corvane.metainfo.xml",
    "share/man/man1/corvane.1.gz",
] + ["share/icons/hicolor/%dx%d/apps/corvane.png" % (s, s) for s in (16, 22, 24, 32, 48, 64, 128, 256)]


DESKTOP_ENTRY = "share/applications/com.corvane.Corvane.desktop"
METAINFO = "share/metainfo/com.corvane.Corvane.metainfo.xml"


def service():
    return e2e.SERVICE


def desktop_entry():
    with open(os.path.join(PREFIX, DESKTOP_ENTRY), encoding="utf-8") as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def x_property(window, name):
    return e2e.run_tool("xprop", "-id", str(window), name).stdout


class InstallTest(unittest.TestCase):
    def test_everything_lands_in_the_prefix(self):
        with open(os.path.join(BUILD_DIR, "install_manifest.txt"), encoding="utf-8") as f:
            installed = f.read().split()
        outside = [path for path in installed if not path.startswith(PREFIX + "/")]
        self.assertEqual(outside, [])
        self.assertEqual(sorted(os.path.relpath(path, PREFIX) for path in installed),
                         sorted(EXPECTED))
        dynamic = e2e.run_tool("readelf", "-d", os.path.join(PREFIX, "bin/corvane")).stdout
        self.assertIn("[$ORIGIN/../lib/corvane]", dynamic, "the runtime is found in the prefix")

    def test_desktop_entry_and_metadata_pass_the_validators(self):
        entry = os.path.join(PREFIX, DESKTOP_ENTRY)
        for command in (["desktop-file-validate", entry],
                        ["appstreamcli", "validate", "--no-net", os.path.join(PREFIX, METAINFO)],
                        ["appstreamcli", "validate-tree", "--no-net", PREFIX]):
            with self.subTest(command=" ".join(command[:2])):
                result = e2e.run_tool(*command)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        fields = desktop_entry()
        self.assertEqual(fields["GenericName"], "Online Invoicing")
        self.assertEqual(fields["Categories"], "Office;Finance;")
        self.assertEqual(fields["Icon"], "corvane")
        # Links of the program's own scheme start it with the link as its argument.
        self.assertEqual(fields["Exec"], "corvane %u")
        self.assertEqual(fields["MimeType"], "x-scheme-handler/corvane;")

    def test_the_desktop_entry_is_named_by_the_metadata_id(self):
        metainfo = ElementTree.parse(os.path.join(PREFIX, METAINFO)).getroot()
        app_id = metainfo.findtext("id")
        self.assertEqual(os.path.basename(DESKTOP_ENTRY), app_id + ".desktop")
        self.assertEqual(metainfo.findtext("launchable[@type='desktop-id']"), app_id + ".desktop")

    def test_installed_program_runs_the_pages_in_a_window_the_desktop_knows(self):
        # The signup page goes on to the login page, whose restyling needs the extension.
        service().reset()
        service().scenario(signup_next=service().webapp_origin + "/login.php")
        share = os.path.join(PREFIX, "share")
        with e2e.Session(env_changes={"XDG_DATA_DIRS": share + ":/usr/share"}) as session:
            windows = session.wait_for_windows()
            self.assertEqual(len(windows), 1, session.stderr())
            restyled = e2e.wait_until(lambda: [r for r in service().reports("login")
                                               if r.get("loginMarginTop") == "0px"], TIMEOUT)
            self.assertTrue(restyled, "the login page was not restyled: " + session.stderr())
            self.assertEqual(service().paths()[:1], ["/signup.php"])
            wm_class = re.findall(r'"([^"]*)"', x_property(windows[0], "WM_CLASS"))
            self.assertEqual(wm_class, ["corvane", desktop_entry()["StartupWMClass"]])
            # Set only when the icon the window names was found in the installed theme.
            self.assertIn("_NET_WM_ICON(CARDINAL) =", x_property(windows[0], "_NET_WM_ICON"))
            self.assertEqual(session.close(), 0)


def install():
    global PREFIX
    PREFIX = tempfile.mkdtemp(prefix="corvane-install-")
    result = subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", PREFIX],
                            capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        sys.exit("cmake --install failed:\n" + result.stdout + result.stderr)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    args, sys.argv[1:] = parser.parse_known_args()
    BUILD_DIR = os.path.abspath(args.build_dir)
    install()
    sys.argv += ["--program", os.path.join(PREFIX, "bin", "corvane")]
    try:
        e2e.main()
    finally:
        shutil.rmtree(PREFIX, ignore_errors=True)
