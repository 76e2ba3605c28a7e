// The shortcut dialog driven like a user: a second thread posts keys and
// clicks to the real modal dialog while the test thread runs ShowModal.
#include "answer_window.h"
#include "show_watch.h"
#include "runtime/texts.h"
#include "shell/special_folder.h"
#include "shell/shortcut_dialog.h"
#include "shell_testutil.h"
#include "toolkit/app.h"
#include "toolkit/handles.h"

#include <gtest/gtest.h>

using namespace shelltest;

namespace {

constexpr int mrOk = 1, mrCancel = 2;
const std::string kLink = "\\KELvar 5.0.lnk";

class ShortcutDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_.Entered());
        desktop_ = tmp_.Sub("Desktop");
        startMenu_ = tmp_.Sub("Startmenü");
        programs_ = tmp_.Sub("Startmenü\\Programme");
        redirect_ = std::make_unique<ShellFolderRedirect>(desktop_, startMenu_, programs_);
    }
    void TearDown() override { redirect_.reset(); }

    // Creates the dialog as the program does, then shows it while the script runs.
    int Run(std::function<void(UserDriver&)> script) {
        form_.Create();
        EXPECT_NE(form_.Handle(), nullptr);
        EXPECT_FALSE(::IsWindowVisible(form_.Handle())); // created hidden
        UserDriver driver(ShortcutDialog::kClassName, std::move(script));
        return form_.ShowModal(targetDir_);
    }

    std::vector<bool> LinksPresent() const {
        return {FileExists(desktop_ + kLink), FileExists(startMenu_ + kLink),
                FileExists(programs_ + kLink)};
    }
    void ExpectLink(const std::string& folder, const std::string& target) const {
        const LinkInfo info = ReadLink(folder + kLink);
        ASSERT_TRUE(info.loaded) << folder;
        EXPECT_EQ(info.path, target);
        EXPECT_EQ(info.description, "KELvar 5.0");
        EXPECT_EQ(info.workingDir, "");
        EXPECT_EQ(info.arguments, "");
    }
    static bool Checked(HWND box) { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

    tk::ComApartment com_;
    TempDir tmp_;
    std::string desktop_, startMenu_, programs_;
    std::unique_ptr<ShellFolderRedirect> redirect_;
    std::string targetDir_ = "C:\\Programme\\KELvar";
    ShortcutDialog form_;
};

} // namespace

TEST_F(ShortcutDialogTest, EnterAcceptsTheDefaultDesktopShortcut) {
    int focusWasBox1 = -1;
    RECT client{};
    const int result = Run([&](UserDriver& u) {
        char caption[64] = {};
        ::GetWindowTextA(u.Window(), caption, sizeof caption);
        EXPECT_STREQ(caption, "Verknüpfung erstellen");
        ::GetClientRect(u.Window(), &client);
        focusWasBox1 = u.Focus() == u.ChildByText("auf dem &Desktop");
        EXPECT_TRUE(Checked(u.ChildByText("auf dem &Desktop")));
        EXPECT_FALSE(Checked(u.ChildByText("im &Start-Menü")));
        EXPECT_FALSE(Checked(u.ChildByText("im Menü '&Programme'")));
        EXPECT_NE(u.ChildByText("&Verknüpfung erstellen"), nullptr);
        EXPECT_NE(u.ChildByText("&Keine Verknüpfung erstellen"), nullptr);
        const LONG style = ::GetWindowLongA(u.Window(), GWL_STYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        u.Key(VK_RETURN);
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(focusWasBox1, 1);
    EXPECT_EQ(client.right, tk::Scale(260));
    EXPECT_EQ(client.bottom, tk::Scale(192));
    EXPECT_FALSE(::IsWindowVisible(form_.Handle()));
    EXPECT_EQ(LinksPresent(), (std::vector<bool>{true, false, false}));
    ExpectLink(desktop_, "C:\\Programme\\KELvar\\Launch.exe");
}

TEST_F(ShortcutDialogTest, AllThreeByAcceleratorsInFixedOrder) {
    const int result = Run([&](UserDriver& u) {
        u.AltKey('s');
        u.AltKey('p');
        EXPECT_TRUE(WaitFor([&] { return Checked(u.ChildByText("im Menü '&Programme'")); }));
        EXPECT_TRUE(Checked(u.ChildByText("im &Start-Menü")));
        u.AltKey('v');
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(LinksPresent(), (std::vector<bool>{true, true, true}));
    for (const std::string& folder : {desktop_, startMenu_, programs_})
        ExpectLink(folder, "C:\\Programme\\KELvar\\Launch.exe");
}

TEST_F(ShortcutDialogTest, LookupsRunDesktopStartMenuPrograms) {
    std::vector<int> order;
    form_.FolderLookup = [&](int csidl) {
        order.push_back(csidl);
        return SpecialFolderPath(csidl);
    };
    Run([](UserDriver& u) {
        u.AltKey('p');
        u.AltKey('s');
        u.Key(VK_RETURN);
    });
    EXPECT_EQ(order, (std::vector<int>{CSIDL_DESKTOPDIRECTORY, CSIDL_STARTMENU, CSIDL_PROGRAMS}));
}

TEST_F(ShortcutDialogTest, NoBoxTickedWritesNothingAndCloses) {
    const int result = Run([](UserDriver& u) {
        u.AltKey('d'); // untick the desktop
        EXPECT_TRUE(WaitFor([&] { return !Checked(u.ChildByText("auf dem &Desktop")); }));
        u.Click(u.ChildByText("&Verknüpfung erstellen"));
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(LinksPresent(), (std::vector<bool>{false, false, false}));
}

TEST_F(ShortcutDialogTest, TabAndSpaceTickTheStartMenu) {
    Run([](UserDriver& u) {
        u.Key(VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return u.Focus() == u.ChildByText("im &Start-Menü"); }));
        u.Key(VK_SPACE);
        EXPECT_TRUE(WaitFor([&] { return Checked(u.ChildByText("im &Start-Menü")); }));
        u.Key(VK_RETURN);
    });
    EXPECT_EQ(LinksPresent(), (std::vector<bool>{true, true, false}));
}

TEST_F(ShortcutDialogTest, EnterOnTheFocusedCancelButtonCancels) {
    const int result = Run([](UserDriver& u) {
        for (int i = 0; i < 4; ++i)
            u.Key(VK_TAB);
        EXPECT_TRUE(
            WaitFor([&] { return u.Focus() == u.ChildByText("&Keine Verknüpfung erstellen"); }));
        u.Key(VK_RETURN);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(LinksPresent(), (std::vector<bool>{false, false, false}));
}

// Escape, the cancel button (by mouse and by Alt+K) and the close box write
// nothing, whatever is ticked.
TEST_F(ShortcutDialogTest, EveryWayOutButCreateWritesNothing) {
    const std::function<void(UserDriver&)> exits[] = {
        [](UserDriver& u) { u.Key(VK_ESCAPE); },
        [](UserDriver& u) { u.Click(u.ChildByText("&Keine Verknüpfung erstellen")); },
        [](UserDriver& u) { u.AltKey('k'); },
        [](UserDriver& u) { u.CloseBox(); },
    };
    form_.Create();
    form_.startMenuBox.SetChecked(true);
    form_.programsBox.SetChecked(true);
    int n = 0;
    for (const auto& exit : exits) {
        SCOPED_TRACE(n++);
        UserDriver driver(ShortcutDialog::kClassName, [&](UserDriver& u) {
            EXPECT_TRUE(Checked(u.ChildByText("im Menü '&Programme'")));
            exit(u);
        });
        EXPECT_EQ(form_.ShowModal(targetDir_), mrCancel);
        EXPECT_EQ(LinksPresent(), (std::vector<bool>{false, false, false}));
    }
}

TEST_F(ShortcutDialogTest, BoxesKeepTheirStateAndAnExistingLinkIsReplaced) {
    WriteFileBytes(desktop_ + kLink, "alt");
    targetDir_ = "D:";
    Run([](UserDriver& u) { u.Key(VK_RETURN); });
    ExpectLink(desktop_, "D:\\Launch.exe"); // a drive root: one backslash
    // Shown again (the same window): the boxes are as the user left them.
    targetDir_ = "C:\\Prögramme\\KELvär";
    UserDriver driver(ShortcutDialog::kClassName, [](UserDriver& u) {
        EXPECT_TRUE(Checked(u.ChildByText("auf dem &Desktop")));
        u.Key(VK_RETURN);
    });
    EXPECT_EQ(form_.ShowModal(targetDir_), mrOk);
    ExpectLink(desktop_, "C:\\Prögramme\\KELvär\\Launch.exe");
}

TEST_F(ShortcutDialogTest, FolderThatCannotBeFoundIsSkipped) {
    // The Start menu's folder is gone: no stray link beside the process, the others are written.
    redirect_.reset();
    redirect_ = std::make_unique<ShellFolderRedirect>(desktop_, tmp_.Sub("weg", false), programs_);
    TempDir cwd;
    char old[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, old);
    ::SetCurrentDirectoryA(cwd.Path().c_str());
    std::vector<std::string> folders;
    form_.FolderLookup = [&](int csidl) {
        folders.push_back(SpecialFolderPath(csidl));
        return folders.back();
    };
    Run([](UserDriver& u) {
        u.AltKey('s');
        u.AltKey('p');
        u.Key(VK_RETURN);
    });
    ::SetCurrentDirectoryA(old);
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[1], "");
    EXPECT_TRUE(FilesIn(cwd.Path()).empty());
    EXPECT_TRUE(FileExists(desktop_ + kLink));
    EXPECT_TRUE(FileExists(programs_ + kLink));
}

// Under Wine showing and hiding the dialog take the X server some milliseconds
// each: a message that waits is answered before the dialog shows, one that
// comes while it hides before the run goes on, and the show leaves the
// painting to the queue.
TEST_F(ShortcutDialogTest, WaitingMessagesAreAnsweredBeforeTheShowAndAfterTheHide) {
    std::vector<std::string> events;
    AnswerWindow answers(events, {"first answered", "second answered"});
    ASSERT_NE(answers.Handle(), nullptr);
    {
        ShowWatch watch(ShortcutDialog::kClassName, events, [&] { answers.Post(1); });
        ASSERT_TRUE(watch.Active());
        answers.Post(0);
        EXPECT_EQ(Run([](UserDriver& u) { u.Key(VK_ESCAPE); }), mrCancel);
        events.push_back("returned");
        EXPECT_TRUE(watch.ErasedWhileShowing().empty()) << watch.ErasedWhileShowing().size();
    }
    EXPECT_EQ(events, (std::vector<std::string>{"first answered", "show", "hide", "second answered",
                                                "returned"}));
}

TEST_F(ShortcutDialogTest, OwnerDisabledWhileOpen) {
    HWND owner = ::CreateWindowExA(0, "STATIC", "Hauptfenster", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                   0, 200, 100, nullptr, nullptr, tk::Instance(), nullptr);
    tk::SetMainWindow(owner);
    bool ownerEnabledWhileOpen = true;
    Run([&](UserDriver& u) {
        ownerEnabledWhileOpen = ::IsWindowEnabled(owner);
        EXPECT_EQ(::GetWindow(u.Window(), GW_OWNER), owner);
        u.Key(VK_ESCAPE);
    });
    EXPECT_FALSE(ownerEnabledWhileOpen);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    tk::SetMainWindow(nullptr);
    ::DestroyWindow(form_.Handle());
    ::DestroyWindow(owner);
}
