"""No DLL from the download folder, whichever module asks for it: marker DLLs
under the names of system DLLs lie beside Setup.exe, Wine prefers them to its
own (WINEDLLOVERRIDES "n,b"), and a whole installation must load none of them
more often than a do-nothing program with Setup.exe's imports and manifest
does. That program's loads happen in the system's loader before any code of
the program runs (its import table is what tests/release/check_imports.sh
keeps to KnownDLLs); every further load is one that Setup.exe could have
prevented.

Each marker appends the path of the process that loaded it to NAME.dll.mark
in a folder of the prefix (fixtures/marker_dll.c)."""

import collections
import os
import shutil
import subprocess
import unittest

import installkit as kit
import kelvar as k

# System DLLs loaded after the start by their plain name: what a whole
# installation under Wine loads (WINEDEBUG=+loaddll), what Windows is known to
# load, and the two the program itself loads at run time (tk::SystemFunction).
PLANTED = ("uxtheme", "msvfw32", "winmm", "msacm32", "msimg32", "userenv", "setupapi",
           "apphelp", "propsys", "dwmapi", "cryptbase", "oleacc", "profapi", "comres",
           "clbcatq", "ntmarta", "mpr", "bcrypt")
# Not planted: Wine's own DLLs import version and imm32 when the program is
# loaded, so a stand-in without their functions ends every program before
# its first window; they stay loaded, and no later load looks for them.
# Under Windows neither is imported by the KnownDLLs Setup.exe imports.

MARKS = r"C:\kelvar-marks"
TARGET = r"C:\KELvar-dll"


def dll_loads(folder, program):
    """How often `program` (a file name) loaded each marker, by DLL name."""
    counts = collections.Counter()
    for mark in os.listdir(folder):
        with open(os.path.join(folder, mark), encoding="cp1252") as f:
            for line in f.read().splitlines():
                if line.lower().endswith("\\" + program.lower()):
                    counts[mark[:-len(".dll.mark")].lower()] += 1
    return counts


def imports(path):
    """The DLL names of a PE file's import table, in lower case."""
    with open(path, "rb") as f:
        data = f.read()
    pe = int.from_bytes(data[0x3C:0x40], "little")
    count = int.from_bytes(data[pe + 6:pe + 8], "little")
    optional = pe + 24
    sections = optional + int.from_bytes(data[pe + 20:pe + 22], "little")
    rva = int.from_bytes(data[optional + 120:optional + 124], "little")  # PE32+ import directory

    def offset(address):
        for i in range(count):
            s = sections + 40 * i
            va, raw, ptr = (int.from_bytes(data[s + a:s + a + 4], "little") for a in (12, 16, 20))
            if va <= address < va + raw:
                return address - va + ptr
        raise AssertionError(f"{path}: address {address:#x} outside the sections")

    names, at = set(), offset(rva)
    while True:
        name_rva = int.from_bytes(data[at + 12:at + 16], "little")
        if name_rva == 0:
            return names
        start = offset(name_rva)
        names.add(data[start:data.index(b"\0", start)].decode("ascii").lower())
        at += 20


class PlantedDllTest(unittest.TestCase):

    def test_a_whole_installation_loads_no_dll_planted_beside_setup(self):
        marker = k._required_file("KELVAR_MARKER_DLL")
        baseline_exe = k._required_file("KELVAR_DLL_BASELINE_EXE")
        self.assertEqual(imports(baseline_exe), imports(k._required_file("KELVAR_SETUP_EXE")),
                         "the baseline must import what Setup.exe imports")
        payload = kit.Payload(os.path.join(kit.work_folder(self), "payload"), seed=3)
        env = {"WINEDLLOVERRIDES": k.WINE_ENV["WINEDLLOVERRIDES"] + ";" +
               ",".join(PLANTED) + "=n,b",
               "KELVAR_DLL_MARKS": MARKS}
        baseline = {}

        def prepare(s):
            folder = s.unix(k.INSTALLER_DIR)
            for name in PLANTED:
                shutil.copy(marker, os.path.join(folder, name + ".dll"))
            shutil.copy(baseline_exe, os.path.join(folder, "Baseline.exe"))
            marks = s.unix(MARKS)
            os.makedirs(marks)
            subprocess.run(["wine", k.INSTALLER_DIR + r"\Baseline.exe"], cwd=folder,
                           env=dict(s.prefix.env, **env), timeout=120 * k.SLACK,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            baseline.update(dll_loads(marks, "Baseline.exe"))

        with kit.InstallSetup(payload, env=env, prepare=prepare) as s:
            # Every step that loads something: the pages, the drive list, the
            # copy with its animation and disk prompt, the snapshots, the
            # shortcut dialog writing three links, the final question.
            s.walk_to_install("Test", TARGET)
            box = s.message_box(timeout=60)
            self.assertEqual(box.text, kit.disk_prompt(2))
            s.answer_box("OK")
            s.shortcut_dialog(tick=("auf dem &Desktop", "im &Start-Menü", "im Menü '&Programme'"))
            box = s.message_box(timeout=60)
            self.assertEqual(box.text, kit.FINAL_QUESTION)
            s.answer_box("&Nein")
            self.assertEqual(s.wait_exit(), 0)
            for name, (content, _) in payload.expected.items():
                self.assertEqual(s.read_file(TARGET + "\\" + name), content, name)
            setup = dll_loads(s.unix(MARKS), "Setup.exe")

        beyond = {name: f"{n} load(s), the baseline {baseline.get(name, 0)}"
                  for name, n in setup.items() if n > baseline.get(name, 0)}
        self.assertEqual(beyond, {}, "planted DLLs loaded by Setup.exe beyond the loader's own "
                                     f"(baseline: {dict(baseline)})")


if __name__ == "__main__":
    unittest.main()
