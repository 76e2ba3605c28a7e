// The window base under Wine: the exception barrier of the one window
// procedure, and windows that give back every GDI object they took.
#include "app/wizard/wizard_window.h"
#include "app/wizard/control_ids.h"
#include "runtime/texts.h"
#include "shell/shortcut_dialog.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/dialogs.h"
#include "toolkit/gdi.h"
#include "toolkit/window.h"
#include "toolkit/handles.h"
#include "answer_window.h"
#include "importhook.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <iostream>
#include <oleacc.h>
#include <stdexcept>
#include <string>
#include <vector>
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
    // Alt+Tab shows the application window with the wizard's icon.
    EXPECT_NE(::GetClassLongPtrA(app, GCLP_HICON), 0u);
    EXPECT_EQ(::GetClassLongPtrA(app, GCLP_HICON), ::GetClassLongPtrA(wizard.Handle(), GCLP_HICON));
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

TEST(Accessibility, AClickOnAControlOfADisabledWindowDoesNothing) {
    tk::ComApartment com;
    Thrower w;
    w.Create();
    // What a modal box does to the window beneath it.
    ::EnableWindow(w.Handle(), FALSE);
    ::PostMessageA(w.button.Handle(), BM_CLICK, 0, 0);
    tk::ProcessMessages();
    EXPECT_EQ(w.clicks, 0);
    bool viaMessage = false;
    EXPECT_EQ(AskControl(w.button, viaMessage).state, STATE_SYSTEM_UNAVAILABLE);
    ::EnableWindow(w.Handle(), TRUE);
}

// Runs a step every 20 ms on a thread timer, inside whatever modal loop runs.
class Ticker {
public:
    explicit Ticker(std::function<void()> step) {
        step_ = std::move(step);
        id_ = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { step_(); });
    }
    ~Ticker() { ::KillTimer(nullptr, id_); }
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

private:
    static inline std::function<void()> step_;
    UINT_PTR id_ = 0;
};

HWND VisibleBox() {
    HWND box = ::FindWindowA(tk::kMsgDlgClass, nullptr);
    return box && ::IsWindowVisible(box) ? box : nullptr;
}
std::string BoxText(HWND box) {
    char buf[512] = {};
    ::GetDlgItemTextA(box, 1000, buf, sizeof buf);
    return buf;
}
void Answer(HWND box, int id) {
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// A control of the wizard, on whatever page it lies.
HWND Item(const WizardWindow& w, int id) {
    struct Find {
        int id;
        HWND found = nullptr;
    } find{id};
    ::EnumChildWindows(
        w.Handle(),
        [](HWND h, LPARAM lp) {
            auto* f = reinterpret_cast<Find*>(lp);
            if (::GetDlgCtrlID(h) == f->id)
                f->found = h;
            return f->found ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

void Press(const WizardWindow& w, int id) {
    HWND b = Item(w, id);
    ::SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// The wizard on the summary page; an unexpected box is answered and named.
void ToSummary(WizardWindow& w, std::vector<std::string>& boxes,
               const std::string& target = "C:\\KELvar-" +
                                           std::to_string(::GetCurrentProcessId())) {
    Ticker answer([&] {
        if (HWND box = VisibleBox()) {
            boxes.push_back(BoxText(box));
            Answer(box, IDOK);
        }
    });
    Press(w, kIdNextButton);
    ::SendMessageA(Item(w, kIdAgreeBox), BM_SETCHECK, BST_CHECKED, 0);
    Press(w, kIdNextButton);
    ::SetWindowTextA(Item(w, kIdNameEdit), "Erika Müller");
    ::SetWindowTextA(Item(w, kIdTargetEdit), target.c_str());
    Press(w, kIdNextButton);
    Press(w, kIdNextButton);
}

TEST(WizardReentry, InstallClickedWhileTheCancelQuestionIsOpenDoesNotRun) {
    tk::ComApartment com;
    std::vector<std::string> boxes;
    {
        WizardWindow wizard;
        ASSERT_TRUE(wizard.Create());
        wizard.Show();
        ToSummary(wizard, boxes);
        ASSERT_EQ(wizard.ActivePage(), wizard::PageId::Summary) << (boxes.empty() ? "" : boxes[0]);
        // A run that started anyway would stop at once on a drive that is not there.
        ASSERT_EQ(::GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
        ::SetWindowTextA(Item(wizard, kIdTargetEdit), "Q:\\KELvar");
        HWND install = Item(wizard, kIdInstallButton);
        int ticks = 0;
        Ticker script([&] {
            HWND box = VisibleBox();
            if (!box)
                return;
            if (BoxText(box) != txt::AskCancelSetup) {
                boxes.push_back(BoxText(box));
                Answer(box, IDOK);
            } else if (++ticks == 1) {
                // As a screen reader's default action arrives, and as a command
                // posted to the window.
                ::PostMessageA(install, BM_CLICK, 0, 0);
                ::PostMessageA(wizard.Handle(), WM_COMMAND,
                               MAKEWPARAM(kIdInstallButton, BN_CLICKED),
                               reinterpret_cast<LPARAM>(install));
            } else if (ticks > 5) {
                Answer(box, IDNO);
            }
        });
        Press(wizard, kIdCancelButton);
        tk::ProcessMessages();
        EXPECT_GT(ticks, 5);
        EXPECT_TRUE(boxes.empty()) << boxes[0];
        ASSERT_TRUE(::IsWindow(wizard.Handle()));
        EXPECT_EQ(wizard.ActivePage(), wizard::PageId::Summary);
        EXPECT_TRUE(::IsWindowVisible(install));
    }
    DropQuit();
}

// What the switch to the progress page did, in order: the test's message
// answered, or the progress page (a window that holds its bar, inside the
// pages' frame) painted through RedrawWindow.
std::vector<std::string> switchEvents;
HWND progressBar = nullptr, pagesFrame = nullptr;
ImportHook* redrawHook = nullptr;

BOOL WINAPI RecordRedraw(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
    if (::IsChild(pagesFrame, hwnd) && ::IsChild(hwnd, progressBar))
        switchEvents.push_back("paint");
    return redrawHook->Original<decltype(&::RedrawWindow)>()(hwnd, rect, region, flags);
}

TEST(WizardRun, TheSwitchToTheProgressPageAnswersBeforeThePagePaints) {
    // Under Wine the switch takes about 20 ms, most of it before the page
    // paints: a message that is waiting is answered before that paint.
    tk::ComApartment com;
    std::vector<std::string> boxes;
    {
        WizardWindow wizard;
        ASSERT_TRUE(wizard.Create());
        wizard.Show();
        // The run stops at once: a file stands where the target folder would
        // be made, and the box about it leads back to the name page.
        const std::string blocker = "C:\\KELvar-file-" + std::to_string(::GetCurrentProcessId());
        tk::FileHandle file(::CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        file.reset();
        for (const char* temp : {"C:\\Kvr5~tmp", "C:\\Kvr5tmp~"})
            ASSERT_EQ(::GetFileAttributesA(temp), INVALID_FILE_ATTRIBUTES) << temp;
        ToSummary(wizard, boxes, blocker + "\\Ziel");
        ASSERT_EQ(wizard.ActivePage(), wizard::PageId::Summary) << (boxes.empty() ? "" : boxes[0]);
        progressBar = Item(wizard, kIdProgressBar);
        for (pagesFrame = progressBar; pagesFrame && ::GetParent(pagesFrame) != wizard.Handle();)
            pagesFrame = ::GetParent(pagesFrame);
        ASSERT_NE(pagesFrame, nullptr);
        switchEvents.clear();
        AnswerWindow other(switchEvents);
        ASSERT_NE(other.Handle(), nullptr);
        {
            ImportHook hook("user32.dll", "RedrawWindow",
                            reinterpret_cast<const void*>(&RecordRedraw));
            ASSERT_TRUE(hook.Active());
            redrawHook = &hook;
            Ticker answer([&] {
                if (HWND box = VisibleBox())
                    Answer(box, IDOK);
            });
            other.Post();
            Press(wizard, kIdInstallButton);
            tk::ProcessMessages();
            redrawHook = nullptr;
        }
        EXPECT_EQ(wizard.ActivePage(), wizard::PageId::Name);
        ASSERT_FALSE(switchEvents.empty());
        EXPECT_EQ(switchEvents.front(), "answered") << switchEvents.size() << " events";
        EXPECT_NE(std::find(switchEvents.begin(), switchEvents.end(), "paint"), switchEvents.end());
        ::RemoveDirectoryA("C:\\Kvr5~tmp"); // the run's own, left for a retry
        ::DeleteFileA(blocker.c_str());
    }
    DropQuit();
}

TEST(WizardKeyboard, TheFocusComesBackAfterAnotherWindowAndAfterABox) {
    {
        WizardWindow wizard;
        ASSERT_TRUE(wizard.Create());
        wizard.Show();
        Press(wizard, kIdNextButton);
        HWND list = Item(wizard, kIdLicenceList);
        ::SetFocus(list);
        Thrower other;
        other.Create();
        ::SetActiveWindow(other.Handle());
        tk::ProcessMessages();
        ASSERT_NE(::GetFocus(), list);
        ::SetActiveWindow(wizard.Handle()); // Alt+Tab back
        tk::ProcessMessages();
        EXPECT_EQ(::GetFocus(), list);

        Ticker no([] {
            if (HWND box = VisibleBox())
                Answer(box, IDNO);
        });
        Press(wizard, kIdCancelButton);
        tk::ProcessMessages();
        EXPECT_EQ(::GetFocus(), list);
    }
    DropQuit();
}

TEST(Accessibility, FieldsAreNamedAfterTheLabelBesideThem) {
    tk::ComApartment com;
    {
        WizardWindow wizard;
        ASSERT_TRUE(wizard.Create());
        const struct {
            int id;
            const char* name;
        } fields[] = {{kIdNameEdit, txt::NameCaption},
                      {kIdTargetEdit, txt::TargetCaption},
                      {kIdDriveList, txt::DriveCaption},
                      {kIdDesignationEdit, txt::DesignationCaption},
                      {kIdAgreeBox, txt::AgreeBox}};
        for (const auto& f : fields) {
            IAccessible* acc = nullptr;
            ASSERT_EQ(
                ::AccessibleObjectFromWindow(Item(wizard, f.id), static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible), reinterpret_cast<void**>(&acc)),
                S_OK);
            const Seen seen = Ask(acc);
            acc->Release();
            EXPECT_EQ(seen.name, f.name);
        }
    }
    DropQuit();
}

struct DialogEvents {
    static inline std::vector<std::string> seen;
    static void CALLBACK Hook(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD,
                              DWORD) {
        char cls[64] = "gone";
        ::GetClassNameA(hwnd, cls, sizeof cls);
        if (object == OBJID_WINDOW)
            seen.push_back((event == EVENT_SYSTEM_DIALOGSTART ? "start " : "end ") +
                           std::string(cls));
    }
};

TEST(Accessibility, BoxesAndTheShortcutDialogAnnounceThemselvesAndReadOut) {
    tk::ComApartment com;
    // In context: called at once, while the box still exists.
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_SYSTEM_DIALOGSTART, EVENT_SYSTEM_DIALOGEND,
                                           ::GetModuleHandleA(nullptr), DialogEvents::Hook,
                                           ::GetCurrentProcessId(), 0, WINEVENT_INCONTEXT);
    ASSERT_NE(hook, nullptr);
    Seen text, box;
    LONG boxChildren = -1;
    {
        Ticker read([&] {
            if (HWND shown = VisibleBox()) {
                IAccessible* acc = nullptr;
                if (SUCCEEDED(::AccessibleObjectFromWindow(
                        ::GetDlgItem(shown, 1000), static_cast<DWORD>(OBJID_CLIENT),
                        __uuidof(IAccessible), reinterpret_cast<void**>(&acc)))) {
                    text = Ask(acc);
                    acc->Release();
                }
                if (SUCCEEDED(::AccessibleObjectFromWindow(shown, static_cast<DWORD>(OBJID_CLIENT),
                                                           __uuidof(IAccessible),
                                                           reinterpret_cast<void**>(&acc)))) {
                    box = Ask(acc);
                    acc->get_accChildCount(&boxChildren);
                    acc->Release();
                }
                Answer(shown, IDOK);
            }
        });
        tk::MessageDlg("Setup erfolgreich abgeschlossen!", tk::MsgDlgType::mtInformation, tk::mbOK);
    }
    // Windows reports it as ROLE_SYSTEM_STATICTEXT; Wine's object has only ROLE_SYSTEM_CLIENT.
    EXPECT_EQ(text.name, "Setup erfolgreich abgeschlossen!");
    // The box is a dialog to a screen reader, as the system's boxes and the
    // directory picker are, and keeps the system's children: icon, text, button.
    EXPECT_EQ(box.role, ROLE_SYSTEM_DIALOG);
    EXPECT_GE(boxChildren, 3);

    ShortcutDialog form;
    form.Create();
    {
        Ticker skip([&] {
            if (::IsWindowVisible(form.Handle()))
                ::PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
        });
        form.ShowModal("C:\\KELvar");
    }
    tk::ProcessMessages();
    ::UnhookWinEvent(hook);
    const std::vector<std::string> expected = {"start TMessageForm", "end TMessageForm",
                                               "start TForm2", "end TForm2"};
    EXPECT_EQ(DialogEvents::seen, expected);
}

} // namespace
