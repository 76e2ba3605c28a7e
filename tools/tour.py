#!/usr/bin/env python3
"""The guided tour: runs Setup.exe from an installer folder in a prepared Wine
prefix and walks through every page as a user would, saving a screenshot of
each page and each dialog (PNG) into a folder.

    tools/tour.py --prefix WINEPREFIX [--installer C:\\Setup] [--shots DIR]
                  [--name "Erika Müller"] [--wdrive wdrive.exe]

The prefix must be booted and hold Setup.exe with its packed files in the
installer folder. Needs an X display ($DISPLAY, else a private Xvfb is
started) and the test driver wdrive.exe (--wdrive or $KELVAR_WDRIVE_EXE).

The walk: tick the consent box, type the name, keep the proposed target and
drive, "&Installieren", answer the disk prompt with OK, create the shortcuts,
answer the final question with "&Ja" and close the started launcher. It then
checks what landed in the target folder. Exit status 0 when everything went as
a user would expect, 1 otherwise (with what went wrong on stderr)."""

import argparse
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import kelvar as k  # noqa: E402  (the end-to-end harness: driver, windows, screenshots)

INSTALLED = ("Lockbox.exe", "Roster.lst", "Parcel.exe", "Unfold.exe", "Launch.exe", "Kvrbn.bmp",
             "Kvri1.bmp", "Kvri2.bmp", "Kvri3.bmp", "Kvri4.bmp", "Kvrtl.bmp", "Kvrtlbar.bmp",
             "Kelvar5.exe", "Kelvar5.hlp")
DISK_PROMPT = "Legen Sie bitte Diskette 2 ein und klicken Sie auf OK, um fortzufahren!"
FINAL_QUESTION_END = "Möchten Sie jetzt KELvar 5.0 starten?"
LAUNCH_CLASS = "TKelvarLaunch"
FORM2_CLASS = "TForm2"
# The drive snapshot walks all of C: in the prefix; on a slow machine that takes a while.
RUN_TIMEOUT = 900.0


class ExistingPrefix:
    """A prefix that the caller made and removes: the harness's Prefix
    interface without the template copy."""

    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.env = k.wine_env(self.path)

    unix_path = k.Prefix.unix_path
    popen = k.Prefix.popen
    kill = k.Prefix.kill

    def remove(self):
        pass


class Tour(k.Setup):
    """Setup.exe started from the installer folder of an existing prefix."""

    def __init__(self, prefix_path, installer_dir, shots):
        super().__init__(installer_dir=installer_dir)
        self.prefix_path = prefix_path
        self.shots = shots
        self.count = 0
        self.problems = []

    def start(self):
        self.prefix = ExistingPrefix(self.prefix_path)
        folder = self.prefix.unix_path(self.installer_dir)
        exe_unix = os.path.join(folder, "Setup.exe")
        if not os.path.isfile(exe_unix):
            raise k.HarnessError(f"no Setup.exe in {folder}")
        self.driver = k.Driver(self.prefix)
        exe = self.installer_dir.rstrip("\\") + "\\Setup.exe"
        self.proc = self.prefix.popen([exe], cwd=folder, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
        info = self.driver.request("find", **{"class": k.WIZARD_CLASS},
                                   timeout_ms=int(k.START_TIMEOUT * 1000))
        self.hwnd, self.pid, self.caption = info["hwnd"], info["pid"], info["text"]
        self.wait_page(k.WELCOME)
        self.activate()
        return self

    # pictures

    def shot(self, name, *hwnds, pause=0.3):
        """Saves NN-name.png: one window, or the part of the screen that holds
        all the given windows (a dialog over the wizard). The pause lets a page
        that was just shown finish painting; a passing state is taken at once."""
        self.count += 1
        path = os.path.join(self.shots, f"{self.count:02d}-{name}.png")
        hwnds = hwnds or (self.hwnd,)
        if pause:
            self.check_texts(name, hwnds)
        if pause == 0 and len(hwnds) == 1:
            # One capture: waiting for a still picture would wait for the next state.
            bmp = path + ".bmp"
            self.driver.request("screenshot", hwnd=hwnds[0], path="Z:" + bmp.replace("/", "\\"))
            subprocess.run(["convert", bmp, path], check=True)
            os.remove(bmp)
        elif len(hwnds) == 1:
            time.sleep(pause)
            self.screenshot(path, hwnd=hwnds[0], check=False)
        else:
            time.sleep(pause)
            rects = [self.driver.request("info", hwnd=h)["rect"] for h in hwnds]
            left, top = min(r[0] for r in rects), min(r[1] for r in rects)
            right, bottom = max(r[2] for r in rects), max(r[3] for r in rects)
            full = self.screenshot(path + ".screen.png", hwnd=0, check=False)
            subprocess.run(["convert", full, "-crop",
                            f"{right - left}x{bottom - top}+{max(0, left)}+{max(0, top)}",
                            "+repage", path], check=True)
            os.remove(full)
        print(f"  {os.path.basename(path)}", flush=True)
        if not pause:
            # A passing state is taken first and checked after, if still there.
            self.check_texts(name, [h for h in hwnds if self.driver.request("info", hwnd=h)["exists"]])
        return path

    def check_texts(self, name, hwnds):
        """A picture with cut texts is a problem of the tour: names each control and its text."""
        for h in hwnds:
            if h:
                for m in self.misfits(h):
                    self.problem(f"{name}: text does not fit: {k.describe_misfit(m)}")

    def problem(self, text):
        self.problems.append(text)
        print(f"  PROBLEM: {text}", file=sys.stderr, flush=True)

    # the walk

    def walk_pages(self, name):
        print("welcome page", flush=True)
        self.shot("willkommen")
        self.click(k.NEXT)
        self.wait_page(k.AGREEMENT)

        print("agreement page: tick the consent box", flush=True)
        self.set_check(self.consent_box())
        self.shot("lizenz")
        self.click(k.NEXT)
        self.wait_page(k.NAME)

        name_edit, target_edit = self.page_controls("Edit")
        self.type_into(name_edit, name)
        target = self.text_of(target_edit)
        print(f"name page: name {name!r}, target {target!r} (proposed)", flush=True)
        self.shot("name-zielverzeichnis")
        self.click(k.NEXT)
        self.wait_page(k.DRIVE)

        (drives,) = self.page_controls("ComboBox")
        items = self.items(drives)
        drive = items["items"][items["selected"]] if items["selected"] >= 0 else "(none)"
        print(f"drive page: drive {drive!r} (proposed)", flush=True)
        self.shot("laufwerk")
        self.click(k.NEXT)
        self.wait_page(k.SUMMARY)

        print("summary page", flush=True)
        self.shot("zusammenfassung")
        return target

    def inner_page(self):
        """Index of the visible sub-page of the progress page (0 copy, 1 drive)."""
        tree = self.tree()
        outer = {c["hwnd"] for c in tree
                 if c["class"] == "TPageControl" and c["parent"] == self.hwnd}
        inner = [c["hwnd"] for c in tree if c["class"] == "TPageControl" and c["hwnd"] not in outer]
        sheets = [c for c in tree if c["class"] == "TTabSheet" and c["parent"] in inner]
        shown = [i for i, s in enumerate(sheets) if s["visible"]]
        return shown[0] if len(shown) == 1 else None

    def find_own(self, cls):
        return self.driver.try_request("find", **{"class": cls}, pid=self.pid)

    def install(self):
        """From "&Installieren" to the end of the program."""
        print("install", flush=True)
        self.click(k.INSTALL)
        try:
            self.wait_page(k.PROGRESS)
            # Copying is quick: by now the disk prompt may already cover the page.
            if self.no_message_box():
                print("progress page: copying", flush=True)
                self.shot("kopieren", pause=0)
        except (AssertionError, k.DriverError):
            pass  # a box came first; the loop below deals with it
        seen_prompt = seen_drive_page = seen_form2 = False
        end = time.monotonic() + RUN_TIMEOUT
        while self.running():
            if time.monotonic() > end:
                self.problem(f"the installation did not end within {RUN_TIMEOUT:.0f} s")
                self.shot("haengt", 0)
                return False
            box = self.find_own(k.MSGBOX_CLASS)
            if box:
                box = k.MessageBox(self.driver, box)
                seen_prompt = seen_prompt or box.text == DISK_PROMPT
                if not self.handle_box(box):
                    return False
                continue
            form2 = self.find_own(FORM2_CLASS)
            if form2:
                seen_form2 = True
                self.shortcut_dialog(form2["hwnd"])
                continue
            if not seen_drive_page and self.window_exists():
                try:
                    if self.inner_page() == 1:
                        seen_drive_page = True
                        print("progress page: reading the drive", flush=True)
                        self.shot("laufwerk-einlesen", pause=0)
                except (AssertionError, k.DriverError):
                    pass
            time.sleep(0.1)
        if not seen_prompt:
            self.problem("Setup did not ask for the second disk of Kelvar5.kvr")
        if not seen_form2:
            self.problem("the shortcut dialog did not appear")
        return True

    def handle_box(self, box):
        """Answers one message box of Setup; False when the tour cannot go on."""
        if box.caption == "Information" and box.text == DISK_PROMPT:
            print("disk prompt: OK", flush=True)
            self.shot("kopieren-diskette", self.hwnd, box.hwnd)
            self.shot("diskette", box.hwnd)
            self.answer_box("OK")
            return True
        if box.caption == "Bestätigung" and box.text.endswith(FINAL_QUESTION_END):
            print("final question: &Ja", flush=True)
            self.shot("abschluss", box.hwnd)
            self.answer_box("&Ja")
            return True
        # Anything else is not part of a good installation: keep it and go on
        # as far as the program lets us.
        self.shot("meldung", box.hwnd)
        self.problem(f"unexpected message box {box.caption!r}: {box.text!r}")
        if "OK" in box.buttons:
            self.answer_box("OK")
            return True
        return False

    def shortcut_dialog(self, hwnd):
        print("shortcut dialog: desktop and Start menu", flush=True)
        self.activate(hwnd)
        start_menu = self.control(hwnd, "Button", "im &Start-Menü")
        self.set_check(start_menu)
        self.shot("verknuepfungen", hwnd)
        create = self.control(hwnd, "Button", "&Verknüpfung erstellen")
        self.driver.request("click", hwnd=create["hwnd"])
        self.driver.request("gone", hwnd=hwnd, timeout_ms=int(k.STEP_TIMEOUT * 1000))

    def launcher(self, name, target):
        """The launcher that the final "&Ja" started: its greeting, then closed."""
        info = self.driver.try_request("find", **{"class": LAUNCH_CLASS},
                                       timeout_ms=int(k.START_TIMEOUT * 1000))
        if not info:
            error = self.driver.try_request("find", **{"class": "#32770"}, timeout_ms=2000)
            if error:
                self.shot("launch-fehler", error["hwnd"])
                texts = [c["text"] for c in self.tree(error["hwnd"]) if c["class"] == "Static"]
                self.problem(f"Launch.exe reported: {' '.join(t for t in texts if t)!r}")
                self.driver.request("close", hwnd=error["hwnd"])
            else:
                self.problem("Launch.exe did not show its window")
            return
        print("launcher: Launch.exe greets the user", flush=True)
        self.shot("launch", info["hwnd"])
        texts = [c["text"] for c in self.tree(info["hwnd"]) if c["class"] == "Static"]
        if f"Willkommen bei KELvar 5.0, {name}!" not in texts:
            self.problem(f"the launcher does not greet {name!r}: {texts!r}")
        if target not in texts:
            self.problem(f"the launcher does not name the folder {target!r}: {texts!r}")
        close = self.control(info["hwnd"], "Button", "&Beenden")
        self.driver.request("click", hwnd=close["hwnd"])
        self.driver.request("gone", hwnd=info["hwnd"], timeout_ms=int(k.STEP_TIMEOUT * 1000))

    def check_files(self, name, target):
        """What a user would find afterwards in the target folder and the shell folders."""
        folder = self.prefix.unix_path(target)
        print(f"target folder {target} ({folder}):", flush=True)
        for f in INSTALLED + ("Kvrinf.cfg", "Kvrinf2.cfg"):
            p = os.path.join(folder, f)
            if os.path.isfile(p):
                print(f"  {f:14} {os.path.getsize(p):8} bytes")
            else:
                self.problem(f"{target}\\{f} is missing")
        p = os.path.join(folder, "Kvrinf2.cfg")
        if os.path.isfile(p):
            with open(p, "rb") as f:
                data = f.read()
            want = b"KVR-INF_DAT\r\n" + name.encode("cp1252") + b"\r\n"
            if data != want:
                self.problem(f"Kvrinf2.cfg holds {data!r}, expected {want!r}")
        lists = sorted(f for f in os.listdir(folder) if f.lower().endswith(".lst")
                       and f != "Roster.lst") if os.path.isdir(folder) else []
        print(f"  snapshot lists: {', '.join(lists) or '(none)'}")
        users = os.path.join(self.prefix.path, "drive_c", "users")
        links = []
        for dirpath, _, files in os.walk(users):
            links += [os.path.relpath(os.path.join(dirpath, f), users)
                      for f in files if f == "KELvar 5.0.lnk"]
        print(f"  shortcuts: {', '.join(sorted(links)) or '(none)'}")
        if len(links) < 2:
            self.problem(f"expected shortcuts on the desktop and in the Start menu, found {links}")
        for tmp in ("Kvr5~tmp", "Kvr5tmp~"):
            if os.path.exists(self.prefix.unix_path(target[:3] + tmp)):
                self.problem(f"the temporary folder {target[:3]}{tmp} was left behind")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--prefix", default=os.environ.get("WINEPREFIX"),
                    help="the booted Wine prefix (default $WINEPREFIX)")
    ap.add_argument("--installer", default=k.INSTALLER_DIR,
                    help="Windows path of the installer folder (default %(default)s)")
    ap.add_argument("--shots", help="folder for the screenshots (default: a new one in /tmp)")
    ap.add_argument("--name", default="Erika Müller", help="the user's name to type")
    ap.add_argument("--wdrive", help="the test driver wdrive.exe (default $KELVAR_WDRIVE_EXE)")
    args = ap.parse_args()
    if not args.prefix or not os.path.isdir(args.prefix):
        ap.error("no Wine prefix: pass --prefix or set WINEPREFIX")
    if args.wdrive:
        os.environ["KELVAR_WDRIVE_EXE"] = os.path.abspath(args.wdrive)
    if not os.environ.get("KELVAR_WDRIVE_EXE"):
        ap.error("no wdrive.exe: pass --wdrive or set KELVAR_WDRIVE_EXE")
    shots = os.path.abspath(args.shots or tempfile.mkdtemp(prefix="kelvar-tour-"))
    os.makedirs(shots, exist_ok=True)
    print(f"screenshots go to {shots}", flush=True)
    k.ensure_display()

    tour = Tour(args.prefix, args.installer, shots)
    ok = False
    try:
        tour.start()
        target = tour.walk_pages(args.name)
        if tour.install():
            code = tour.wait_exit(k.STEP_TIMEOUT)
            if code != 0:
                tour.problem(f"Setup.exe ended with exit code {code}")
            tour.launcher(args.name, target)
            tour.check_files(args.name, target)
            ok = not tour.problems
    except (AssertionError, k.HarnessError) as e:
        tour.problem(str(e))
        try:
            tour.shot("abbruch", 0)
        except Exception:  # the picture of a failure must not hide the failure
            pass
    finally:
        tour.cleanup()
    print(f"screenshots: {shots}")
    if ok:
        print("tour complete: KELvar 5.0 installed as a user would expect")
        return 0
    print(f"tour found {len(tour.problems)} problem(s):", file=sys.stderr)
    for p in tour.problems:
        print(f"  - {p}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
