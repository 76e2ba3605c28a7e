"""The test driver itself, against Wine's own notepad: what the wizard's tests
and later ones rely on (typing German text, reading it back, focus, real
clicks on the close box, screenshots, and clear answers to bad requests)."""

import os
import re
import struct
import subprocess
import tempfile
import unittest

import kelvar as k


class DriverTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.prefix = k.Prefix()
        cls.driver = k.Driver(cls.prefix)

    @classmethod
    def tearDownClass(cls):
        cls.driver.close()
        cls.prefix.kill()
        cls.prefix.remove()

    def start_notepad(self):
        proc = self.prefix.popen(["notepad"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        def stop():
            if proc.poll() is None:
                proc.kill()
            proc.wait(10)
        self.addCleanup(stop)
        win = self.driver.request("find", **{"class": "Notepad"}, timeout_ms=30000)
        self.driver.request("activate", hwnd=win["hwnd"])
        tree = self.driver.request("tree", hwnd=win["hwnd"])["children"]
        (edit,) = [c for c in tree if c["class"] == "Edit"]
        return proc, win, edit

    def text(self, edit):
        return self.driver.request("text", hwnd=edit["hwnd"])["text"]

    def test_typing_german_text_and_replacing_it(self):
        proc, win, edit = self.start_notepad()
        d = self.driver
        d.request("click", hwnd=edit["hwnd"])
        k.wait_until(lambda: d.request("focus", hwnd=win["hwnd"])["focus"]["hwnd"] == edit["hwnd"],
                     what="focus in the edit field")
        typed = "Grüße, Jürgen Müller – 5 € „Test“ ß Ä Ö Ü C:\\Programme\\KELvar 5.0"
        d.request("type", text=typed)
        k.wait_until(lambda: self.text(edit) == typed, what="the typed text")
        # Select all by keys and overwrite: the way the harness fills fields.
        d.request("key", keys="ctrl+end")
        d.request("key", keys="ctrl+shift+home")
        d.request("type", text="Test")
        k.wait_until(lambda: self.text(edit) == "Test", what="the replaced text")
        answer = d.request("text", hwnd=edit["hwnd"])
        self.assertEqual((answer["selstart"], answer["selend"]), (4, 4))
        d.request("key", keys="ctrl+z")  # the edit's undo brings the old text back
        k.wait_until(lambda: self.text(edit) == typed, what="undo")

    def test_close_box_is_clicked_for_real_and_screenshot_has_window_size(self):
        proc, win, _ = self.start_notepad()
        with tempfile.TemporaryDirectory() as tmp:
            bmp = os.path.join(tmp, "notepad.bmp")
            answer = self.driver.request("screenshot", hwnd=win["hwnd"],
                                         path="Z:" + bmp.replace("/", "\\"))
            left, top, right, bottom = win["rect"]
            self.assertEqual((answer["width"], answer["height"]), (right - left, bottom - top))
            with open(bmp, "rb") as f:
                data = f.read()
            self.assertEqual(data[:2], b"BM")
            width, height = struct.unpack("<ii", data[18:26])
            self.assertEqual((width, height), (right - left, bottom - top))
            self.assertGreater(len(set(data[54:])), 2, "the picture is not blank")
        self.driver.request("closebox", hwnd=win["hwnd"])
        self.assertEqual(proc.wait(k.STEP_TIMEOUT), 0)
        self.assertFalse(self.driver.request("info", hwnd=win["hwnd"])["exists"])

    def test_bad_requests_get_an_error_and_the_driver_goes_on(self):
        d = self.driver
        for cmd, args, error in (
                ("nosuch", {}, "unknown command: nosuch"),
                ("tree", {"hwnd": 1}, "no such window: 1"),
                ("key", {"keys": "alt+"}, "empty key name"),
                ("key", {"keys": "hyper+x"}, "unknown key: hyper"),
                ("find", {"class": "NoSuchClass", "timeout_ms": 100}, "timeout"),
        ):
            with self.assertRaises(k.DriverError) as caught:
                d.request(cmd, **args)
            self.assertIn(error, str(caught.exception))
        # A line that is not JSON at all.
        d._proc.stdin.write(b"{not json\n")
        d._proc.stdin.flush()
        line = d._lines.get(timeout=10)
        self.assertIn(b"bad request", line)
        self.assertIsInstance(d.request("ping")["pid"], int)


class TextFitTest(k.WizardTestCase):
    """The check made before every screenshot of the tests and the tour."""

    def test_a_shrunk_label_and_check_box_are_reported_with_their_text(self):
        s = self.setup_
        for page, pick in ((k.WELCOME, lambda: [c for c in s.page_controls("TLabel") if c["text"]][0]),
                           (k.AGREEMENT, s.consent_box)):
            s.fill_to(page)
            self.assertEqual(s.misfits(), [], "every text fits before a control is shrunk")
            control = pick()
            left, top, right, bottom = control["rect"]
            s.driver.request("resize", hwnd=control["hwnd"], w=(right - left) // 2, h=bottom - top)
            (cut,) = s.misfits()
            self.assertEqual((cut["hwnd"], cut["class"], cut["text"]),
                             (control["hwnd"], control["class"], control["text"]))
            self.assertGreater(cut["need"][0], cut["have"][0])
            with self.assertRaisesRegex(AssertionError, re.escape(repr(control["text"]))):
                s.screenshot(os.path.join(tempfile.gettempdir(), "never-taken.png"))

    def test_a_label_run_over_by_the_label_beside_it_is_reported(self):
        # What a wider face does on the summary page: the target beside
        # "Zielverzeichnis:" starts inside that caption and paints over its end.
        s = self.setup_
        s.fill_to(k.SUMMARY)
        self.assertEqual(s.misfits(), [])
        labels = [c for c in s.page_controls("TLabel") if c["text"]]
        caption = next(c for c in labels if c["text"] == "Zielverzeichnis:")
        left, top, right, bottom = caption["rect"]
        beside = next(c for c in labels if c["rect"][1] == top and c["rect"][0] >= right)
        bl, bt, br, bb = beside["rect"]
        s.driver.request("resize", hwnd=beside["hwnd"], w=br - bl, h=bb - bt,
                         x=(left + right) // 2, y=bt)
        (cut,) = s.misfits()
        self.assertEqual((cut["hwnd"], cut["text"]), (caption["hwnd"], "Zielverzeichnis:"))
        self.assertEqual(cut["have"][0], (left + right) // 2 - left)


if __name__ == "__main__":
    unittest.main(verbosity=2)
