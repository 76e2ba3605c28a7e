// The toolkit under Wine: the message dialog's buttons, default and Escape,
// and the default error handler.
#include "runtime/errors.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/errorhandler.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

struct SeenBox {
    std::string caption, text;
    std::vector<std::string> buttons;
    std::string focused;
};

// Finds the open message dialog of this thread.
HWND FindBox() {
    return ::FindWindowA(tk::kMsgDlgClass, nullptr);
}

std::string Text(HWND h) {
    char buf[1024] = {};
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

SeenBox Inspect(HWND box) {
    SeenBox seen;
    seen.caption = Text(box);
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        char cls[64] = {};
        ::GetClassNameA(c, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") == 0)
            seen.buttons.push_back(Text(c));
        else if (::GetDlgCtrlID(c) == 1000)
            seen.text = Text(c);
    }
    seen.focused = Text(::GetFocus());
    return seen;
}

// Runs `show` while a timer inspects the box and then sends it one key.
struct BoxDriver {
    static inline SeenBox seen;
    static inline WPARAM key = 0;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindBox();
        if (!box)
            return;
        ::KillTimer(nullptr, id);
        seen = Inspect(box);
        HWND target = ::GetFocus();
        ::PostMessageA(target, WM_KEYDOWN, key, 0);
        ::PostMessageA(target, WM_KEYUP, key, 0xC0000000);
    }
};

tk::ModalResult ShowAndPress(const std::string& text, tk::MsgDlgType type, unsigned buttons,
                             WPARAM key) {
    BoxDriver::seen = {};
    BoxDriver::key = key;
    ::SetTimer(nullptr, 0, 50, BoxDriver::OnTimer);
    return tk::MessageDlg(text, type, buttons);
}

TEST(MessageDlg, ConfirmationYesNo) {
    EXPECT_EQ(ShowAndPress("Frage?", tk::MsgDlgType::mtConfirmation, tk::mbYesNo, VK_RETURN),
              tk::ModalResult::mrYes);
    EXPECT_EQ(BoxDriver::seen.caption, "Bestätigung");
    EXPECT_EQ(BoxDriver::seen.text, "Frage?");
    EXPECT_EQ(BoxDriver::seen.buttons, (std::vector<std::string>{"&Ja", "&Nein"}));
    EXPECT_EQ(BoxDriver::seen.focused, "&Ja");
    EXPECT_EQ(ShowAndPress("Frage?", tk::MsgDlgType::mtConfirmation, tk::mbYesNo, VK_ESCAPE),
              tk::ModalResult::mrNo);
}

TEST(MessageDlg, CaptionsAndEscapeByKind) {
    EXPECT_EQ(ShowAndPress("a\rb", tk::MsgDlgType::mtWarning, tk::mbOK, VK_ESCAPE),
              tk::ModalResult::mrOk);
    EXPECT_EQ(BoxDriver::seen.caption, "Warnung");
    EXPECT_EQ(BoxDriver::seen.text, "a\rb"); // a lone CR is kept as the line break
    ShowAndPress("x", tk::MsgDlgType::mtError, tk::mbOK, VK_RETURN);
    EXPECT_EQ(BoxDriver::seen.caption, "Fehler");
    ShowAndPress("x", tk::MsgDlgType::mtInformation, tk::mbOK, VK_RETURN);
    EXPECT_EQ(BoxDriver::seen.caption, "Information");
    EXPECT_EQ(ShowAndPress("Diskette", tk::MsgDlgType::mtConfirmation, tk::mbOKCancel, VK_ESCAPE),
              tk::ModalResult::mrCancel);
    EXPECT_EQ(BoxDriver::seen.buttons, (std::vector<std::string>{"OK", "Abbrechen"}));
    EXPECT_EQ(BoxDriver::seen.focused, "OK");
    EXPECT_EQ(ShowAndPress("Diskette", tk::MsgDlgType::mtConfirmation, tk::mbOKCancel, VK_RETURN),
              tk::ModalResult::mrOk);
}

TEST(ErrorHandler, ShowsRuntimeTextWithFullStopUnderTheTitle) {
    tk::SetApplicationTitle("KELvar 5.0 - Setup");
    BoxDriver::seen = {};
    BoxDriver::key = VK_RETURN;
    ::SetTimer(nullptr, 0, 50, BoxDriver::OnTimer);
    bool after = false;
    const bool ok = tk::Guard([&] {
        throw rt::EInOutError(5);
        after = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(after);
    EXPECT_EQ(BoxDriver::seen.caption, "KELvar 5.0 - Setup");
    EXPECT_EQ(BoxDriver::seen.text, "Dateizugriff verweigert.");
    EXPECT_EQ(BoxDriver::seen.buttons, (std::vector<std::string>{"OK"}));
}

} // namespace
