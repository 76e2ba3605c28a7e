"""The directory picker behind "Durchsuchen...": its face, where it opens, a
typed path confirmed, cancel, and the question for a path that does not exist."""

import subprocess
import unittest

import kelvar as k
from kelvar import DRIVE, NAME, NEXT
from test_pagechecks import (CURRENT_VERSION, DEFAULT_TARGET, ID_EDIT1, ID_EDIT2, ID_LABEL15,
                             TARGET_EXISTS, PreparedSetup)

CAPTION = "Verzeichnis auswählen"
ASK_CREATE = "Das angegebene Verzeichnis existiert nicht. Soll es angelegt werden?"
ID_PATH, ID_DIRS, ID_FILES, ID_DRIVES = 1101, 1102, 1103, 1104


class DirPickerTest(unittest.TestCase):

    def start(self, prepare=None):
        s = PreparedSetup(prepare=prepare)
        s.__enter__()
        self.addCleanup(s.cleanup)
        s.to_name_page()
        return s

    def open_picker(self, s):
        s.click_control(s.by_id(ID_LABEL15))
        info = s.find_window(text=CAPTION)
        tree = s.tree(info["hwnd"])
        return info, {c["id"]: c for c in tree}, tree

    def confirm(self, s, picker, controls, path):
        s.type_into(controls[ID_PATH], path)
        s.driver.request("click", hwnd=next(c["hwnd"] for c in controls.values()
                                            if c["class"] == "Button" and c["text"] == "OK"))

    def test_face_start_folder_typed_path_and_cancel(self):
        s = self.start()
        info, controls, tree = self.open_picker(s)
        # Modal: the wizard cannot be used meanwhile.
        self.assertFalse(s.info()["enabled"])
        statics = [c["text"] for c in tree if c["class"] == "Static"]
        for label in ("Verzeichnis&name:", "&Verzeichnisse:", "&Dateien: (*.*)", "&Laufwerke:"):
            self.assertIn(label, statics)
        buttons = sorted(c["text"] for c in tree if c["class"] == "Button" and c["visible"])
        self.assertEqual(buttons, sorted(["OK", "Abbrechen", "Ne&tzwerk..."]))
        # Opens at the Program Files folder from the registry.
        self.assertEqual(s.text_of(controls[ID_PATH]), r"C:\Program Files")
        dirs = s.items(controls[ID_DIRS])["items"]
        self.assertEqual(dirs[:2], ["C:\\", "Program Files"])
        drives = s.items(controls[ID_DRIVES])
        self.assertEqual(drives["items"][drives["selected"]], "[-c-]")

        # Enter in the tree opens the selected folder; the picker stays open.
        s.click_control(controls[ID_DIRS])
        s.key("end")
        last = dirs[-1]
        k.wait_until(lambda: s.items(controls[ID_DIRS])["selected"] == len(dirs) - 1,
                     what="the last folder selected")
        s.key("enter")
        k.wait_until(lambda: s.text_of(controls[ID_PATH]) == "C:\\Program Files\\" + last,
                     what="the picker to open " + last)
        self.assertEqual(s.items(controls[ID_DIRS])["items"][:3], ["C:\\", "Program Files", last])

        # Cancel leaves the target as it was.
        s.driver.request("click", hwnd=s.control(info["hwnd"], "Button", "Abbrechen")["hwnd"])
        s.driver.request("gone", hwnd=info["hwnd"], timeout_ms=10000)
        self.assertEqual(s.text_by_id(ID_EDIT2), DEFAULT_TARGET)
        k.wait_until(lambda: s.info()["enabled"], what="the wizard enabled again")

        # A typed existing path is taken as the picker returns it, and Next
        # refuses it like a typed target.
        info, controls, _ = self.open_picker(s)
        self.confirm(s, info, controls, "C:\\windows\\")
        s.driver.request("gone", hwnd=info["hwnd"], timeout_ms=10000)
        self.assertEqual(s.text_by_id(ID_EDIT2), r"C:\windows")
        s.type_into(s.by_id(ID_EDIT1), "Anna")
        s.next_expecting("Warnung", TARGET_EXISTS, ID_EDIT2)

    def test_new_path_asks_nein_keeps_the_picker_open_ja_takes_it(self):
        s = self.start()
        fresh = r"C:\Neu\KELvar"
        info, controls, _ = self.open_picker(s)
        self.confirm(s, info, controls, fresh)
        box = s.answer_box("&Nein")
        self.assertEqual((box.caption, box.text, box.buttons),
                         ("Bestätigung", ASK_CREATE, ["&Ja", "&Nein"]))
        # Still open, the path as typed.
        self.assertTrue(s.driver.request("info", hwnd=info["hwnd"])["visible"])
        self.assertEqual(s.text_of(controls[ID_PATH]), fresh)
        s.driver.request("click", hwnd=s.control(info["hwnd"], "Button", "OK")["hwnd"])
        box = s.answer_box("&Ja")
        self.assertEqual(box.text, ASK_CREATE)
        s.driver.request("gone", hwnd=info["hwnd"], timeout_ms=10000)
        self.assertEqual(s.text_by_id(ID_EDIT2), fresh)
        # Not created by the picker: the installation run creates it, so Next lets it pass.
        self.assertFalse(s.exists(fresh))
        self.assertFalse(s.exists(r"C:\Neu"))
        s.type_into(s.by_id(ID_EDIT1), "Anna")
        s.click(NEXT)
        s.wait_page(DRIVE)

    def test_start_folder_missing_opens_at_the_current_directory(self):
        s = self.start(prepare=lambda p: subprocess.run(
            ["wine", "reg", "add", CURRENT_VERSION, "/v", "ProgramFilesDir", "/t", "REG_SZ",
             "/d", r"C:\Gibt es nicht", "/f"], env=p.env, check=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120))
        self.assertEqual(s.text_by_id(ID_EDIT2), r"C:\Gibt es nicht\KELvar 5.0")
        info, controls, _ = self.open_picker(s)
        # The installer runs from C:\Setup, which is its current directory.
        self.assertEqual(s.text_of(controls[ID_PATH]).lower(), r"c:\setup")
        self.assertIn("Setup.exe", [t for t in s.items(controls[ID_FILES])["items"]])
        # Enter on the path field confirms the folder shown.
        s.activate(info["hwnd"])
        s.click_control(controls[ID_PATH])
        s.key("enter")
        s.driver.request("gone", hwnd=info["hwnd"], timeout_ms=10000)
        self.assertEqual(s.text_by_id(ID_EDIT2).lower(), r"c:\setup")
        self.assertEqual(s.page_index(), NAME)


if __name__ == "__main__":
    unittest.main(verbosity=2)
