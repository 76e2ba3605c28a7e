"""Harness for the end-to-end tests: runs the real Setup.exe under Wine in a
fresh prefix and drives it from outside through wdrive.exe, as a user would.

Environment:
  KELVAR_SETUP_EXE   the built Setup.exe (required)
  KELVAR_WDRIVE_EXE  the built wdrive.exe (required; wdrive_fit.dll beside it)
  KELVAR_PAYLOAD_TABLE  the native binder (tools/payload_table), for a test
                     with a payload: Setup.exe is bound to it as a release is
  KELVAR_E2E_WORK    folder for the template prefix and the per-test prefixes
                     (default: a folder in the system temp directory)
  KELVAR_E2E_KEEP    set to 1 to keep each test's prefix for inspection
  DISPLAY            the X display; without one a private Xvfb is started
  KELVAR_E2E_SLACK   factor for every timeout (default 1; ctest, which runs the
                     tests side by side on a busy machine, sets 3). A timeout
                     only ends a wait that failed: the waits end at the event.

One template prefix is booted per test run (see `python3 kelvar.py
--make-template`, registered as the fixture of the e2e tests) and copied for
every test, so each test starts from the same clean machine.
"""

import atexit
import fcntl
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

WIZARD_CLASS = "THauptfenster"
WIZARD_CAPTION = "KELvar 5.0 - Setup (für Windows NT/2000)"
APP_TITLE = "KELvar 5.0 - Setup"
MSGBOX_CLASS = "TMessageForm"

# Tab captions of the six pages, in order.
PAGES = ("Willkommen", "Lizenzbestimmungen", "Name&&Zielverzeichnis", "LaufwerkAbsp.",
         "Installieren", "Installieren")
WELCOME, AGREEMENT, NAME, DRIVE, SUMMARY, PROGRESS = range(6)

BACK, NEXT, CANCEL, INSTALL = "&Zurück", "&Weiter", "&Abbrechen", "&Installieren"
CONSENT = "Ja, ich bin mit den Lizenz-Bestimmungen einverstanden!"

INSTALLER_DIR = r"C:\Setup"

WINE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mscoree=d;mshtml=d",
}

# Generous: Wine under a loaded machine can be slow to start a process.
SLACK = float(os.environ.get("KELVAR_E2E_SLACK") or 1)
START_TIMEOUT = 60.0
STEP_TIMEOUT = 10.0


class HarnessError(Exception):
    pass


def _required_file(var, hint=""):
    """A file the tests cannot run without: a missing one fails them, with the reason."""
    path = os.environ.get(var)
    if not path:
        raise HarnessError(f"{var} is not set{hint} (ctest sets it: run the tests through ctest)")
    if not os.path.isfile(path):
        raise HarnessError(f"{var} points to a missing file: {path}{hint}")
    return os.path.abspath(path)


def work_dir():
    d = os.environ.get("KELVAR_E2E_WORK") or os.path.join(
        tempfile.gettempdir(), f"kelvar-e2e-{os.getuid()}")
    os.makedirs(d, exist_ok=True)
    return d


# --- X display ---------------------------------------------------------------

_xvfb = None


def ensure_display():
    """Use $DISPLAY, or start one private Xvfb for this process (on the first
    free number of $KELVAR_XVFB_DISPLAY, N or FIRST-LAST, when that is set)."""
    global _xvfb
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    if os.environ.get("KELVAR_XVFB_DISPLAY"):
        return _display_in_range(os.environ["KELVAR_XVFB_DISPLAY"])
    r, w = os.pipe()
    _xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                              "-nolisten", "tcp"], pass_fds=(w,),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    with os.fdopen(r) as f:
        number = f.readline().strip()
    if not number:
        raise HarnessError("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number
    atexit.register(_stop_xvfb)
    return os.environ["DISPLAY"]


def _display_in_range(numbers):
    """As scripts/with-display.sh: Xvfb takes its lock file atomically, and the
    lock names the winner of two starters racing for one number."""
    global _xvfb
    first, _, last = numbers.partition("-")
    for n in range(int(first), int(last or first) + 1):
        lock = f"/tmp/.X{n}-lock"
        try:
            with open(lock) as f:
                os.kill(int(f.read().strip()), 0)
            continue  # taken by a live server
        except (OSError, ValueError):
            pass
        proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end = time.monotonic() + 10
        while proc.poll() is None and time.monotonic() < end:
            try:
                with open(lock) as f:
                    ours = int(f.read().strip()) == proc.pid
            except (OSError, ValueError):
                ours = False
            if ours and os.path.exists(f"/tmp/.X11-unix/X{n}"):
                _xvfb = proc
                os.environ["DISPLAY"] = f":{n}"
                atexit.register(_stop_xvfb)
                return os.environ["DISPLAY"]
            time.sleep(0.05)
        if proc.poll() is None:
            proc.kill()
    raise HarnessError(f"no free display in KELVAR_XVFB_DISPLAY={numbers}")


def _stop_xvfb():
    if _xvfb and _xvfb.poll() is None:
        _xvfb.terminate()
        _xvfb.wait(10)


# --- prefixes ----------------------------------------------------------------

def wine_env(prefix):
    env = dict(os.environ)
    env.update(WINE_ENV)
    env["WINEPREFIX"] = prefix
    return env


def _wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()


def template_prefix(fresh=False):
    """The booted template prefix, made once (or anew when fresh is set)."""
    ensure_display()
    base = work_dir()
    tpl = os.path.join(base, "template")
    stamp = os.path.join(base, "template.stamp")
    with open(os.path.join(base, "template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        version = _wine_version()
        if not fresh and os.path.exists(stamp):
            with open(stamp) as f:
                if f.read() == version:
                    return tpl
        if os.path.exists(stamp):
            os.remove(stamp)
        shutil.rmtree(tpl, ignore_errors=True)
        env = wine_env(tpl)
        base = os.environ.get("KELVAR_WINE_TEMPLATE")
        if base and _prepared_by(base) == version:
            copy_prefix(base, tpl)  # the build's booted template (cmake/winetests.cmake)
        else:
            prepare_prefix(tpl)
        # Without a window manager nobody draws the title bar unless Wine does:
        # then screenshots show it and its close box takes real clicks.
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v",
                        "Decorated", "/d", "N", "/f"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        # No window manager: Wine would wait 2 s for one to confirm each hidden
        # window (every message box closed) unless its windows are unmanaged.
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v",
                        "Managed", "/d", "N", "/f"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
        with open(stamp, "w") as f:
            f.write(version)
        return tpl


PREPARE_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                              "scripts", "wine-prefix.sh")


def prepare_prefix(prefix):
    """Boots and prepares a prefix the way every Wine run of this project does
    (Wine's fonts, shell folders inside the prefix): scripts/wine-prefix.sh."""
    subprocess.run(["sh", PREPARE_SCRIPT, prefix], env=wine_env(prefix), check=True, timeout=600)


def _prepared_by(prefix):
    """The Wine version that prepared the prefix, or None."""
    try:
        with open(os.path.join(prefix, ".kelvar-prepared")) as f:
            return f.read()
    except OSError:
        return None


def copy_prefix(src, dst):
    """dst becomes a copy of the booted prefix src. The system DLLs (600 MB) are
    only ever read: hard links make the copy instant. Everything else is copied,
    since Wine rewrites some files (win.ini, registry) in place."""
    os.makedirs(dst)
    for name in os.listdir(src):
        if name != "drive_c":
            subprocess.run(["cp", "-a", os.path.join(src, name), dst], check=True)
    drive_c = os.path.join(dst, "drive_c")
    os.makedirs(os.path.join(drive_c, "windows"))
    src_c = os.path.join(src, "drive_c")
    for name in os.listdir(src_c):
        if name != "windows":
            subprocess.run(["cp", "-a", os.path.join(src_c, name), drive_c], check=True)
    for name in os.listdir(os.path.join(src_c, "windows")):
        flag = "-al" if name in ("system32", "syswow64", "winsxs") else "-a"
        subprocess.run(["cp", flag, os.path.join(src_c, "windows", name),
                        os.path.join(drive_c, "windows")], check=True)


class Prefix:
    """A throw-away copy of the template prefix with its own wineserver."""

    def __init__(self):
        tpl = template_prefix()
        root = os.path.join(work_dir(), "prefixes")
        os.makedirs(root, exist_ok=True)
        self.path = tempfile.mkdtemp(prefix="wp-", dir=root)
        os.rmdir(self.path)
        self._copy(tpl)
        self.env = wine_env(self.path)

    def _copy(self, tpl):
        copy_prefix(tpl, self.path)

    def unix_path(self, win_path):
        """C:\\a\\b -> <prefix>/drive_c/a/b (drive C: only, or a mapped drive)."""
        drive, rest = win_path[0].lower(), win_path[2:].replace("\\", "/").lstrip("/")
        base = os.path.realpath(os.path.join(self.path, "dosdevices", drive + ":"))
        return os.path.join(base, rest)

    def map_drive(self, letter, folder):
        link = os.path.join(self.path, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.path.abspath(folder), link)

    def unmap_drive(self, letter):
        link = os.path.join(self.path, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)

    def popen(self, args, cwd=None, env=None, **kw):
        return subprocess.Popen(["wine"] + list(args), env=env or self.env, cwd=cwd, **kw)

    def kill(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=15)
        except subprocess.TimeoutExpired:
            pass

    def remove(self):
        if os.environ.get("KELVAR_E2E_KEEP") == "1":
            print(f"kept prefix {self.path}", file=sys.stderr)
            return
        shutil.rmtree(self.path, ignore_errors=True)


# --- the driver --------------------------------------------------------------

class DriverError(HarnessError):
    pass


class Driver:
    """One wdrive.exe --serve process; each request answers one JSON line."""

    def __init__(self, prefix):
        exe = _required_file("KELVAR_WDRIVE_EXE")
        # In one CI run on a loaded machine the driver ended within a second,
        # before its first answer and with nothing on stdout: a failed start
        # under Wine, not a fault of the driver. One more start; if that fails
        # too, the error carries both exit codes and what went to stderr.
        reasons = []
        for attempt in (1, 2):
            self._start(prefix, exe, attempt)
            try:
                self.pid = self.request("ping", timeout=START_TIMEOUT)["pid"]
                if reasons:
                    print(f"wdrive: first start failed ({reasons[0]}); the second answered",
                          file=sys.stderr)
                return
            except DriverError as e:
                reasons.append(f"{e}; {self.exit_reason()}")
                self.close()
        raise DriverError("wdrive did not start: " + " | ".join(reasons))

    def _start(self, prefix, exe, attempt):
        self._log = os.path.join(prefix.path, f"wdrive-{attempt}.log")
        with open(self._log, "wb") as err:
            self._proc = prefix.popen([exe, "--serve"], stdin=subprocess.PIPE,
                                      stdout=subprocess.PIPE, stderr=err)
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def exit_reason(self):
        """The exit code and the last lines Wine or the driver wrote to stderr."""
        try:
            code = self._proc.wait(10)
        except subprocess.TimeoutExpired:
            code = "none yet"
        try:
            with open(self._log, "rb") as f:
                tail = f.read()[-600:].decode("latin-1").strip()
        except OSError:
            tail = ""
        return f"exit code {code}, stderr: {tail or '(empty)'}"

    def _read(self):
        for line in self._proc.stdout:
            self._lines.put(line)
        self._lines.put(None)

    def request(self, cmd, timeout=None, **args):
        """Sends one command; raises DriverError when the driver reports a failure."""
        args["cmd"] = cmd
        if "timeout_ms" in args:
            args["timeout_ms"] = int(args["timeout_ms"] * SLACK)
        wait = timeout * SLACK if timeout is not None else args.get("timeout_ms", 0) / 1000 + 30
        self._proc.stdin.write(json.dumps(args).encode("ascii") + b"\n")
        self._proc.stdin.flush()
        try:
            line = self._lines.get(timeout=wait)
        except queue.Empty:
            raise DriverError(f"driver gave no answer to {cmd} within {wait} s") from None
        if line is None:
            raise DriverError(f"driver ended during {cmd}")
        try:
            answer = json.loads(line)
        except ValueError:
            raise DriverError(f"not an answer to {cmd}: {line[:200]!r}") from None
        if not answer.pop("ok"):
            raise DriverError(f"{cmd}: {answer.get('error')}")
        return answer

    def try_request(self, cmd, **args):
        try:
            return self.request(cmd, **args)
        except DriverError:
            return None

    def close(self):
        if self._proc.poll() is None:
            try:
                self._proc.stdin.write(b'{"cmd":"quit"}\n')
                self._proc.stdin.close()
                self._proc.wait(10)
            except (OSError, subprocess.TimeoutExpired):
                self._proc.kill()
        else:
            self._proc.stdin.close()
        self._reader.join(10)
        if not self._reader.is_alive():
            self._proc.stdout.close()


def wait_until(predicate, timeout=STEP_TIMEOUT, interval=0.05, what="condition"):
    """Polls predicate until it returns something true; returns that value."""
    timeout *= SLACK
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def settle(read, quiet=0.4, timeout=STEP_TIMEOUT):
    """Waits until read() returns the same value for `quiet` seconds; returns it.
    Used after an input that must change nothing."""
    value, since = read(), time.monotonic()
    end = since + timeout * SLACK
    while time.monotonic() - since < quiet:
        if time.monotonic() > end:
            raise AssertionError("state did not settle")
        time.sleep(0.05)
        now = read()
        if now != value:
            value, since = now, time.monotonic()
    return value


class MessageBox:
    """A snapshot of one of the program's message boxes."""

    def __init__(self, driver, info):
        self.hwnd = info["hwnd"]
        self.caption = info["text"]
        tree = driver.request("tree", hwnd=self.hwnd)["children"]
        # The icon is a Static too, without text (SS_ICON = 3).
        texts = [c["text"] for c in tree if c["class"] == "Static" and (c["style"] & 0x1f) != 3]
        self.text = "\r".join(texts)
        self.buttons = [c["text"] for c in tree if c["class"] == "Button" and c["visible"]]
        self._button_hwnds = {c["text"]: c["hwnd"] for c in tree if c["class"] == "Button"}

    def __repr__(self):
        return f"MessageBox({self.caption!r}, {self.text!r}, {self.buttons!r})"


# --- the wizard --------------------------------------------------------------

def bind_payload(setup_exe, folder):
    """Writes the table of the packed files in folder into setup_exe, as the
    release does before signing: a few milliseconds, no build."""
    tool = _required_file(
        "KELVAR_PAYLOAD_TABLE", "; build the native binder first: cmake --preset native && "
        "cmake --build --preset native --target payload_table (or configure with "
        "-DKELVAR_PAYLOAD_TABLE=...)")
    done = subprocess.run([tool, "bind", setup_exe, folder], capture_output=True, text=True)
    if done.returncode != 0:
        raise HarnessError(f"cannot bind {setup_exe}: {done.stderr.strip()}")


class Setup:
    """Setup.exe started in a fresh prefix from C:\\Setup, with the driver attached.

    Use as a context manager, or call start() and cleanup()."""

    def __init__(self, payload=(), installer_dir=INSTALLER_DIR, drives=None, prepare=None,
                 env=None, log=None):
        self.payload = list(payload)
        # env: variables for Setup.exe's process alone (WINEDLLOVERRIDES, WINEDEBUG);
        # log: a file for its standard error (Wine's debug channels), else none.
        self.env = env or {}
        self.log = log
        self.installer_dir = installer_dir
        self.drives = drives or {}
        # prepare(setup): changes the prefix (registry, files) before Setup.exe starts.
        self.prepare = prepare
        self.prefix = None
        self.driver = None
        self.proc = None
        self.hwnd = None
        self.pid = None
        self.exit_code = None

    # lifecycle

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.cleanup()
            raise
        return self

    def __exit__(self, *exc):
        self.cleanup()

    def start(self):
        setup_exe = _required_file("KELVAR_SETUP_EXE")
        self.prefix = Prefix()
        for letter, folder in self.drives.items():
            self.prefix.map_drive(letter, folder)
        folder = self.prefix.unix_path(self.installer_dir)
        os.makedirs(folder, exist_ok=True)
        shutil.copy(setup_exe, os.path.join(folder, "Setup.exe"))
        for f in self.payload:
            shutil.copy(f, folder)
        if self.payload:
            bind_payload(os.path.join(folder, "Setup.exe"), folder)
        if self.prepare:
            self.prepare(self)
        self.driver = Driver(self.prefix)
        exe = self.installer_dir.rstrip("\\") + "\\Setup.exe"
        env = dict(self.prefix.env, **self.env)
        err = open(self.log, "wb") if self.log else subprocess.DEVNULL
        try:
            self.proc = self.prefix.popen([exe], cwd=folder, stdout=subprocess.DEVNULL,
                                          stderr=err, env=env)
        finally:
            if self.log:
                err.close()
        info = self.driver.request("find", **{"class": WIZARD_CLASS},
                                   timeout_ms=int(START_TIMEOUT * 1000))
        self.hwnd, self.pid = info["hwnd"], info["pid"]
        self.caption = info["text"]
        self.wait_page(WELCOME)
        self.activate()
        return self

    def cleanup(self):
        if self.driver:
            self.driver.close()
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
        if self.prefix:
            self.prefix.kill()
            self.prefix.remove()
        if self.proc:
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                pass

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=STEP_TIMEOUT):
        """Waits for the program to end; returns its exit code."""
        try:
            self.exit_code = self.proc.wait(timeout * SLACK)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"Setup.exe still running after {timeout} s") from None
        return self.exit_code

    def activate(self, hwnd=None):
        self.driver.request("activate", hwnd=hwnd or self.hwnd)

    # reading the window

    def info(self):
        return self.driver.request("info", hwnd=self.hwnd)

    def window_exists(self):
        return self.driver.request("info", hwnd=self.hwnd)["exists"]

    def tree(self, hwnd=None):
        return self.driver.request("tree", hwnd=hwnd or self.hwnd)["children"]

    def _pages(self, tree):
        # The wizard's own pages sit in the page control that is a direct
        # child of the window; the progress page holds a second one.
        outer = [c["hwnd"] for c in tree
                 if c["class"] == "TPageControl" and c["parent"] == self.hwnd]
        return [c for c in tree if c["class"] == "TTabSheet" and c["parent"] in outer]

    def page_index(self, tree=None):
        """Index (WELCOME ... PROGRESS) of the one visible page; fails unless exactly one."""
        pages = self._pages(tree or self.tree())
        shown = [i for i, p in enumerate(pages) if p["visible"]]
        if len(pages) != 6 or len(shown) != 1:
            raise AssertionError(f"expected one of six pages visible, got {len(pages)} pages, "
                                 f"visible: {[pages[i]['text'] for i in shown]}")
        return shown[0]

    def page(self):
        return PAGES[self.page_index()]

    def page_controls(self, cls=None, tree=None):
        """Controls on the visible page in reading order (top to bottom, then
        left to right), which does not depend on the windows' z-order."""
        tree = tree or self.tree()
        page = self._pages(tree)[self.page_index(tree)]["hwnd"]
        inside, out = {page}, []
        for c in tree:
            if c["parent"] in inside:
                inside.add(c["hwnd"])
                if cls is None or c["class"] == cls:
                    out.append(c)
        return sorted(out, key=lambda c: (c["rect"][1], c["rect"][0]))

    def buttons(self, tree=None):
        """The wizard's flat buttons by caption."""
        return {c["text"]: c for c in (tree or self.tree())
                if c["class"] == "TSpeedButton" and c["parent"] == self.hwnd}

    def visible_buttons(self, tree=None):
        return sorted(t for t, b in self.buttons(tree).items() if b["visible"])

    def state(self):
        """(page index, visible buttons, enabled buttons) in one read."""
        tree = self.tree()
        b = self.buttons(tree)
        return (self.page_index(tree), self.visible_buttons(tree),
                sorted(t for t, i in b.items() if i["visible"] and i["enabled"]))

    def wait_state(self, page, visible, enabled=None, timeout=STEP_TIMEOUT):
        """Waits until the given page is shown with exactly these buttons visible
        (and enabled: by default all visible ones); reports the last state seen."""
        want = (page, sorted(visible), sorted(visible if enabled is None else enabled))
        seen = []

        def matches():
            try:
                seen[:] = [self.state()]
            except (AssertionError, DriverError) as e:
                seen[:] = [str(e)]
                return False
            return seen[0] == want

        try:
            wait_until(matches, timeout, what=f"state {want}")
        except AssertionError:
            raise AssertionError(f"expected state {want}, last seen {seen[0]}") from None

    def wait_page(self, index, timeout=STEP_TIMEOUT):
        return wait_until(lambda: self._page_or_none() == index, timeout,
                          what=f"page {PAGES[index]!r} ({index})")

    def _page_or_none(self):
        try:
            return self.page_index()
        except (AssertionError, DriverError):
            return None

    def focus(self):
        """The control that has the keyboard focus in the program's thread."""
        return self.driver.request("focus", hwnd=self.hwnd)["focus"]

    # acting as the user

    def click(self, caption):
        """Clicks the wizard's flat button with this caption (real mouse click)."""
        b = self.buttons().get(caption)
        if b is None:
            raise AssertionError(f"no button {caption!r}")
        if not (b["visible"] and b["enabled"]):
            raise AssertionError(f"button {caption!r} is not visible and enabled")
        self.driver.request("click", hwnd=b["hwnd"])

    def click_control(self, control):
        self.driver.request("click", hwnd=control["hwnd"])

    def key(self, keys, count=1):
        """Presses a key or chord such as "enter", "alt+w", "shift+tab"."""
        self.driver.request("key", keys=keys, count=count)

    def x_key(self, keys):
        """Presses keys at the X level (xdotool, e.g. "alt+w"), below Wine. Without
        a window manager X gives the keyboard to the window under the pointer,
        so the pointer is moved onto the wizard first."""
        left, top, right, bottom = self.info()["client"]
        self.driver.request("move", x=(left + right) // 2, y=top + 5)
        subprocess.run(["xdotool", "key", "--delay", "30", keys], check=True, timeout=30)

    def alt(self, letter):
        self.key("alt+" + letter.lower())

    def type_text(self, text):
        self.driver.request("type", text=text)

    def text_of(self, control):
        return self.driver.request("text", hwnd=control["hwnd"])["text"]

    def type_into(self, edit, text):
        """Clicks into the edit field, replaces its content by typing, and
        checks that the field then holds exactly the text."""
        self.click_control(edit)
        wait_until(lambda: (self.focus() or {}).get("hwnd") == edit["hwnd"],
                   what="focus in the edit field")
        self.key("end")
        self.key("shift+home")
        if text:
            self.type_text(text)
        else:
            self.key("delete")
        wait_until(lambda: self.text_of(edit) == text, what=f"edit field to hold {text!r}")

    def checked(self, checkbox):
        return self.driver.request("check", hwnd=checkbox["hwnd"])["state"] == 1

    def set_check(self, checkbox, on=True):
        """Clicks the check box if its state differs; waits for the new state."""
        if self.checked(checkbox) != on:
            self.click_control(checkbox)
            wait_until(lambda: self.checked(checkbox) == on, what="check box state")

    def items(self, control):
        return self.driver.request("items", hwnd=control["hwnd"])

    def close_box(self):
        """Clicks the close box in the window's title bar."""
        self.driver.request("closebox", hwnd=self.hwnd)

    def system_close(self):
        """The close command as the system menu (or Alt+F4) sends it: WM_SYSCOMMAND SC_CLOSE."""
        self.driver.request("close", hwnd=self.hwnd)

    # message boxes

    def message_box(self, timeout=STEP_TIMEOUT):
        info = self.driver.request("find", **{"class": MSGBOX_CLASS}, pid=self.pid,
                                   timeout_ms=int(timeout * 1000))
        return MessageBox(self.driver, info)

    def no_message_box(self):
        return self.driver.try_request("find", **{"class": MSGBOX_CLASS}, pid=self.pid) is None

    def answer_box(self, button=None, key=None, timeout=STEP_TIMEOUT):
        """Waits for a message box, answers it by clicking `button` or pressing
        `key`, waits until it has gone and returns its snapshot."""
        box = self.message_box(timeout)
        if button is not None:
            if button not in box.buttons:
                raise AssertionError(f"{box!r} has no button {button!r}")
            self.driver.request("click", hwnd=box._button_hwnds[button])
        else:
            self.activate(box.hwnd)
            self.key(key)
        self.driver.request("gone", hwnd=box.hwnd, timeout_ms=int(timeout * 1000))
        return box

    # other windows of the program (dialogs, the directory picker)

    def find_window(self, cls=None, text=None, timeout=STEP_TIMEOUT):
        """Waits for a visible top-level window of the program; returns its info."""
        args = {"pid": self.pid, "timeout_ms": int(timeout * 1000)}
        if cls is not None:
            args["class"] = cls
        if text is not None:
            args["text"] = text
        return self.driver.request("find", **args)

    def controls(self, hwnd, cls=None, text=None):
        """Descendants of a window, filtered by class and text, in z-order."""
        return [c for c in self.tree(hwnd)
                if (cls is None or c["class"] == cls) and (text is None or c["text"] == text)]

    def control(self, hwnd, cls=None, text=None):
        found = self.controls(hwnd, cls, text)
        if len(found) != 1:
            raise AssertionError(f"expected one {cls} {text!r}, found {len(found)}")
        return found[0]

    # files in the prefix

    def read_file(self, win_path):
        """Bytes of a file in the prefix, named by its Windows path (C:\\...)."""
        with open(self.prefix.unix_path(win_path), "rb") as f:
            return f.read()

    def exists(self, win_path):
        return os.path.exists(self.prefix.unix_path(win_path))

    # pictures

    def misfits(self, hwnd=None):
        """The labels, check boxes and buttons in the window whose text, measured
        in their own font, is wider or taller than their client area."""
        answer = self.driver.request("fit", hwnd=hwnd or self.hwnd)
        if answer["unmeasured"]:
            raise AssertionError(f"{answer['unmeasured']} text control(s) name no font to measure in")
        return answer["misfits"]

    def check_fit(self, hwnd=None):
        cut = self.misfits(hwnd)
        if cut:
            raise AssertionError("text does not fit: " + "; ".join(describe_misfit(m) for m in cut))

    def screenshot(self, path, hwnd=None, timeout=3.0, check=True):
        """Saves the window (or the given one; 0 for the screen) as BMP, or as
        PNG when the name ends in .png (through ImageMagick). Waits until two
        captures agree, so a page that is still painting is not caught halfway.
        A window whose texts are cut fails first: such a picture is no proof."""
        path = os.path.abspath(path)
        bmp = path if path.lower().endswith(".bmp") else path + ".bmp"
        target = self.hwnd if hwnd is None else hwnd
        if target and check:
            self.check_fit(target)
        win_path = "Z:" + bmp.replace("/", "\\")
        previous, end = None, time.monotonic() + timeout
        while True:
            self.driver.request("screenshot", hwnd=target, path=win_path)
            with open(bmp, "rb") as f:
                current = f.read()
            if current == previous or time.monotonic() > end:
                break
            previous = current
            time.sleep(0.15)
        if bmp != path:
            subprocess.run(["convert", bmp, path], check=True)
            os.remove(bmp)
        return path

    # walking the wizard

    def fill_to(self, index, name="Test", target=r"C:\KELvar-e2e"):
        """From the welcome page, walks forward with valid input until page `index`."""
        while True:
            current = self.page_index()
            if current >= index:
                return
            if current == AGREEMENT:
                self.set_check(self.consent_box())
            elif current == NAME:
                name_edit, target_edit = self.page_controls("Edit")
                self.type_into(name_edit, name)
                self.type_into(target_edit, target)
            self.click(NEXT)
            self.wait_page(current + 1)

    def consent_box(self):
        boxes = [c for c in self.page_controls("Button") if c["text"] == CONSENT]
        if len(boxes) != 1:
            raise AssertionError("consent check box not found on the visible page")
        return boxes[0]


def describe_misfit(m):
    return (f"{m['class']} {m['text']!r} needs {m['need'][0]}x{m['need'][1]} px, "
            f"has {m['have'][0]}x{m['have'][1]}")


class WizardTestCase(unittest.TestCase):
    """Each test gets its own Setup.exe in a fresh prefix as self.setup_."""

    def setUp(self):
        self.setup_ = Setup()
        self.setup_.__enter__()
        self.addCleanup(self.setup_.cleanup)


def main():
    if sys.argv[1:] == ["--make-template"]:
        t0 = time.monotonic()
        path = template_prefix(fresh=True)
        print(f"template prefix ready in {time.monotonic() - t0:.1f} s: {path}")
        return
    print("usage: kelvar.py --make-template", file=sys.stderr)
    sys.exit(2)


if __name__ == "__main__":
    main()
