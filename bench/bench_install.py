#!/usr/bin/env python3
"""A whole installation by the real Setup.exe under Wine, on a payload whose
"Kelvar5.kvr" is one packed file of 300 MB, driven through the wizard as the
end-to-end tests drive it. While the run goes (from "Installieren" to the
closing question), pumpprobe.exe, a separate process, sends the wizard window
a WM_NULL every 5 ms and times each answer: the longest answer is the longest
time the window did not handle its messages. Then the same packed files are
copied and restored bare (CopyFileA, then a ReadFile/inflate/WriteFile loop)
in the same prefix, for the run's total time to stand against.

The run goes under a window manager (twm, started on the display unless
KELVAR_BENCH_WM=none), as on every desktop: with none, Wine's X11 driver waits
up to 2 s for a manager to confirm that a window it hides is withdrawn, so
hiding the shortcut dialog alone held the window for 2.0 s.

Environment: KELVAR_SETUP_EXE, KELVAR_WDRIVE_EXE, KELVAR_LAUNCH_EXE (as for the
end-to-end tests), KELVAR_KVRPACK (the native packer), KELVAR_PUMPPROBE_EXE,
KELVAR_BENCH_RESTORE_EXE (bench_restore_win.exe). Arguments: the big file's size
in MB (default 300), rounds (default and at least 5).

KELVAR_BENCH_CONTENDERS="name=Setup.exe name=Setup.exe ...": several builds of
the program, each bound to the same payload, installed in turn in every round
(the order reversed every other round); each gets its own min and median, and
its ratio of minimums against the first. Without it, KELVAR_SETUP_EXE alone.
Ends with name=value lines.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import kelvar as k  # noqa: E402
import installkit as kit  # noqa: E402

TARGET = r"C:\KELvar-bench"
BIG = "Kelvar5.kvr"


class BigPayload:
    """The fourteen packed files and Kvrinf.kvr; BIG holds mb MB of noise, stored."""

    def __init__(self, folder, mb):
        self.files = []
        src_dir = os.path.join(folder, "src")
        os.makedirs(src_dir)
        launcher = kit.launcher_exe()
        for packed, installed in kit.PACKED:
            src = os.path.join(src_dir, installed)
            with open(src, "wb") as f:
                if installed == "Launch.exe":
                    with open(launcher, "rb") as g:
                        f.write(g.read())
                elif packed == BIG:
                    for _ in range(mb):
                        f.write(os.urandom(1 << 20))
                else:
                    f.write(os.urandom(5000))
            args = [kit.kvrpack(), "-o", os.path.join(folder, packed), "--header", "KELvar 5.0",
                    "--name", "C:\\KELvar\\" + installed, "--time", "2001-06-01T12:00:00"]
            if packed == BIG:
                args.append("--store")  # noise: stored blocks, as the packer would choose
            subprocess.run(args + [src], check=True, capture_output=True)
            os.remove(src)
            self.files.append(os.path.join(folder, packed))
        with open(os.path.join(folder, "Kvrinf.kvr"), "wb") as f:
            f.write(os.urandom(300) + b"KVR-INF\r\n")
        self.files.append(os.path.join(folder, "Kvrinf.kvr"))


def start_window_manager(folder):
    """twm on $DISPLAY, with the X server's own "fixed" font (it ends at once
    when the fonts of its default setup are missing); None when told not to."""
    if os.environ.get("KELVAR_BENCH_WM") == "none":
        return None
    if not shutil.which("twm"):
        raise SystemExit("twm not found: apt-get install twm (or KELVAR_BENCH_WM=none to "
                         "measure without a window manager)")
    rc = os.path.join(folder, "twmrc")
    with open(rc, "w") as f:
        f.write("".join(f'{k} "fixed"\n' for k in
                        ("TitleFont", "ResizeFont", "MenuFont", "IconFont", "IconManagerFont")))
        f.write("RandomPlacement\n")
    wm = subprocess.Popen(["twm", "-f", rc], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    if wm.poll() is not None:
        raise SystemExit(f"twm ended at once (exit code {wm.returncode}) on {os.environ['DISPLAY']}")
    return wm


def name_values(text):
    return dict(line.strip().split("=", 1) for line in text.splitlines() if "=" in line)


def one_round(payload, mb, probe_exe, bare_exe):
    """One installation with the probe, then the bare copy and restore in the
    same prefix. Returns (run seconds, bare seconds, the probe's values)."""
    with kit.InstallSetup(payload) as s:
        s.fill_to(k.DRIVE, name="Bench", target=TARGET)
        s.click(k.NEXT)
        s.wait_page(k.SUMMARY)
        # Found before the probe starts: reading the buttons sends the window
        # one message per control, the driver's load, not the program's.
        install = s.buttons()[k.INSTALL]
        stop = s.unix(r"C:\pumpprobe.stop")
        probe = s.prefix.popen([probe_exe, "THauptfenster", r"C:\pumpprobe.stop", "5"],
                               stdout=subprocess.PIPE, stderr=None)
        time.sleep(2)  # the probe is up and answered before the run starts
        t0 = time.monotonic()
        s.click_control(install)
        s.find_window(cls=kit.FORM2_CLASS, timeout=1800)
        t1 = time.monotonic()
        # Closed by its button with no box ticked: saving a link is the shell's
        # work (about 2 s for the first one under Wine), not the run's pumping.
        s.shortcut_dialog(untick=("auf dem &Desktop",))
        t2 = time.monotonic()
        s.message_box(timeout=1800)  # the closing question: the run is over
        t3 = time.monotonic()
        open(stop, "w").close()
        probe_out = probe.communicate(timeout=120)[0].decode("ascii", "replace")
        s.answer_box("&Nein")
        s.wait_exit(timeout=60)
        installed = os.path.getsize(s.unix(TARGET + r"\Kelvar5.exe"))
        if installed != mb << 20:
            raise SystemExit(f"Kelvar5.exe has {installed} bytes, not {mb << 20}")

        names = [os.path.basename(f) for f in payload.files if f.endswith(".kvr")
                 and not f.endswith("Kvrinf.kvr")]
        bare = subprocess.run(["wine", bare_exe, "--bare-install", k.INSTALLER_DIR,
                               r"C:\bare-install"] + names, env=s.prefix.env,
                              capture_output=True, check=True, timeout=1800)
        bare_s = float(name_values(bare.stdout.decode("ascii", "replace"))["bare_install_s"])
    # The shortcut dialog's own time is left out.
    return (t1 - t0) + (t3 - t2), bare_s, name_values(probe_out)


def contenders():
    """[(name, Setup.exe)]: KELVAR_BENCH_CONTENDERS, or KELVAR_SETUP_EXE alone."""
    items = os.environ.get("KELVAR_BENCH_CONTENDERS", "").split()
    if not items:
        return [("run", os.path.abspath(os.environ["KELVAR_SETUP_EXE"]))]
    pairs = [item.split("=", 1) for item in items]
    for pair in pairs:
        if len(pair) != 2 or not os.path.isfile(pair[1]):
            raise SystemExit(f"KELVAR_BENCH_CONTENDERS: {'='.join(pair)} is not name=existing file")
    return [(name, os.path.abspath(path)) for name, path in pairs]


def install_with(exe, *args):
    os.environ["KELVAR_SETUP_EXE"] = exe
    return one_round(*args)


def main():
    mb = int(sys.argv[1]) if len(sys.argv) > 1 else 300
    rounds = max(5, int(sys.argv[2]) if len(sys.argv) > 2 else 5)
    probe_exe = os.path.abspath(os.environ["KELVAR_PUMPPROBE_EXE"])
    bare_exe = os.path.abspath(os.environ["KELVAR_BENCH_RESTORE_EXE"])
    builds = contenders()
    k.ensure_display()
    runs = {name: [] for name, _ in builds}
    bares, gaps, over = [], {name: [] for name, _ in builds}, 0
    with tempfile.TemporaryDirectory(prefix="installbench-", dir=k.work_dir()) as folder:
        wm = start_window_manager(folder)
        payload = BigPayload(folder, mb)
        size = os.path.getsize(os.path.join(folder, BIG))
        print(f"payload: {BIG} packed {size / 1048576:.0f} MiB, 13 small packed files; "
              f"{os.cpu_count()} processors; window manager: {'twm' if wm else 'none'}; "
              f"builds: {', '.join(name for name, _ in builds)}; one warm-up round, then "
              f"{rounds} rounds of (each build's installation, bare copy and restore)")
        for _, exe in builds:
            install_with(exe, payload, mb, probe_exe, bare_exe)
        for r in range(rounds):
            order = builds if r % 2 == 0 else builds[::-1]
            for name, exe in order:
                run, bare_s, values = install_with(exe, payload, mb, probe_exe, bare_exe)
                runs[name].append(run)
                bares.append(bare_s)
                gaps[name].append(float(values["install_max_pump_gap_ms"]))
                over += int(values["probes_over_16ms"])
                print(f"  round {r + 1} {name}: run {run:.2f} s, bare {bare_s:.2f} s, longest "
                      f"answer {gaps[name][-1]:.1f} ms, {values['probes']} probes", flush=True)
        if wm:
            wm.terminate()
            wm.wait()
    all_gaps = [g for name in gaps for g in gaps[name]]
    for name, _ in builds:
        print(f"{name}: run from Installieren to the closing question (copy, restore, info files, "
              f"snapshot of C: and the registry): min {min(runs[name]):.2f} s, median "
              f"{statistics.median(runs[name]):.2f} s; longest answer {max(gaps[name]):.1f} ms")
    print(f"bare copy and restore of the same packed files: min {min(bares):.2f} s, median "
          f"{statistics.median(bares):.2f} s")
    print(f"longest answer of the window over all rounds {max(all_gaps):.1f} ms (goal <= 16), "
          f"median of the rounds' longest {statistics.median(all_gaps):.1f} ms; {over} answers "
          f"over 16 ms in all")
    print(f"install_max_pump_gap_ms={max(all_gaps):.1f}")
    print(f"install_max_pump_gap_median_ms={statistics.median(all_gaps):.1f}")
    first = builds[0][0]
    for name, _ in builds:
        suffix = "" if len(builds) == 1 else "_" + name
        print(f"install_run{suffix}_s={min(runs[name]):.3f}")
        print(f"install_run{suffix}_median_s={statistics.median(runs[name]):.3f}")
        print(f"install_run_ratio{suffix}={min(runs[name]) / min(bares):.3f}")
        if name != first:
            print(f"install_run_{name}_vs_{first}={min(runs[name]) / min(runs[first]):.3f}")
    print(f"bare_copy_restore_s={min(bares):.3f}")
    print(f"processors={os.cpu_count()}")


if __name__ == "__main__":
    main()
