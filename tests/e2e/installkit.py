"""Helpers for the end-to-end tests of the installation run: fixture payloads
packed with kvrpack, a launcher that leaves evidence, a Setup whose prefix
keeps the user's shell folders inside it, and before/after pictures of a
prefix (file tree and registry).

Environment, besides what kelvar.py reads:
  KELVAR_KVRPACK     the native packer (set by CMake's cache variable of that name)
  KELVAR_LAUNCH_EXE  the fixture launcher (fixtures/launch.c, target e2e_launch)
"""

import os
import random
import re
import shutil
import subprocess
import tempfile
import time

import kelvar as k

HERE = os.path.dirname(os.path.abspath(__file__))

# The fourteen packed files and what each is installed as, in the run's order.
PACKED = (
    ("Lockbox.kvr", "Lockbox.exe"), ("Roster.kvr", "Roster.lst"),
    ("Parcel.kvr", "Parcel.exe"), ("Unfold.kvr", "Unfold.exe"),
    ("Launch.kvr", "Launch.exe"), ("Kvrbn.kvr", "Kvrbn.bmp"),
    ("Kvri1.kvr", "Kvri1.bmp"), ("Kvri2.kvr", "Kvri2.bmp"),
    ("Kvri3.kvr", "Kvri3.bmp"), ("Kvri4.kvr", "Kvri4.bmp"),
    ("Kvrtl.kvr", "Kvrtl.bmp"), ("Kvrtlbar.kvr", "Kvrtlbar.bmp"),
    ("Kelvar5.kvr", "Kelvar5.exe"), ("Kelvar5h.kvr", "Kelvar5.hlp"),
)
SPANNING = "Kelvar5.kvr"  # the fixture archive that spans two volumes

# The user's shell folders in the template prefix (Wine links some to $HOME).
USER_DIR = r"C:\users\root"
DESKTOP = USER_DIR + r"\Desktop"
START_MENU = USER_DIR + r"\AppData\Roaming\Microsoft\Windows\Start Menu"
PROGRAMS = START_MENU + r"\Programs"
LINK_NAME = "KELvar 5.0.lnk"

FORM2_CLASS = "TForm2"
PROGRESS_CLASS = "msctls_progress32"
PBM_GETPOS = 0x0408

FINAL_QUESTION = ("Setup erfolgreich abgeschlossen!\r\r"
                  "Hinweis: Falls Sie einmal KELvar von der Festplatte entfernen\r"
                  "möchten, so brauchen Sie nur das KELvar-Verzeichnis löschen\r"
                  "und schon ist KELvar deinstalliert!\r\r"
                  "Möchten Sie jetzt KELvar 5.0 starten?")
FILE_NOT_CREATED = "Datei kann nicht erstellt werden!"
TARGET_NOT_CREATED = ("Das Zielverzeichnis kann nicht angelegt werden!\r\r"
                      "Geben Sie bitte ein anderes Zielverzeichnis an!")


def both_names_message(second):
    return ('"' + second + '"\r\r'
            "Um mit dem Setup fortfahren zu können, müssen Sie das\r"
            "oben angegebene Verzeichnis löschen, da das Setup-\r"
            "Programm dieses Verzeichis als temporäre Ablage der zu\r"
            "installierenden Dateien benötigt!")


def path_error(path, sentence):
    return '"' + path + '"\r\r' + sentence


def disk_prompt(disk):
    return f"Legen Sie bitte Diskette {disk} ein und klicken Sie auf OK, um fortzufahren!"


def dos_time(y, mo, d, h, mi, s):
    """MS-DOS packed local date-time as a signed 32-bit number."""
    v = ((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) | (mi << 5) | (s // 2)
    return v - (1 << 32) if v & 0x80000000 else v


# --- tools -------------------------------------------------------------------

def kvrpack():
    return k._required_file(
        "KELVAR_KVRPACK", "; build the native packer first: cmake --preset native && "
        "cmake --build --preset native --target kvrpack (or configure with -DKELVAR_KVRPACK=...)")


def launcher_exe():
    """The fixture launcher that leaves evidence of its start (target e2e_launch)."""
    return k._required_file("KELVAR_LAUNCH_EXE")


# --- payloads ----------------------------------------------------------------

def work_folder(test):
    """A scratch folder for one test, removed when the test ends."""
    folder = tempfile.mkdtemp(prefix="install-", dir=k.work_dir())
    test.addCleanup(shutil.rmtree, folder, True)
    return folder


class Payload:
    """The fourteen packed files and "Kvrinf.kvr" in a folder, made with kvrpack.

    `expected` maps each installed name to (content, DOS date-time as packed).
    `missing`: packed names left out; `span`: the archive split into two volumes.
    """

    def __init__(self, folder, seed=1, missing=(), span=SPANNING):
        self.folder = folder
        self.expected = {}
        self.files = []
        os.makedirs(folder, exist_ok=True)
        rnd = random.Random(seed)
        src_dir = os.path.join(folder, "src")
        os.makedirs(src_dir)
        launcher = launcher_exe()
        for i, (packed, installed) in enumerate(PACKED):
            if installed == "Launch.exe":
                with open(launcher, "rb") as f:
                    content = f.read()
            elif packed == span:
                content = rnd.randbytes(40000)  # incompressible: a known volume split
            elif i % 2:
                words = [rnd.choice(("KELvar", "Laufwerk", "Datei", "Büro", "\r\n", "0"))
                         for _ in range(rnd.randrange(200, 3000))]
                content = " ".join(words).encode("cp1252")
            else:
                content = rnd.randbytes(rnd.randrange(1, 20000))
            stamp = (2001, 1 + i % 12, 1 + 2 * i, 8 + i, 3 * i, (4 * i) % 60)
            self.expected[installed] = (content, dos_time(*stamp))
            if packed in missing:
                continue
            src = os.path.join(src_dir, installed)
            with open(src, "wb") as f:
                f.write(content)
            args = [kvrpack(), "-o", os.path.join(folder, packed), "--header", "KELvar 5.0"]
            if packed == span:
                args += ["--volume-size", "30000", "--store"]
            elif packed == "Kelvar5h.kvr":
                args += ["--file-list", "--block-size", "1000"]
            elif i % 3 == 0:
                args += ["--store"]
            args += ["--name", "C:\\KELvar\\" + installed,
                     "--time", "%04d-%02d-%02dT%02d:%02d:%02d" % stamp, src]
            out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
            volumes = [line.rsplit(" ", 1)[0] for line in out.splitlines()]
            if packed == span and len(volumes) != 2:
                raise k.HarnessError(f"{packed} should span two volumes, got {volumes}")
            self.files += volumes
        shutil.rmtree(src_dir)
        self.kvrinf = rnd.randbytes(300) + b"KVR-INF\r\n"
        kvrinf = os.path.join(folder, "Kvrinf.kvr")
        with open(kvrinf, "wb") as f:
            f.write(self.kvrinf)
        self.files.append(kvrinf)

    def path(self, packed):
        return os.path.join(self.folder, packed)

    def damage_signature(self, packed):
        """The data section of the archive's first entry loses its "EC2" signature."""
        with open(self.path(packed), "r+b") as f:
            data = f.read()
            at = data.index(b"EC2\x00")
            f.seek(at + 3)
            f.write(b"\x01")

    def damage_checksum(self, packed):
        """Breaks the Adler-32 trailer of the last compressed block of a one-entry,
        one-volume archive (the payload ends 8 bytes before the file's end)."""
        with open(self.path(packed), "r+b") as f:
            data = bytearray(f.read())
            if data[-8:] != b"\0" * 8:
                raise k.HarnessError(f"{packed}: unexpected archive end")
            data[-9] ^= 0xFF
            f.seek(0)
            f.write(data)


# --- the prefix --------------------------------------------------------------

class InstallSetup(k.Setup):
    """Setup.exe in a fresh prefix like kelvar.Setup (whose template already has
    real user folders), and `prepare(setup)` run on the prefix before the program starts."""

    def __init__(self, payload, drives=None, prepare=None, installer_dir=k.INSTALLER_DIR,
                 env=None, log=None):
        super().__init__(payload=payload.files, drives=drives, installer_dir=installer_dir,
                         prepare=prepare, env=env, log=log)
        self.kit = payload

    # --- walking to the run ---------------------------------------------------

    def select_drive(self, letter):
        """Picks the drive on the drive page as a user does: open the list,
        press the letter, confirm with Enter."""
        (combo,) = self.page_controls("ComboBox")
        self.click_control(combo)
        k.wait_until(lambda: self.items(combo)["dropped"], what="the drive list to open")
        self.key(letter.lower())
        self.key("enter")

        def picked():
            items = self.items(combo)
            return (not items["dropped"] and items["selected"] >= 0 and
                    items["items"][items["selected"]].startswith(letter.lower() + ":"))
        k.wait_until(picked, what=f"drive {letter}: selected")

    def walk_to_install(self, name, target, drive=None):
        """From the welcome page to the summary with valid input; then "&Installieren"."""
        self.fill_to(k.DRIVE, name=name, target=target)
        if drive:
            self.select_drive(drive)
        self.click(k.NEXT)
        self.wait_page(k.SUMMARY)
        self.click(k.INSTALL)

    # --- reading the run ------------------------------------------------------

    def progress_position(self):
        (bar,) = [c for c in self.tree() if c["class"] == PROGRESS_CLASS]
        return self.driver.request("send", hwnd=bar["hwnd"], msg=PBM_GETPOS)["result"]

    def visible_labels(self):
        """Texts of the visible labels on the visible page (sub-pages included)."""
        tree = self.tree()
        shown = {c["hwnd"]: c["visible"] for c in tree}
        shown[self.hwnd] = True
        parent = {c["hwnd"]: c["parent"] for c in tree}

        def visible(h):
            while h != self.hwnd:
                if not shown.get(h, False):
                    return False
                h = parent[h]
            return True
        return [c["text"] for c in self.page_controls("TLabel", tree) if visible(c["hwnd"])]

    def shortcut_dialog(self, tick=(), untick=(), button="&Verknüpfung erstellen", key=None):
        """Waits for the shortcut dialog, sets its boxes, and closes it by button or key."""
        info = self.find_window(cls=FORM2_CLASS, timeout=60)
        for caption in tick:
            box = self.control(info["hwnd"], "Button", caption)
            self.set_check(box, True)
        for caption in untick:
            box = self.control(info["hwnd"], "Button", caption)
            self.set_check(box, False)
        if key:
            self.activate(info["hwnd"])
            self.key(key)
        else:
            self.click_control(self.control(info["hwnd"], "Button", button))
        self.driver.request("gone", hwnd=info["hwnd"], timeout_ms=10000)

    def unix(self, win_path):
        return self.prefix.unix_path(win_path)


# --- pictures of a prefix ----------------------------------------------------

def file_tree(root):
    """Every entry below root without following links: relative path ->
    ('d',) for a folder, ('l', target) for a link, ('f', size, mtime_ns, mode)."""
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        for name in dirnames + filenames:
            p = os.path.join(dirpath, name)
            rel = os.path.relpath(p, root)
            st = os.lstat(p)
            if os.path.islink(p):
                out[rel] = ("l", os.readlink(p))
            elif os.path.isdir(p):
                out[rel] = ("d",)
            else:
                out[rel] = ("f", st.st_size, st.st_mtime_ns, st.st_mode)
        dirnames[:] = [d for d in dirnames if not os.path.islink(os.path.join(dirpath, d))]
    return out


_KEY_LINE = re.compile(r"^\[(.*)\](?: \d+)?$")

# Keys that Wine itself rewrites whenever a program with a window starts in a
# prefix (display adapters and monitors found anew, with a fresh driver date;
# an empty network-card key dropped): seen with Setup.exe started and closed
# at once on the welcome page. No installer run is needed to change them.
WINE_DEVICE_KEYS = frozenset((
    ("system.reg", r"Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards"),
    ("system.reg", r"System\\CurrentControlSet\\Control\\Class\\"
                   r"{4D36E968-E325-11CE-BFC1-08002BE10318}"),
    ("system.reg", r"System\\CurrentControlSet\\Control\\Class\\"
                   r"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000"),
    ("system.reg", r"System\\CurrentControlSet\\Control\\Class\\"
                   r"{4D36E96E-E325-11CE-BFC1-08002BE10318}"),
))


def registry(prefix_path):
    """The saved registry of a prefix: (file, key) -> sorted value lines, leaving
    out Wine's own time stamps and the keys in WINE_DEVICE_KEYS."""
    out = {}
    for hive in ("system.reg", "user.reg", "userdef.reg"):
        key, lines = None, []
        with open(os.path.join(prefix_path, hive), encoding="utf-8", errors="surrogateescape") as f:
            text = f.read().replace("\\\n  ", "")  # joined continuation lines
        for line in text.splitlines():
            m = _KEY_LINE.match(line)
            if m:
                if key is not None and (hive, key) not in WINE_DEVICE_KEYS:
                    out[(hive, key)] = sorted(lines)
                key, lines = m.group(1), []
            elif key is not None and line and not line.startswith("#time="):
                lines.append(line)
        if key is not None and (hive, key) not in WINE_DEVICE_KEYS:
            out[(hive, key)] = sorted(lines)
    return out


def diff(before, after):
    """Keys added, removed or changed between two pictures (sorted)."""
    return sorted(str(key) for key in before.keys() | after.keys()
                  if before.get(key) != after.get(key))


def settle_registry(setup):
    """Stops the prefix's wineserver so that it saves the registry to disk."""
    setup.driver.close()
    setup.prefix.kill()
    time.sleep(0.2)


def dos_time_of(mtime):
    """DOS packed date-time of a Unix time, in local time (as Wine converts)."""
    t = time.localtime(mtime)
    return dos_time(t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec)
