"""The wizard's page flow, driven from outside: every transition of the state
machine over the visible page, the buttons each state shows, the Alt
accelerators, the Cancel question and the close box."""

import os
import unittest

import kelvar as k
from kelvar import (AGREEMENT, BACK, CANCEL, DRIVE, INSTALL, NAME, NEXT, PROGRESS, SUMMARY,
                    WELCOME)

# Visible buttons per state; in P1 to P5 every visible button is enabled.
BUTTONS = {
    WELCOME: [NEXT, CANCEL],
    AGREEMENT: [BACK, NEXT, CANCEL],
    NAME: [BACK, NEXT, CANCEL],
    DRIVE: [BACK, NEXT, CANCEL],
    SUMMARY: [BACK, INSTALL, CANCEL],
}

CANCEL_QUESTION = "Möchten Sie das Setup wirklich abbrechen?"
TARGET = r"C:\KELvar-e2e"  # does not exist in a fresh prefix


class PageFlowTest(k.WizardTestCase):

    def expect(self, page):
        self.setup_.wait_state(page, BUTTONS[page])

    def fields(self):
        """Name and target field on the name page."""
        name, target = self.setup_.page_controls("Edit")
        return name, target

    def summary(self):
        """Summary page: caption label -> text of the value label right of it."""
        labels = self.setup_.page_controls("TLabel")
        texts = [c["text"] for c in labels]
        return {caption: texts[texts.index(caption) + 1]
                for caption in ("Name:", "Zielverzeichnis:", "Einzulesendes Laufwerk:",
                                "Bezeichnung:")}

    def cancel_box(self, answer=None, key=None):
        s = self.setup_
        box = s.answer_box(answer, key=key)
        self.assertEqual(box.caption, "Bestätigung")
        self.assertEqual(box.text, CANCEL_QUESTION)
        self.assertEqual(box.buttons, ["&Ja", "&Nein"])
        return box

    def assert_exits_without_question(self):
        """The program ends, and no message box appears on the way."""
        s = self.setup_

        def ended_or_asked():
            if not s.running():
                return "ended"
            if not s.no_message_box():
                return "asked"
            return None

        outcome = k.wait_until(ended_or_asked, what="the program to end")
        if outcome == "asked":
            self.fail(f"a question was asked instead: {s.message_box()!r}")
        self.assertEqual(s.wait_exit(), 0)

    # --- start and the welcome page ------------------------------------------

    def test_start_shows_welcome_page_and_alt_z_does_nothing(self):
        s = self.setup_
        self.assertEqual(s.caption, k.WIZARD_CAPTION)
        info = s.info()
        client = info["client"]
        self.assertEqual((client[2] - client[0], client[3] - client[1]), (632, 453))
        self.expect(WELCOME)
        self.assertEqual(s.page(), "Willkommen")
        # "&Installieren" shares the place of "&Weiter" and is hidden.
        buttons = s.buttons()
        self.assertEqual(buttons[INSTALL]["rect"], buttons[NEXT]["rect"])

        before = s.state()
        s.alt("z")  # "&Zurück" is hidden: its accelerator must not fire
        self.assertEqual(k.settle(s.state), before)
        self.assertTrue(s.no_message_box())
        # Input is handled in order: Alt+W arriving proves Alt+Z was handled.
        s.alt("w")
        self.expect(AGREEMENT)
        # The same through the X server's keyboard, below Wine.
        s.x_key("alt+z")
        self.expect(WELCOME)

    def test_next_back_next_from_welcome_page_ends_on_agreement_page(self):
        s = self.setup_
        s.click(NEXT)
        self.expect(AGREEMENT)
        self.assertEqual(s.page(), "Lizenzbestimmungen")
        s.click(BACK)
        self.expect(WELCOME)
        s.click(NEXT)
        self.expect(AGREEMENT)

    # --- walking all pages -----------------------------------------------------

    def test_walk_forward_to_summary_and_back_to_welcome(self):
        s = self.setup_
        s.click(NEXT)
        self.expect(AGREEMENT)
        (agreement,) = s.page_controls("ListBox")
        lines = s.items(agreement)["items"]
        self.assertEqual(len(lines), 32)
        self.assertEqual(lines.count(""), 3)
        self.assertLessEqual(max(map(len, lines)), 76)
        consent = s.consent_box()
        self.assertFalse(s.checked(consent), "the consent box starts unticked")
        s.set_check(consent)
        s.click(NEXT)
        self.expect(NAME)
        self.assertEqual(s.page(), "Name&&Zielverzeichnis")
        name, target = self.fields()
        self.assertEqual(s.focus()["hwnd"], name["hwnd"], "the name field gets the focus")
        s.type_into(name, "Test")
        s.type_into(target, TARGET)
        s.click(NEXT)
        self.expect(DRIVE)
        self.assertEqual(s.page(), "LaufwerkAbsp.")
        (drives,) = s.page_controls("ComboBox")
        items = s.items(drives)
        self.assertGreaterEqual(items["selected"], 0, "a drive is preselected")
        self.assertTrue(items["items"][items["selected"]].startswith("c:"),
                        "started from C:\\Setup, drive c: is preselected")
        s.click(NEXT)
        self.expect(SUMMARY)
        self.assertEqual(s.page(), "Installieren")

        for page in (DRIVE, NAME, AGREEMENT, WELCOME):
            s.click(BACK)
            self.expect(page)

    def test_back_from_summary_brings_next_back_and_summary_is_filled_anew(self):
        s = self.setup_
        s.fill_to(SUMMARY, name="Test", target=TARGET)
        self.expect(SUMMARY)
        self.assertEqual(self.summary()["Name:"], "Test")
        self.assertEqual(self.summary()["Einzulesendes Laufwerk:"], "C:")

        s.click(BACK)
        self.expect(DRIVE)
        (designation,) = s.page_controls("Edit")
        s.type_into(designation, "Platte Zwei")
        s.click(BACK)
        self.expect(NAME)
        name, _ = self.fields()
        s.type_into(name, "Tester")
        s.click(NEXT)
        self.expect(DRIVE)
        s.click(NEXT)
        self.expect(SUMMARY)
        summary = self.summary()
        self.assertEqual(summary["Name:"], "Tester")
        self.assertEqual(summary["Bezeichnung:"], "Platte Zwei")

    def test_name_kept_and_target_reset_when_passing_agreement_page_again(self):
        s = self.setup_
        s.fill_to(NAME)
        name, target = self.fields()
        default_target = s.text_of(target)
        s.type_into(name, "Test")
        s.type_into(target, TARGET)
        s.click(BACK)
        self.expect(AGREEMENT)
        self.assertTrue(s.checked(s.consent_box()), "the consent box keeps its tick")
        s.click(NEXT)
        self.expect(NAME)
        name, target = self.fields()
        self.assertEqual(s.text_of(name), "Test")
        self.assertEqual(s.text_of(target), default_target)
        self.assertNotEqual(default_target, TARGET)

    # --- accelerators ----------------------------------------------------------

    def test_alt_accelerators_follow_the_visible_buttons(self):
        s = self.setup_
        s.alt("w")
        self.expect(AGREEMENT)
        s.alt("z")
        self.expect(WELCOME)
        s.alt("w")
        self.expect(AGREEMENT)
        s.fill_to(SUMMARY, name="Test", target=TARGET)
        self.expect(SUMMARY)

        before = s.state()
        s.alt("w")  # "&Weiter" is hidden on the summary page
        self.assertEqual(k.settle(s.state), before)
        self.assertTrue(s.no_message_box())
        s.alt("z")
        self.expect(DRIVE)

        s.alt("a")
        self.cancel_box("&Nein")
        self.expect(DRIVE)

    # --- Cancel ----------------------------------------------------------------

    def test_cancel_answered_no_changes_nothing(self):
        s = self.setup_
        s.fill_to(NAME)
        name, target = self.fields()
        s.type_into(name, "Test")
        s.type_into(target, TARGET)
        before = s.state()

        s.click(CANCEL)
        self.cancel_box("&Nein")
        self.assertEqual(s.state(), before)
        self.assertEqual(s.text_of(name), "Test")
        self.assertEqual(s.text_of(target), TARGET)

        # Escape answers "&Nein" too.
        s.click(CANCEL)
        self.cancel_box(key="escape")
        self.assertEqual(k.settle(s.state), before)
        self.assertTrue(s.running())
        s.click(NEXT)
        self.expect(DRIVE)

    def test_cancel_answered_with_enter_ends_the_program(self):
        s = self.setup_
        s.click(CANCEL)
        self.cancel_box(key="enter")
        self.assertEqual(s.wait_exit(), 0)

    def test_cancel_answered_yes_on_summary_page_ends_the_program(self):
        s = self.setup_
        s.fill_to(SUMMARY, name="Test", target=TARGET)
        s.click(CANCEL)
        self.cancel_box("&Ja")
        self.assertEqual(s.wait_exit(), 0)
        self.assertFalse(os.path.exists(s.prefix.unix_path(TARGET)), "nothing was installed")

    # --- closing the window ----------------------------------------------------

    def test_close_box_ends_the_program_without_a_question(self):
        s = self.setup_
        s.fill_to(NAME)
        s.close_box()
        self.assert_exits_without_question()

    def test_system_close_on_summary_page_ends_the_program_without_a_question(self):
        s = self.setup_
        s.fill_to(SUMMARY, name="Test", target=TARGET)
        s.system_close()
        self.assert_exits_without_question()

    # --- the way back from the progress page -----------------------------------

    def test_target_that_cannot_be_created_leads_back_to_name_page(self):
        s = self.setup_
        # A file where the target's parent should be: the checks pass (no such
        # directory), but the run cannot create the target.
        blocker = r"C:\e2e-datei"
        with open(s.prefix.unix_path(blocker), "w") as f:
            f.write("kein Verzeichnis\n")
        s.fill_to(SUMMARY, name="Test", target=blocker + r"\KELvar")
        s.click(INSTALL)
        box = s.message_box()
        self.assertEqual(box.caption, "Fehler")
        self.assertEqual(box.text, "Das Zielverzeichnis kann nicht angelegt werden!\r\r"
                                   "Geben Sie bitte ein anderes Zielverzeichnis an!")
        # While the box is open the wizard is on the progress page, Cancel disabled.
        s.wait_state(PROGRESS, [CANCEL], enabled=[])
        s.answer_box("OK")
        s.wait_state(NAME, [BACK, NEXT, CANCEL], enabled=[BACK, NEXT])
        _, target = self.fields()
        self.assertEqual(s.focus()["hwnd"], target["hwnd"], "the target field gets the focus")

        before = s.state()
        s.alt("a")  # "&Abbrechen" stays disabled
        self.assertEqual(k.settle(s.state), before)
        self.assertTrue(s.no_message_box())
        s.click(BACK)
        s.wait_state(AGREEMENT, [BACK, NEXT, CANCEL], enabled=[BACK, NEXT])


if __name__ == "__main__":
    unittest.main(verbosity=2)
