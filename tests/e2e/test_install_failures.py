"""The installation run's failure paths whose point is the real program on
real files: archives the component cannot restore, a target directory that a
file blocks (and the retries through the second temporary name), an info file
that cannot be written. The run's other failure paths are tested natively
against a fake host (suite InstallRun).

Where the drive snapshot is not the point, drive d: is a small fixture folder
selected on the drive page, so the walk stays short."""

import os
import unittest

import installkit as kit
import kelvar as k
from kelvar import BACK, CANCEL, NAME, NEXT, PROGRESS, SUMMARY

TARGET = r"C:\KELvar-e2e"
TEMP1, TEMP2 = r"C:\Kvr5~tmp", r"C:\Kvr5tmp~"


class InstallFailureTest(unittest.TestCase):

    def start(self, damage=None, prepare=None, span=None):
        """Setup.exe with a fixture payload (by default without a spanning
        archive) and drive d:."""
        work = kit.work_folder(self)
        self.payload = kit.Payload(os.path.join(work, "payload"), seed=7, span=span)
        if damage:
            damage(self.payload)
        self.drive_d = os.path.join(work, "drive-d")
        os.makedirs(os.path.join(self.drive_d, "Daten"))
        with open(os.path.join(self.drive_d, "Daten", "a.txt"), "wb") as f:
            f.write(b"abc")
        s = kit.InstallSetup(self.payload, drives={"d": self.drive_d}, prepare=prepare)
        s.__enter__()
        self.addCleanup(s.cleanup)
        self.s = s
        return s

    def assert_box(self, box, caption, text):
        self.assertEqual((box.caption, box.text, box.buttons), (caption, text, ["OK"]))

    def assert_installed(self, names, also=()):
        """These product files (and those in `also`, checked by the caller) are
        the only ones in the target; each of `names` is as packed."""
        s = self.s
        present = sorted(n for n in os.listdir(s.unix(TARGET)) if n in self.payload.expected)
        self.assertEqual(present, sorted(list(names) + list(also)))
        for name in names:
            content, stamp = self.payload.expected[name]
            self.assertEqual(s.read_file(TARGET + "\\" + name), content, name)
            self.assertEqual(kit.dos_time_of(os.stat(s.unix(TARGET + "\\" + name)).st_mtime),
                             stamp, name)

    def assert_stopped_on_progress_page(self):
        """The run has ended inside the progress page: only the close box is left."""
        s = self.s
        s.wait_state(PROGRESS, [CANCEL], enabled=[])
        self.assertEqual(k.settle(s.state, quiet=1.0), (PROGRESS, [CANCEL], []))
        self.assertTrue(s.no_message_box())
        self.assertIsNone(s.driver.try_request("find", **{"class": kit.FORM2_CLASS},
                                               pid=s.pid), "no shortcut dialog")
        self.assertTrue(s.running())
        s.close_box()
        self.assertEqual(s.wait_exit(), 0)

    def all_files(self):
        return [installed for _, installed in kit.PACKED]

    # --- the run goes on ----------------------------------------------------------

    def test_failed_restores_show_component_box_then_path_and_go_on(self):
        def damage(p):
            p.damage_checksum("Roster.kvr")      # compressed block, bad Adler-32
            p.damage_signature("Unfold.kvr")     # a written entry's data section
            p.files.remove(p.path("Kvrinf.kvr"))  # missing: no message at all
        s = self.start(damage=damage, span=kit.SPANNING)
        s.walk_to_install("Test", TARGET, drive="d")

        for name, component_text in (("Roster.lst", "Kompressions-Fehler"),
                                     ("Unfold.exe", "Datei kann nicht gelesen werden")):
            box = s.answer_box("OK", timeout=60)
            self.assert_box(box, "Fehler", component_text)
            box = s.answer_box("OK")
            self.assert_box(box, "Fehler", kit.path_error(TARGET + "\\" + name,
                                                         kit.FILE_NOT_CREATED))
        # The disk prompt cancelled: the component says nothing, the installer does.
        box = s.answer_box("Abbrechen", timeout=60)
        self.assertEqual(box.text, kit.disk_prompt(2))
        box = s.answer_box("OK")
        self.assert_box(box, "Fehler", kit.path_error(TARGET + r"\Kelvar5.exe",
                                                     kit.FILE_NOT_CREATED))
        s.shortcut_dialog(button="&Keine Verknüpfung erstellen")
        box = s.answer_box("&Nein", timeout=30)
        self.assertEqual(box.text, kit.FINAL_QUESTION)
        self.assertEqual(s.wait_exit(), 0)
        # "&Nein" starts nothing: the launcher would leave its file at once.
        k.settle(lambda: s.exists(TARGET + r"\Launch.ran"), quiet=2.0)
        self.assertFalse(s.exists(TARGET + r"\Launch.ran"))
        self.assertEqual(os.listdir(s.unix(kit.DESKTOP)), [], "no link written")
        # What the restore had written stays, with the stored date-time: what
        # was inflated up to the bad checksum, and nothing behind a broken signature.
        roster = s.read_file(TARGET + r"\Roster.lst")
        self.assertTrue(self.payload.expected["Roster.lst"][0].startswith(roster))
        self.assertEqual(s.read_file(TARGET + r"\Unfold.exe"), b"")
        kelvar5 = s.read_file(TARGET + r"\Kelvar5.exe")
        self.assertTrue(self.payload.expected["Kelvar5.exe"][0].startswith(kelvar5))
        self.assertLess(len(kelvar5), len(self.payload.expected["Kelvar5.exe"][0]))
        broken = ("Roster.lst", "Unfold.exe", "Kelvar5.exe")
        for name in broken:
            self.assertEqual(kit.dos_time_of(os.stat(s.unix(TARGET + "\\" + name)).st_mtime),
                             self.payload.expected[name][1], name)
        self.assert_installed([n for n in self.all_files() if n not in broken], also=broken)
        self.assertFalse(s.exists(TEMP1), "the temporary copies are deleted, the folder removed")
        self.assertFalse(s.exists(TARGET + r"\Kvrinf.cfg"))
        self.assertTrue(s.exists(TARGET + r"\Kvrinf2.cfg"))

    # --- the run turns back or ends -----------------------------------------------

    def test_target_not_creatable_returns_to_name_page_then_retries(self):
        blocker = r"C:\Blocker"

        def prepare(s):
            with open(s.unix(blocker), "wb") as f:  # a file: the check lets it pass
                f.write(b"in the way")
        s = self.start(prepare=prepare)
        s.walk_to_install("Test", blocker)

        for temp in (TEMP1, TEMP2):
            box = s.answer_box("OK", timeout=60)
            self.assert_box(box, "Fehler", kit.TARGET_NOT_CREATED)
            s.wait_state(NAME, [BACK, NEXT, CANCEL], enabled=[BACK, NEXT])
            name_edit, target_edit = s.page_controls("Edit")
            self.assertEqual(s.focus()["hwnd"], target_edit["hwnd"], "the focus is in the target")
            self.assertEqual(s.text_of(target_edit), blocker)
            self.assertTrue(os.path.isdir(s.unix(temp)), f"{temp} stays on disk")
            s.click(NEXT)
            s.wait_page(k.DRIVE)
            s.click(NEXT)
            s.wait_page(SUMMARY)
            s.click(k.INSTALL)

        box = s.answer_box("OK", timeout=60)
        self.assert_box(box, "Fehler", kit.both_names_message(TEMP2))
        self.assertEqual(s.wait_exit(), 0)
        self.assertEqual(s.read_file(blocker), b"in the way")
        self.assertEqual(os.listdir(s.unix(TEMP1)) + os.listdir(s.unix(TEMP2)), [])

    def test_info_file_not_writable_stops_the_run_on_the_progress_page(self):
        s = self.start(span=kit.SPANNING)
        s.walk_to_install("Test", TARGET, drive="d")
        # While the disk prompt holds the run, a folder takes the info file's
        # name in the target (Wine gives folders no access lists to stop it).
        box = s.message_box(timeout=60)
        self.assertEqual(box.text, kit.disk_prompt(2))
        os.makedirs(s.unix(TARGET + r"\Kvrinf2.cfg"))
        s.answer_box("OK")

        box = s.message_box(timeout=60)
        self.assert_box(box, k.APP_TITLE, "Dateizugriff verweigert.")
        self.assertEqual(s.progress_position(), 14)
        s.answer_box("OK")

        self.assert_installed(self.all_files())
        self.assertEqual(s.read_file(TARGET + r"\Kvrinf.cfg"), self.payload.kvrinf)
        self.assertFalse(s.exists(TEMP1))
        self.assertFalse(s.exists(TARGET + r"\Lwdat.lst"), "no drive step")
        self.assert_stopped_on_progress_page()


class PlantedTargetTest(unittest.TestCase):
    """The target is made by the run itself: a folder or a link that appears
    at its path after the name page's check is never written into."""

    start = InstallFailureTest.start
    assert_box = InstallFailureTest.assert_box
    assert_installed = InstallFailureTest.assert_installed
    all_files = InstallFailureTest.all_files

    def plant_and_install(self, plant):
        s = self.start()
        s.fill_to(k.DRIVE, name="Test", target=TARGET)
        s.select_drive("d")
        s.click(NEXT)
        s.wait_page(SUMMARY)
        plant(s)
        s.click(k.INSTALL)
        box = s.answer_box("OK", timeout=60)
        self.assert_box(box, "Fehler", kit.TARGET_NOT_CREATED)
        s.wait_state(NAME, [BACK, NEXT, CANCEL], enabled=[BACK, NEXT])
        return s

    def test_a_folder_that_appears_at_the_target_is_not_used(self):
        s = self.plant_and_install(lambda s: os.makedirs(s.unix(TARGET)))
        self.assertEqual(os.listdir(s.unix(TARGET)), [])

    def test_a_link_that_appears_at_the_target_is_not_followed(self):
        elsewhere = os.path.join(kit.work_folder(self), "elsewhere")
        os.makedirs(elsewhere)
        s = self.plant_and_install(lambda s: os.symlink(elsewhere, s.unix(TARGET)))
        self.assertEqual(os.listdir(elsewhere), [], "nothing written through the link")
        # Back on the name page with the link gone, the next attempt installs.
        os.remove(s.unix(TARGET))
        s.click(NEXT)
        s.wait_page(k.DRIVE)
        s.click(NEXT)
        s.wait_page(SUMMARY)
        s.click(k.INSTALL)
        s.shortcut_dialog(button="&Keine Verknüpfung erstellen")
        s.answer_box("&Nein", timeout=60)
        self.assertEqual(s.wait_exit(), 0)
        self.assert_installed(self.all_files())
        self.assertEqual(os.listdir(elsewhere), [])


if __name__ == "__main__":
    unittest.main()
