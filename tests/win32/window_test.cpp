// The window base under Wine: the exception barrier of the one window
// procedure, and windows that give back every GDI object they took.
#include "app/wizard_window.h"
#include "shell/shortcut_dialog.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/gdi.h"
#include "toolkit/window.h"
#include "toolkit/handles.h"
#include <gtest/gtest.h>
#include <iostream>
#include <oleacc.h>
#include <stdexcept>
#include <string>
#include <windows.h>

namespace {

// Answers every error box with Enter and remembers what it said.
struct ErrorBoxes {
    static inline int count = 0;
    static inline std::string text, caption;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = ::FindWindowA(tk::kMsgDlgClass, nullptr);
        if (!box || !::IsWindowVisible(box))
            return;
        char buf[256] = {};
        ::GetWindowTextA(box, buf, sizeof buf);
        caption = buf;
        ::GetDlgItemTextA(box, 1000, buf, sizeof buf);
        text = buf;
        ++count;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
};

constexpr int kButtonId = 7;

// A window that throws from its paint and its click handler when asked to.
class Thrower : public tk::TWindow {
public:
    bool throwOnPaint = false, throwOnClick = false;
    int paints = 0, clicks = 0;
    tk::TSpeedButton button;

    void Create() {
        RegisterWindowClass({.name = "KelvarTestThrower"});
        CreateHandle(0, "KelvarTestThrower", "Test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                     200, nullptr, nullptr);
        button.Create(hwnd_, kButtonId, 10, 10, 91, 30, "&Weiter", 0,
                      tk::TSpeedButton::GlyphPos::None, {});
        button.SetVisible(true);
    }

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_PAINT) {
            tk::PaintDC dc(hwnd_);
            if (std::exchange(throwOnPaint, false))
                throw std::runtime_error("Fehler beim Zeichnen");
            ++paints;
            return 0;
        }
        if (msg == WM_COMMAND && LOWORD(wp) == kButtonId) {
            if (std::exchange(throwOnClick, false))
                throw std::runtime_error("Fehler beim Klicken");
            ++clicks;
            return 0;
        }
        return Default(msg, wp, lp);
    }
};

void Click(const tk::TSpeedButton& b) {
    ::SendMessageA(b.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(b.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void Repaint(HWND hwnd) {
    ::InvalidateRect(hwnd, nullptr, TRUE);
    ::UpdateWindow(hwnd);
}

TEST(WindowBarrier, PaintAndClickErrorsShowOneBoxAndTheWindowGoesOn) {
    tk::SetApplicationTitle("KELvar 5.0 - Setup");
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, ErrorBoxes::OnTimer);
    Thrower w;
    w.Create();
    ErrorBoxes::count = 0;

    w.throwOnPaint = true;
    Repaint(w.Handle());
    EXPECT_EQ(ErrorBoxes::count, 1);
    EXPECT_EQ(ErrorBoxes::caption, "KELvar 5.0 - Setup");
    EXPECT_EQ(ErrorBoxes::text, "Fehler beim Zeichnen.");
    // The paint that failed still ended: nothing is left to paint, no second box.
    EXPECT_FALSE(::GetUpdateRect(w.Handle(), nullptr, FALSE));
    tk::ProcessMessages();
    EXPECT_EQ(ErrorBoxes::count, 1);
    const int paints = w.paints;
    Repaint(w.Handle());
    EXPECT_EQ(w.paints, paints + 1);

    w.throwOnClick = true;
    Click(w.button);
    EXPECT_EQ(ErrorBoxes::count, 2);
    EXPECT_EQ(ErrorBoxes::text, "Fehler beim Klicken.");
    EXPECT_EQ(w.clicks, 0);
    Click(w.button);
    EXPECT_EQ(w.clicks, 1);
    EXPECT_EQ(ErrorBoxes::count, 2);
    ::KillTimer(nullptr, timer);
}

// The quit request a destroyed main window leaves behind is not for the test.
void DropQuit() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// Creates, shows and destroys one wizard; false when it cannot be created.
bool WizardRoundTrip() {
    HWND hwnd = nullptr;
    {
        WizardWindow wizard;
        if (!wizard.Create())
            return false;
        hwnd = wizard.Handle();
        wizard.Show();
        tk::ProcessMessages();
    }
    // Destroyed with its own handlers and default processing, and unbound.
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(tk::MainWindow(), nullptr);
    DropQuit();
    return true;
}

void ShortcutDialogRoundTrip() {
    ShortcutDialog form;
    form.Create();
    tk::ProcessMessages();
}

TEST(WindowLifetime, WizardAndShortcutDialogGiveBackWhatTheyTook) {
    // The first round fills the toolkit's font cache, which lives as long as the program.
    ASSERT_TRUE(WizardRoundTrip());
    const long before = tk::LiveGdiObjects();
    // Each wizard reads the drives and is shown (seconds under Wine): ten rounds show a
    // leak as well as a hundred.
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(WizardRoundTrip());
    EXPECT_EQ(tk::LiveGdiObjects(), before);
    for (int i = 0; i < 100; ++i)
        ShortcutDialogRoundTrip();
    EXPECT_EQ(tk::LiveGdiObjects(), before);
}

void CheckTaskbarButton() {
    WizardWindow wizard;
    ASSERT_TRUE(wizard.Create());
    wizard.Show();
    tk::ProcessMessages();
    HWND app = tk::ApplicationWindow();
    // An owned window has no button: the application window's shows its title.
    EXPECT_EQ(::GetWindow(wizard.Handle(), GW_OWNER), app);
    EXPECT_FALSE(::GetWindowLongA(wizard.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(::IsWindowVisible(app));
    EXPECT_FALSE(::GetWindowLongA(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    char title[64] = {};
    ::GetWindowTextA(app, title, sizeof title);
    EXPECT_STREQ(title, "KELvar 5.0 - Setup");
    // Minimised, the wizard goes with the button's window and comes back with it.
    ::SendMessageA(wizard.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    tk::ProcessMessages();
    EXPECT_TRUE(::IsIconic(app));
    EXPECT_FALSE(::IsWindowVisible(wizard.Handle()));
    ::SendMessageA(app, WM_SYSCOMMAND, SC_RESTORE, 0); // a click on the button
    tk::ProcessMessages();
    EXPECT_TRUE(::IsWindowVisible(wizard.Handle()));
}

TEST(WindowLifetime, TheTaskbarButtonIsTheApplicationsAndOwnsTheWizard) {
    tk::SetApplicationTitle("KELvar 5.0 - Setup");
    CheckTaskbarButton();
    DropQuit();
}

// What a screen reader is told about the wizard's own controls.
struct Seen {
    LONG role = 0, state = 0;
    std::string name;
};

std::string Narrow(BSTR b) {
    if (!b)
        return {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, b, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, b, -1, s.data(), n, nullptr, nullptr);
    s.resize(s.empty() ? 0 : s.size() - 1);
    return s;
}

Seen Ask(IAccessible* acc) {
    Seen seen;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT v;
    if (SUCCEEDED(acc->get_accRole(self, &v)))
        seen.role = v.lVal;
    if (SUCCEEDED(acc->get_accState(self, &v)))
        seen.state = v.lVal;
    BSTR name = nullptr;
    if (SUCCEEDED(acc->get_accName(self, &name))) {
        seen.name = Narrow(name);
        ::SysFreeString(name);
    }
    return seen;
}

// Asked as a screen reader does, through WM_GETOBJECT, where Wine can carry
// the object back; else from the control directly.
Seen AskControl(const tk::TControl& control, bool& throughMessage) {
    const LRESULT answer = ::SendMessageA(control.Handle(), WM_GETOBJECT, 0,
                                          static_cast<LPARAM>(static_cast<LONG>(OBJID_CLIENT)));
    EXPECT_NE(answer, 0) << "WM_GETOBJECT not answered";
    IAccessible* acc = nullptr;
    throughMessage = answer && SUCCEEDED(::ObjectFromLresult(answer, __uuidof(IAccessible), 0,
                                                             reinterpret_cast<void**>(&acc)));
    if (!throughMessage)
        acc = control.NewAccessibleObject();
    const Seen seen = Ask(acc);
    acc->Release();
    return seen;
}

TEST(Accessibility, ButtonsAndLabelsHaveRoleNameAndState) {
    tk::ComApartment com;
    Thrower w;
    w.Create();
    tk::TSpeedButton cancel;
    cancel.Create(w.Handle(), 8, 120, 10, 91, 30, "&Abbrechen", 0, tk::TSpeedButton::GlyphPos::None,
                  {});
    cancel.SetVisible(true);
    tk::TLabel label;
    label.Create(w.Handle(), 9, 10, 60, "Zielverzeichnis:", {});

    bool viaMessage = false;
    Seen next = AskControl(w.button, viaMessage);
    std::cout << "accessible objects read " << (viaMessage ? "through WM_GETOBJECT" : "directly")
              << "\n";
    EXPECT_EQ(next.role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(next.name, "Weiter");
    EXPECT_EQ(next.state, 0);

    Seen c = AskControl(cancel, viaMessage);
    EXPECT_EQ(c.role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(c.name, "Abbrechen");
    EXPECT_EQ(c.state, 0);
    cancel.SetEnabled(false);
    c = AskControl(cancel, viaMessage);
    EXPECT_EQ(c.state, STATE_SYSTEM_UNAVAILABLE);

    const Seen l = AskControl(label, viaMessage);
    EXPECT_EQ(l.role, ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(l.name, "Zielverzeichnis:");
    EXPECT_EQ(l.state, STATE_SYSTEM_READONLY);

    // Pressing it through the object clicks the button as a user would.
    IAccessible* acc = w.button.NewAccessibleObject();
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(acc->accDoDefaultAction(self), S_OK);
    acc->Release();
    tk::ProcessMessages();
    EXPECT_EQ(w.clicks, 1);
}

} // namespace
