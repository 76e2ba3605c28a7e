#include "toolkit/dialogs.h"
#include "runtime/texts.h"
#include "runtime/message_box_layout.h"
#include "toolkit/accessible.h"
#include "toolkit/app.h"
#include "toolkit/gdi.h"
#include "toolkit/window.h"
#include <algorithm>
#include <vector>

namespace tk {

namespace {

constexpr int kTextId = 1000;

const char* CaptionFor(MsgDlgType type) {
    switch (type) {
    case MsgDlgType::mtWarning:
        return txt::CaptionWarning;
    case MsgDlgType::mtError:
        return txt::CaptionError;
    case MsgDlgType::mtInformation:
        return txt::CaptionInformation;
    case MsgDlgType::mtConfirmation:
        return txt::CaptionConfirmation;
    }
    return "";
}

LPCSTR IconFor(MsgDlgType type) {
    switch (type) {
    case MsgDlgType::mtWarning:
        return IDI_EXCLAMATION;
    case MsgDlgType::mtError:
        return IDI_HAND;
    case MsgDlgType::mtInformation:
        return IDI_ASTERISK;
    case MsgDlgType::mtConfirmation:
        return IDI_QUESTION;
    }
    return IDI_ASTERISK;
}

// The thread's enabled top-level windows are disabled while a box is up.
class DisabledWindows {
public:
    explicit DisabledWindows(HWND except) {
        ::EnumThreadWindows(::GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&windows_));
        windows_.erase(std::remove(windows_.begin(), windows_.end(), except), windows_.end());
        for (HWND h : windows_)
            ::EnableWindow(h, FALSE);
    }
    ~DisabledWindows() {
        for (HWND h : windows_)
            if (::IsWindow(h))
                ::EnableWindow(h, TRUE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;

private:
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
        if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd))
            reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
        return TRUE;
    }
    std::vector<HWND> windows_;
};

struct Btn {
    unsigned flag;
    int id;
    const char* text;
};
constexpr Btn kButtons[] = {{mbYes, IDYES, txt::BtnYes},
                            {mbNo, IDNO, txt::BtnNo},
                            {mbOK, IDOK, txt::BtnOk},
                            {mbCancel, IDCANCEL, txt::BtnCancel}};

rt::MsgBoxLayout Layout(const std::string& text, int buttonCount, HFONT font) {
    WindowDC dc(nullptr);
    SelectGuard sel(dc.get(), font);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc.get(), &tm);
    const rt::MsgBoxMetrics m{.lineHeight = tm.tmHeight,
                              .maxTextWidth = Scale(420),
                              .minTextWidth = Scale(60),
                              .margin = Scale(12),
                              .icon = Scale(32),
                              .gap = Scale(12),
                              .buttonWidth = Scale(75),
                              .buttonHeight = Scale(23),
                              .buttonGap = Scale(8)};
    return rt::LayoutMessageBox(text, buttonCount, m, [&](std::string_view line) {
        RECT rc{0, 0, 0, 0};
        ::DrawTextA(dc.get(), line.data(), static_cast<int>(line.size()), &rc,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
        return static_cast<int>(rc.right);
    });
}

class TMessageForm : public TWindow {
public:
    TMessageForm(unsigned buttons)
        : defaultId_((buttons & mbOK) || !(buttons & mbYes) ? IDOK : IDYES),
          escape_((buttons & mbCancel) ? ModalResult::mrCancel
                  : (buttons & mbNo)   ? ModalResult::mrNo
                                       : ModalResult::mrOk) {
        for (const Btn& b : kButtons)
            if (buttons & b.flag)
                buttons_.push_back(b);
        if (buttons_.empty())
            buttons_.push_back(kButtons[2]);
    }
    ~TMessageForm() override { DestroyHandle(); }

    ModalResult ShowModal(const std::string& text, const std::string& caption, MsgDlgType type) {
        RegisterWindowClass(
            {.name = kMsgDlgClass, .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
        HFONT font = UiFont();
        const rt::MsgBoxLayout box = Layout(text, static_cast<int>(buttons_.size()), font);
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
        RECT wr{0, 0, box.clientWidth, box.clientHeight};
        ::AdjustWindowRectEx(&wr, style, FALSE, exStyle);
        const int ww = wr.right - wr.left, wh = wr.bottom - wr.top;
        HWND owner = ::GetActiveWindow();
        if (!owner)
            owner = MainWindow();
        if (!CreateHandle(exStyle, kMsgDlgClass, caption.c_str(), style,
                          (::GetSystemMetrics(SM_CXSCREEN) - ww) / 2,
                          (::GetSystemMetrics(SM_CYSCREEN) - wh) / 2, ww, wh, owner, nullptr))
            return escape_;

        HWND icon = Child("Static", "", SS_ICON, box.icon, 0);
        ::SendMessageA(icon, STM_SETICON,
                       reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IconFor(type))), 0);
        HWND textWnd = Child("Static", text.c_str(), SS_NOPREFIX, box.text, kTextId);
        ::SendMessageA(textWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        HWND defBtn = nullptr;
        for (std::size_t i = 0; i < buttons_.size(); ++i) {
            const bool isDefault = buttons_[i].id == defaultId_;
            HWND h = Child("Button", buttons_[i].text,
                           WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                           box.buttons[i], buttons_[i].id);
            ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (isDefault)
                defBtn = h;
        }
        {
            DisabledWindows disabled(hwnd_);
            // Making the box and showing it take some milliseconds each under
            // Wine: what has come meanwhile is answered in between, now that
            // the other windows take no input.
            ProcessMessages();
            ShowPaintingLater(hwnd_);
            ::SetForegroundWindow(hwnd_);
            if (defBtn)
                ::SetFocus(defBtn);
            RunModal(hwnd_, [this] { return result_ != ModalResult::mrNone; });
        }
        if (owner && ::IsWindow(owner))
            ::SetActiveWindow(owner);
        // The program is ending: the box counts as escaped.
        return result_ == ModalResult::mrNone ? escape_ : result_;
    }

private:
    HWND Child(const char* cls, const char* text, DWORD style, const rt::Rect& r, int id) {
        return ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(),
                                 nullptr);
    }

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) {
                const int id = LOWORD(wp);
                // Escape arrives as IDCANCEL even where no "Abbrechen" button exists.
                if (id == IDCANCEL)
                    result_ = ::GetDlgItem(hwnd_, IDCANCEL) ? ModalResult::mrCancel : escape_;
                else if (id == IDOK || id == IDYES || id == IDNO)
                    result_ = static_cast<ModalResult>(id);
            }
            return 0;
        case DM_GETDEFID:
            return MAKELRESULT(defaultId_, DC_HASDEFID);
        case WM_GETOBJECT:
            // Announced as a dialog (RunModal), read as one.
            if (const LRESULT answer = AnswerGetObjectAsDialog(hwnd_, wp, lp))
                return answer;
            return Default(msg, wp, lp);
        case WM_CLOSE:
            result_ = escape_;
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            ::SetBkColor(reinterpret_cast<HDC>(wp), ::GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        default:
            return Default(msg, wp, lp);
        }
    }

    std::vector<Btn> buttons_;
    int defaultId_;
    ModalResult escape_;
    ModalResult result_ = ModalResult::mrNone;
};

} // namespace

ModalResult MessageDlg(const std::string& text, MsgDlgType type, unsigned buttons) {
    return MessageDlgCaption(text, CaptionFor(type), type, buttons);
}

ModalResult MessageDlgCaption(const std::string& text, const std::string& caption, MsgDlgType type,
                              unsigned buttons) {
    TMessageForm form(buttons);
    return form.ShowModal(text, caption, type);
}

} // namespace tk
