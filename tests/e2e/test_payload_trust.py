"""Only the publisher's bytes are installed and started: the packed files are
checked against the table bound into the signed Setup.exe, so a packed file or
a continuation volume swapped in the download folder after the release (as a
drive-by download would drop it) is refused like a damaged archive, and
"&Ja" starts nothing foreign.

Setup.exe is bound to the genuine payload first; the swap happens afterwards."""

import os
import subprocess
import unittest

import installkit as kit
import kelvar as k

TARGET = r"C:\KELvar-e2e"


class SwappedPayloadTest(unittest.TestCase):

    def test_swapped_launcher_and_volume_are_refused_and_nothing_foreign_starts(self):
        work = kit.work_folder(self)
        payload = kit.Payload(os.path.join(work, "payload"), seed=5)
        drive = os.path.join(work, "drive-d")
        os.makedirs(drive)
        # A well-formed archive of the same stored name with other bytes: the
        # test launcher with a tail, which would leave its evidence if started.
        foreign_exe = os.path.join(work, "Launch.exe")
        with open(kit.launcher_exe(), "rb") as f, open(foreign_exe, "wb") as g:
            g.write(f.read() + b"planted")
        foreign_kvr = os.path.join(work, "Launch.kvr")
        subprocess.run([kit.kvrpack(), "-o", foreign_kvr, "--header", "KELvar 5.0", "--name",
                        "C:\\KELvar\\Launch.exe", "--time", "2001-06-01T12:00:00", foreign_exe],
                       check=True, capture_output=True)

        def swap(s):
            folder = s.prefix.unix_path(k.INSTALLER_DIR)
            with open(foreign_kvr, "rb") as f, open(os.path.join(folder, "Launch.kvr"), "wb") as g:
                g.write(f.read())
            # The second volume keeps its size and form; one stored byte differs.
            with open(os.path.join(folder, "Kelvar5.002"), "r+b") as f:
                data = bytearray(f.read())
                data[len(data) // 2] ^= 0x55
                f.seek(0)
                f.write(data)

        s = kit.InstallSetup(payload, drives={"d": drive}, prepare=swap)
        s.__enter__()
        self.addCleanup(s.cleanup)
        s.walk_to_install("Test", TARGET, drive="d")
        for installed in ("Launch.exe", "Kelvar5.exe"):
            box = s.answer_box("OK", timeout=60)
            self.assertEqual((box.caption, box.text),
                             ("Fehler", kit.path_error(TARGET + "\\" + installed,
                                                       kit.FILE_NOT_CREATED)))
        s.shortcut_dialog(button="&Keine Verknüpfung erstellen")
        box = s.answer_box("&Ja", timeout=60)
        self.assertEqual(box.text, kit.FINAL_QUESTION)
        self.assertEqual(s.wait_exit(), 0)

        # Nothing of either is in the target, and nothing was started from it.
        names = os.listdir(s.unix(TARGET))
        self.assertNotIn("Launch.exe", names)
        self.assertNotIn("Kelvar5.exe", names)
        k.settle(lambda: s.exists(TARGET + r"\Launch.ran"), quiet=2.0)
        self.assertFalse(s.exists(TARGET + r"\Launch.ran"), "the planted launcher ran")
        for name, (content, _) in payload.expected.items():
            if name not in ("Launch.exe", "Kelvar5.exe"):
                self.assertEqual(s.read_file(TARGET + "\\" + name), content, name)
        self.assertFalse(s.exists(r"C:\Kvr5~tmp"))


if __name__ == "__main__":
    unittest.main()
