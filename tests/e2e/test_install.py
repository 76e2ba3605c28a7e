"""A whole installation, driven from outside as a user would: every product
file arrives as packed, with its date-time; the info files, the snapshots,
the three shortcuts and the start of the launcher; and the installer's promise
to change nothing else in the machine (file tree and registry)."""

import os
import unittest

import installkit as kit
import kelvar as k

NAME = "Büro 3"
TARGET = r"C:\Programme\Büro Werkzeuge\KELvar 5.0"
TEMP_DIR = r"C:\Kvr5~tmp"
SNAPSHOT_FILES = ("Lwdat.lst", "cverz.lst", "cdat.lst", "Reg_cr.lst", "Reg_cu.lst",
                  "Reg_lm.lst", "Reg_u.lst", "Reg_cc.lst", "Regcnt.cfg")
LINK_FOLDERS = (kit.DESKTOP, kit.START_MENU, kit.PROGRAMS)


def ansi(text):
    return text.encode("cp1252")


class FullInstallTest(unittest.TestCase):

    def setUp(self):
        self.payload = kit.Payload(os.path.join(kit.work_folder(self), "payload"), seed=5)
        self.before = {}

        def prepare(s):
            # As from a CD: the installer's files are read-only, so are their
            # temporary copies, which must still go away.
            for name in os.listdir(s.unix(k.INSTALLER_DIR)):
                os.chmod(os.path.join(s.unix(k.INSTALLER_DIR), name), 0o444)
            self.before["tree"] = kit.file_tree(s.unix("C:\\"))
            self.before["registry"] = kit.registry(s.prefix.path)

        self.s = kit.InstallSetup(self.payload, prepare=prepare)
        self.s.__enter__()
        self.addCleanup(self.s.cleanup)

    def test_full_install_on_c_with_three_shortcuts_and_start(self):
        s = self.s
        # The target typed with a trailing backslash is used without it.
        s.walk_to_install(NAME, TARGET + "\\")

        # The spanning archive (row 13) asks for its second volume.
        box = s.message_box(timeout=60)
        self.assertEqual((box.caption, box.text, box.buttons),
                         ("Information", kit.disk_prompt(2), ["OK", "Abbrechen"]))
        self.assertEqual(s.state(), (k.PROGRESS, [k.CANCEL], []), "only Cancel, disabled")
        self.assertEqual(s.progress_position(), 12, "twelve files done before this one")
        labels = s.visible_labels()
        self.assertIn("Kelvar5.kvr", labels)
        s.answer_box("OK")

        s.shortcut_dialog(tick=("auf dem &Desktop", "im &Start-Menü", "im Menü '&Programme'"))

        box = s.message_box(timeout=30)
        self.assertEqual((box.caption, box.text, box.buttons),
                         ("Bestätigung", kit.FINAL_QUESTION, ["&Ja", "&Nein"]))
        self.assertEqual(s.progress_position(), 14, "the bar ends full after fourteen steps")
        labels = s.visible_labels()
        self.assertIn("C:", labels, "the drive read, in capitals")
        self.assertIn("Registry wird eingelesen!", labels)
        s.answer_box("&Ja")
        self.assertEqual(s.wait_exit(), 0)

        # The launcher was started from the target directory, and in it: a
        # DLL it asks for by name comes from there, not from the download folder.
        ran = s.unix(TARGET + r"\Launch.ran")
        k.wait_until(lambda: os.path.exists(ran) and os.path.getsize(ran) > 0, timeout=30,
                     what="the launcher's evidence")
        with open(ran, "rb") as f:
            path, cwd = f.read().lower().split(b"\r\n")
        self.assertEqual(path, ansi(TARGET + r"\Launch.exe").lower())
        self.assertEqual(cwd, ansi(TARGET).lower())
        kit.settle_registry(s)

        self.check_target_directory()
        self.check_snapshots()
        self.check_links()
        self.check_nothing_else_changed()

    # --- what the run leaves behind --------------------------------------------

    def check_target_directory(self):
        s = self.s
        expected = (set(self.payload.expected) | {"Kvrinf.cfg", "Kvrinf2.cfg", "Launch.ran"} |
                    set(SNAPSHOT_FILES))
        self.assertEqual(sorted(os.listdir(s.unix(TARGET))), sorted(expected))
        for name, (content, stamp) in self.payload.expected.items():
            path = s.unix(TARGET + "\\" + name)
            with self.subTest(file=name):
                with open(path, "rb") as f:
                    self.assertEqual(f.read(), content)
                self.assertEqual(kit.dos_time_of(os.stat(path).st_mtime), stamp)
        self.assertEqual(s.read_file(TARGET + r"\Kvrinf.cfg"), self.payload.kvrinf)
        kvrinf2 = s.read_file(TARGET + r"\Kvrinf2.cfg")
        self.assertEqual(kvrinf2, b"KVR-INF_DAT\r\nB\xfcro 3\r\n")
        self.assertEqual(len(kvrinf2), 21)
        self.assertFalse(s.exists(TEMP_DIR), "the temporary folder is removed")

    def check_snapshots(self):
        s = self.s
        self.assertEqual(s.read_file(TARGET + r"\Lwdat.lst"), b"C: (Festplatte)\r\n")
        dirs = s.read_file(TARGET + r"\cverz.lst").split(b"\r\n")
        self.assertEqual(dirs[0], b"C:")
        self.assertEqual(dirs[-1], b"", "every line ends with CR LF")
        self.assertIn(ansi(TARGET), dirs)
        self.assertNotIn(ansi(TEMP_DIR), dirs, "the temporary folder is gone before the walk")
        files = s.read_file(TARGET + r"\cdat.lst").split(b"\r\n")
        self.assertEqual(files[-1], b"")
        # The installed files are listed with their size and stored date-time;
        # the snapshot's own files are written after the walk.
        for name, (content, stamp) in self.payload.expected.items():
            self.assertIn(ansi(f"{TARGET}\\{name}*{len(content)}*{stamp}*32"), files)
        # "Kvrinf.cfg" carries the archive bit alone, unlike its read-only source.
        (kvrinf,) = [line for line in files if line.startswith(ansi(TARGET + r"\Kvrinf.cfg*"))]
        size = len(self.payload.kvrinf)
        self.assertTrue(kvrinf.startswith(ansi(f"{TARGET}\\Kvrinf.cfg*{size}*")), kvrinf)
        self.assertTrue(kvrinf.endswith(b"*32"), kvrinf)
        mine = [line for line in files if line.startswith(ansi(TARGET + "\\"))]
        self.assertEqual(len(mine), 16, "fourteen product files and the two info files")
        counted = 0
        for name in SNAPSHOT_FILES[3:8]:
            data = s.read_file(TARGET + "\\" + name)
            self.assertTrue(data.endswith(b"\r\n"), f"{name} is filled and ends with CR LF")
            counted += data.count(b"\r\n")
        self.assertEqual(s.read_file(TARGET + r"\Regcnt.cfg"), b"%d\r\n" % counted)

    def check_links(self):
        s = self.s
        launcher = TARGET + r"\Launch.exe"
        for folder in LINK_FOLDERS:
            with self.subTest(folder=folder):
                data = s.read_file(folder + "\\" + kit.LINK_NAME)
                self.assertEqual(data[:4], b"L\0\0\0", "a shell link file")
                self.assertTrue(ansi(launcher) in data or launcher.encode("utf-16-le") in data,
                                "the link points at the installed launcher")
                self.assertTrue(b"KELvar 5.0" in data or "KELvar 5.0".encode("utf-16-le") in data)

    def check_nothing_else_changed(self):
        s = self.s
        after = kit.file_tree(s.unix("C:\\"))
        target = os.path.relpath(s.unix(TARGET), s.unix("C:\\"))
        allowed_new = {os.path.relpath(s.unix(f + "\\" + kit.LINK_NAME), s.unix("C:\\"))
                       for f in LINK_FOLDERS}
        # The target's missing parents are the installer's to create.
        parent = target
        while os.path.dirname(parent):
            parent = os.path.dirname(parent)
            allowed_new.add(parent)
        changed = [p for p in kit.diff(self.before["tree"], after)
                   if p not in allowed_new and not (p == target or p.startswith(target + "/"))]
        self.assertEqual(changed, [], "files changed outside the target directory")
        for p in allowed_new:
            self.assertNotIn(p, self.before["tree"])
            self.assertIn(p, after)
        self.assertEqual(kit.diff(self.before["registry"], kit.registry(s.prefix.path)), [],
                         "registry keys changed")


class CloseDuringRunTest(unittest.TestCase):

    def test_close_requests_during_the_run_are_refused_and_the_run_completes(self):
        work = kit.work_folder(self)
        drive = os.path.join(work, "drive-d")
        os.makedirs(drive)
        payload = kit.Payload(os.path.join(work, "payload"), seed=9)
        s = kit.InstallSetup(payload, drives={"d": drive})
        s.__enter__()
        self.addCleanup(s.cleanup)
        target = r"C:\KELvar-e2e"
        s.walk_to_install("Test", target, drive="d")

        # The system's close command reaches the window while the disk prompt
        # holds the restore halfway, and again while the shortcut dialog is up:
        # the run is still in its handler.
        box = s.message_box(timeout=60)
        self.assertEqual(box.text, kit.disk_prompt(2))
        # Meanwhile no other user may touch the temporary folder (Wine shows
        # any access for others as an entry for Everyone), and a logoff waits.
        sddl = s.driver.request("dacl", path=TEMP_DIR)["sddl"]
        self.assertTrue(sddl.startswith("D:"), sddl)
        self.assertNotIn(";;;WD)", sddl)
        WM_QUERYENDSESSION = 0x11
        self.assertEqual(
            s.driver.request("send", hwnd=s.hwnd, msg=WM_QUERYENDSESSION)["result"], 0)
        s.system_close()
        self.assertTrue(k.settle(s.window_exists, quiet=1.0))
        s.answer_box("OK")
        form2 = s.find_window(cls=kit.FORM2_CLASS, timeout=60)
        # The files are in place and listed: the questions hold no logoff up.
        self.assertNotEqual(
            s.driver.request("send", hwnd=s.hwnd, msg=WM_QUERYENDSESSION)["result"], 0)
        s.system_close()
        self.assertTrue(k.settle(s.window_exists, quiet=1.0))
        self.assertTrue(s.driver.request("info", hwnd=form2["hwnd"])["exists"])
        s.shortcut_dialog(button="&Keine Verknüpfung erstellen")

        box = s.answer_box("&Nein", timeout=30)
        self.assertEqual(box.text, kit.FINAL_QUESTION)
        self.assertEqual(s.wait_exit(), 0)
        for name, (content, _) in payload.expected.items():
            self.assertEqual(s.read_file(target + "\\" + name), content, name)
        self.assertEqual(s.read_file(target + r"\Lwdat.lst"), b"D: (Festplatte)\r\n")
        self.assertFalse(s.exists(r"C:\Kvr5~tmp"))


class InstallerOnDriveRootTest(unittest.TestCase):

    def test_installer_at_the_root_of_a_drive(self):
        # As from a CD: Setup.exe and the packed files in the root of E:.
        work = kit.work_folder(self)
        payload = kit.Payload(os.path.join(work, "payload"), seed=11)
        cd, drive = os.path.join(work, "drive-e"), os.path.join(work, "drive-d")
        os.makedirs(cd)
        os.makedirs(drive)
        s = kit.InstallSetup(payload, drives={"e": cd, "d": drive}, installer_dir="E:\\")
        s.__enter__()
        self.addCleanup(s.cleanup)
        target = r"C:\KELvar-e2e"
        s.walk_to_install("Test", target, drive="d")
        box = s.answer_box("OK", timeout=60)  # the second volume lies beside the first
        self.assertEqual(box.text, kit.disk_prompt(2))
        s.shortcut_dialog(button="&Keine Verknüpfung erstellen")
        s.answer_box("&Nein", timeout=30)
        self.assertEqual(s.wait_exit(), 0)
        for name, (content, _) in payload.expected.items():
            self.assertEqual(s.read_file(target + "\\" + name), content, name)
        self.assertEqual(s.read_file(target + r"\Kvrinf.cfg"), payload.kvrinf)
        self.assertFalse(s.exists(r"C:\Kvr5~tmp"))


if __name__ == "__main__":
    unittest.main()
