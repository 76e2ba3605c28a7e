"""The checks behind "&Weiter", driven from outside: the consent box, the five
checks of the name page with their messages, box kinds and focus, the default
target from the registry value ProgramFilesDir, the free space on a drive of
known size, the drive page's check and the summary it fills."""

import os
import shutil
import subprocess
import tempfile
import unittest

import kelvar as k
from kelvar import AGREEMENT, BACK, DRIVE, INSTALL, NAME, NEXT, SUMMARY, CANCEL

CURRENT_VERSION = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
DEFAULT_TARGET = r"C:\Program Files\KELvar 5.0"  # the prefix's own Program Files folder

ID_EDIT1, ID_EDIT2, ID_EDIT3 = 203, 204, 205
ID_LABEL15, ID_COMBO = 115, 206
CB_SETCURSEL = 0x014E

MUST_AGREE = ("Sie müssen den Lizenz-Bestimmungen zustimmen, um mit\r"
              "dem Setup fortfahren zu können!")
NO_NAME = "Sie müssen noch Ihren Namen angeben!"
NO_TARGET = "Sie müssen noch ein Zielverzeichnis angeben!"
TARGET_EXISTS = ("Das angegebene Verzeichnis existiert bereits!\r\r"
                 "Geben Sie bitte ein anderes Zielverzeichnis an!")
NOT_WINDOWS_DRIVE = ("Auf dem Ziellaufwerk ist kein Windows installiert!\r\r"
                     "Installieren Sie bitte KELvar auf ein Laufwerk, auf dem Windows "
                     "installiert ist!")
TOO_LITTLE_SPACE = ("Auf dem ausgewählten Laufwerk stehen keine 20 MB freier Speicher\r"
                    "zur Verfügung!\r"
                    "Bitte machen Sie den benötigten Speicherplatz frei, damit Sie mit der\r"
                    "Installation fortfahren können!")
DRIVE_NOT_ACCESSIBLE = "Auf das ausgewählte Laufwerk kann nicht zugegriffen werden!"
INVALID_TYPE = "Ungültiger Datentyp für 'ProgramFilesDir'"


class PreparedSetup(k.Setup):
    """Setup.exe whose prefix is prepared (registry, drives) before the program starts."""

    def __init__(self, prepare=None, **kw):
        super().__init__(**kw)
        self._prepare = prepare

    def start(self):
        prepare, base = self._prepare, k.Prefix

        class _Prefix(base):
            def __init__(self):
                super().__init__()
                if prepare:
                    prepare(self)

        k.Prefix = _Prefix
        try:
            return super().start()
        finally:
            k.Prefix = base

    # the registry, as an administrator would change it meanwhile

    def reg(self, *args):
        subprocess.run(["wine", "reg"] + list(args), env=self.prefix.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)

    # controls by id, wherever they are

    def by_id(self, ident):
        found = [c for c in self.tree() if c["id"] == ident and c["class"] != "TTabSheet"]
        if len(found) != 1:
            raise AssertionError(f"expected one control with id {ident}, found {len(found)}")
        return found[0]

    def text_by_id(self, ident):
        return self.text_of(self.by_id(ident))

    def summary(self):
        """Summary page: caption label -> value label text."""
        texts = [c["text"] for c in self.page_controls("TLabel")]
        return {caption: texts[texts.index(caption) + 1]
                for caption in ("Name:", "Zielverzeichnis:", "Einzulesendes Laufwerk:",
                                "Bezeichnung:")}

    def to_name_page(self):
        self.fill_to(NAME)

    def next_expecting(self, caption, text, focus_id=None, page=NAME, check_focus=True):
        """Presses "&Weiter", expects a box with one "OK" and this caption and
        text, answers it, and checks that the page stays and where the focus
        went (focus_id None: back where it was before)."""
        before = (self.focus() or {}).get("hwnd")
        self.click(NEXT)
        box = self.answer_box("OK")
        if (box.caption, box.text, box.buttons) != (caption, text, ["OK"]):
            raise AssertionError(f"unexpected {box!r}, wanted {caption!r} {text!r}")
        if k.settle(self.page_index) != page:
            raise AssertionError(f"page changed to {self.page_index()}")
        if check_focus:
            want = self.by_id(focus_id)["hwnd"] if focus_id else before
            k.wait_until(lambda: (self.focus() or {}).get("hwnd") == want,
                         what=f"focus on {focus_id or 'the control focused before'}")
        return box


def wine_drive_folder(test):
    """A folder for a mapped drive, removed after the test."""
    d = tempfile.mkdtemp(prefix="kelvar-drive-")
    test.addCleanup(shutil.rmtree, d, True)
    return d


class PageChecksTest(unittest.TestCase):

    def start(self, prepare=None, drives=None):
        s = PreparedSetup(prepare=prepare, drives=drives)
        s.__enter__()
        self.addCleanup(s.cleanup)
        return s

    # --- agreement page ---------------------------------------------------------

    def test_consent_required_and_default_target_refilled_on_every_pass(self):
        s = self.start()
        s.click(NEXT)
        s.wait_page(AGREEMENT)
        consent = s.consent_box()
        s.next_expecting("Information", MUST_AGREE, page=AGREEMENT)
        self.assertEqual(s.text_by_id(ID_EDIT2), "", "the target field is untouched")
        s.set_check(consent)
        s.click(NEXT)
        s.wait_page(NAME)
        self.assertEqual(s.text_by_id(ID_EDIT2), DEFAULT_TARGET)
        self.assertEqual(s.focus()["hwnd"], s.by_id(ID_EDIT1)["hwnd"])
        # A typed target is replaced on the next pass from the agreement page.
        s.type_into(s.by_id(ID_EDIT2), r"C:\Anders")
        s.click(BACK)
        s.wait_page(AGREEMENT)
        s.click(NEXT)
        s.wait_page(NAME)
        self.assertEqual(s.text_by_id(ID_EDIT2), DEFAULT_TARGET)

    def test_program_files_value_missing_empty_expandable_and_of_wrong_type(self):
        s = self.start(prepare=lambda p: subprocess.run(
            ["wine", "reg", "add", CURRENT_VERSION, "/v", "ProgramFilesDir", "/t", "REG_DWORD",
             "/d", "5", "/f"], env=p.env, check=True, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, timeout=120))
        s.click(NEXT)
        s.wait_page(AGREEMENT)
        s.set_check(s.consent_box())
        # Wrong type: the error handler's box, the page and the target stay.
        s.next_expecting(k.APP_TITLE, INVALID_TYPE, page=AGREEMENT, check_focus=False)
        self.assertEqual(s.text_by_id(ID_EDIT2), "")

        cases = [
            (["/t", "REG_EXPAND_SZ", "/d", r"%SystemDrive%\Programme"],
             r"%SystemDrive%\Programme\KELvar 5.0"),  # taken as stored, not expanded
            (["/t", "REG_SZ", "/d", ""], r"\KELvar 5.0"),
            (["/t", "REG_SZ", "/d", r"D:\Prog"], r"D:\Prog\KELvar 5.0"),
            (None, r"\KELvar 5.0"),  # missing
        ]
        for value, expected in cases:
            with self.subTest(value=value):
                if value is None:
                    s.reg("delete", CURRENT_VERSION, "/v", "ProgramFilesDir", "/f")
                else:
                    s.reg("add", CURRENT_VERSION, "/v", "ProgramFilesDir", *value, "/f")
                s.click(NEXT)
                s.wait_page(NAME)
                self.assertEqual(s.text_by_id(ID_EDIT2), expected)
                s.click(BACK)
                s.wait_page(AGREEMENT)

        # The browse link reads the value too: wrong type, the page and the target stay.
        s.reg("add", CURRENT_VERSION, "/v", "ProgramFilesDir", "/t", "REG_SZ", "/d",
              r"C:\Program Files", "/f")
        s.click(NEXT)
        s.wait_page(NAME)
        s.reg("add", CURRENT_VERSION, "/v", "ProgramFilesDir", "/t", "REG_DWORD", "/d", "1", "/f")
        s.click_control(s.by_id(ID_LABEL15))
        box = s.answer_box("OK")
        self.assertEqual((box.caption, box.text), (k.APP_TITLE, INVALID_TYPE))
        self.assertEqual(k.settle(s.page_index), NAME)
        self.assertEqual(s.text_by_id(ID_EDIT2), DEFAULT_TARGET)
        with self.assertRaises(k.DriverError):
            s.find_window(text="Verzeichnis auswählen", timeout=0.5)

    # --- name page ----------------------------------------------------------------

    def test_name_page_checks_messages_and_focus(self):
        other = wine_drive_folder(self)
        s = self.start(drives={"d": other})
        s.to_name_page()
        name, target = s.by_id(ID_EDIT1), s.by_id(ID_EDIT2)
        with open(s.prefix.unix_path(r"C:\e2e-datei"), "w") as f:
            f.write("eine Datei, kein Verzeichnis\n")

        def attempt(name_text, target_text, caption, message, focus_id):
            s.type_into(name, name_text)
            s.type_into(target, target_text)
            s.next_expecting(caption, message, focus_id)
            self.assertEqual((s.text_of(name), s.text_of(target)), (name_text, target_text),
                             "the fields stay as typed")

        # Step 1 comes first, even when the target is also empty.
        attempt("", "", "Information", NO_NAME, ID_EDIT1)
        attempt("   ", r"C:\Neu", "Information", NO_NAME, ID_EDIT1)
        attempt("Anna", "    ", "Information", NO_TARGET, ID_EDIT2)
        # Step 3: an existing directory, with or without its trailing backslash.
        attempt("Anna", r"C:\windows", "Warnung", TARGET_EXISTS, ID_EDIT2)
        attempt("Anna", "C:\\windows\\", "Warnung", TARGET_EXISTS, ID_EDIT2)
        attempt("Anna", r"c:\PROGRAM FILES", "Warnung", TARGET_EXISTS, ID_EDIT2)
        # Step 4: a full path on the Windows drive; a relative one would land in
        # whatever folder is current.
        attempt("Anna", r"D:\KELvar", "Warnung", NOT_WINDOWS_DRIVE, ID_EDIT2)
        attempt("Anna", r"CKELvar", "Warnung", NOT_WINDOWS_DRIVE, ID_EDIT2)
        attempt("Anna", r" C:\KELvar", "Warnung", NOT_WINDOWS_DRIVE, ID_EDIT2)
        attempt("Anna", r"\\server\share\KELvar", "Warnung", NOT_WINDOWS_DRIVE, ID_EDIT2)

        # An existing file passes step 3 (the run then cannot create the directory).
        s.type_into(target, r"C:\e2e-datei")
        s.click(NEXT)
        s.wait_page(DRIVE)
        s.click(BACK)
        s.wait_page(NAME)
        # Lower case passes step 4, and blanks inside the name are fine.
        s.type_into(name, "  Anna Muster ")
        s.type_into(target, r"c:\KELvar-e2e")
        s.click(NEXT)
        s.wait_page(DRIVE)
        self.assertTrue(s.no_message_box())

    # --- free space -----------------------------------------------------------------

    def test_free_space_threshold_on_a_drive_of_known_size(self):
        """C: is moved onto a small tmpfs whose entries all link back into the
        real drive C, so the free space of C:\\ is exactly the tmpfs size."""
        mnt = tempfile.mkdtemp(prefix="kelvar-c-")
        self.addCleanup(os.rmdir, mnt)
        size = 20 * 1048576
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size - 4096}",
                                  "tmpfs", mnt], stderr=subprocess.DEVNULL).returncode == 0
        if not mounted:
            self.skipTest("cannot mount a tmpfs here (needs root)")
        self.addCleanup(subprocess.run, ["umount", "-l", mnt])
        setup_dir = tempfile.mkdtemp(prefix="kelvar-setup-")
        self.addCleanup(shutil.rmtree, setup_dir, True)

        def move_c(prefix):
            real_c = os.path.join(prefix.path, "drive_c")
            for entry in os.listdir(real_c):
                os.symlink(os.path.join(real_c, entry), os.path.join(mnt, entry))
            # The installer's folder lies outside too: the tmpfs stays empty.
            os.symlink(setup_dir, os.path.join(mnt, "Setup"))
            prefix.map_drive("c", mnt)

        s = self.start(prepare=move_c)
        self.assertEqual(os.statvfs(mnt).f_bavail * os.statvfs(mnt).f_frsize, size - 4096)
        s.fill_to(NAME)
        name, target = s.by_id(ID_EDIT1), s.by_id(ID_EDIT2)
        s.type_into(name, "Anna")
        s.type_into(target, r"C:\KELvar-e2e")
        # One block less than 20 MB: the warning, and the focus stays where it was.
        s.next_expecting("Warnung", TOO_LITTLE_SPACE, focus_id=None)
        subprocess.run(["mount", "-o", f"remount,size={size}", mnt], check=True)
        self.assertEqual(os.statvfs(mnt).f_bavail * os.statvfs(mnt).f_frsize, size)
        s.click(NEXT)
        s.wait_page(DRIVE)
        self.assertTrue(s.no_message_box())

    # --- drive page and summary ----------------------------------------------------------

    def test_drive_without_medium_empty_selection_and_the_summary(self):
        gone = wine_drive_folder(self)
        s = self.start(drives={"q": gone})
        long_target = r"C:\Programme\Ein sehr langer Firmenname GmbH\Noch ein Verzeichnis\KELvar 5.0"
        s.fill_to(DRIVE, name="  Anna  Muster ", target=long_target)
        (combo,) = s.page_controls("ComboBox")
        items = s.items(combo)["items"]
        q = next(i for i, t in enumerate(items) if t.lower().startswith("q:"))
        c = next(i for i, t in enumerate(items) if t.lower().startswith("c:"))

        # The drive's folder disappears: like a drive without a medium.
        os.rmdir(gone)
        s.driver.request("send", hwnd=combo["hwnd"], msg=CB_SETCURSEL, wparam=q, lparam=0)
        s.next_expecting("Fehler", DRIVE_NOT_ACCESSIBLE, page=DRIVE)
        s.wait_state(DRIVE, [BACK, NEXT, CANCEL])

        s.driver.request("send", hwnd=combo["hwnd"], msg=CB_SETCURSEL, wparam=c, lparam=0)
        s.click(NEXT)
        s.wait_state(SUMMARY, [BACK, INSTALL, CANCEL])
        summary = s.summary()
        self.assertEqual(summary["Name:"], "  Anna  Muster ")
        self.assertEqual(summary["Einzulesendes Laufwerk:"], "C:")
        self.assertEqual(summary["Bezeichnung:"], "Festplatte")
        shown = summary["Zielverzeichnis:"]
        self.assertIn(shown, shorten_forms(long_target)[1:], "the long target is shortened")

        # Back, change everything, forward: all four labels are filled anew.
        s.click(BACK)
        s.wait_page(DRIVE)
        s.type_into(s.by_id(ID_EDIT3), "")
        s.click(BACK)
        s.wait_page(NAME)
        s.type_into(s.by_id(ID_EDIT1), "Bert")
        s.type_into(s.by_id(ID_EDIT2), r"C:\K")
        s.click(NEXT)
        s.wait_page(DRIVE)
        # No item selected: the root is "\", the current drive's, and passes.
        s.driver.request("send", hwnd=combo["hwnd"], msg=CB_SETCURSEL, wparam=-1, lparam=0)
        self.assertEqual(s.items(combo)["selected"], -1)
        s.click(NEXT)
        s.wait_state(SUMMARY, [BACK, INSTALL, CANCEL])
        self.assertEqual(s.summary(), {"Name:": "Bert", "Zielverzeichnis:": r"C:\K",
                                       "Einzulesendes Laufwerk:": "", "Bezeichnung:": ""})


def shorten_forms(path):
    """Every form the path shortening passes through, longest first."""
    cut = max(path.rfind("\\"), path.rfind(":"))
    d, name = path[:cut + 1], path[cut + 1:]
    drive = ""
    if len(d) >= 2 and d[1] == ":":
        drive, d = d[:2], d[2:]
    forms = [path]
    while d or drive:
        if d == "\\...\\":
            drive, d = "", "...\\"
        elif not d:
            drive = ""
        elif d == "\\":
            d = ""
        else:
            root = d.startswith("\\")
            if root:
                d = d[1:]
            if d.startswith("."):
                d = d[4:]
            p = d.find("\\")
            d = "" if p < 0 else "...\\" + d[p + 1:]
            if root:
                d = "\\" + d
        forms.append(drive + d + name)
    return forms


if __name__ == "__main__":
    unittest.main(verbosity=2)
