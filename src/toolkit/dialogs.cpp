#include "toolkit/dialogs.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include <algorithm>
#include <vector>

namespace tk {

namespace {

struct DlgState {
    ModalResult result = ModalResult::mrNone;
    ModalResult escape = ModalResult::mrOk;
    int defaultId = IDOK;
};

constexpr int kTextId = 1000;

LRESULT CALLBACK MsgWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<DlgState*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_COMMAND:
        if (st && HIWORD(wp) == BN_CLICKED) {
            const int id = LOWORD(wp);
            // Escape arrives as IDCANCEL even where no "Abbrechen" button exists.
            if (id == IDCANCEL)
                st->result = (::GetDlgItem(hwnd, IDCANCEL) ? ModalResult::mrCancel : st->escape);
            else if (id == IDOK || id == IDYES || id == IDNO)
                st->result = static_cast<ModalResult>(id);
        }
        return 0;
    case DM_GETDEFID:
        return st ? MAKELRESULT(st->defaultId, DC_HASDEFID) : 0;
    case WM_CLOSE:
        if (st)
            st->result = st->escape;
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wp), ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    default:
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    }
}

void RegisterMsgClass() {
    static bool done = false;
    if (done)
        return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = MsgWndProc;
    wc.hInstance = Instance();
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMsgDlgClass;
    ::RegisterClassA(&wc);
    done = true;
}

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

// The thread's enabled top-level windows are disabled while the box is up.
BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
    if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd))
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

} // namespace

ModalResult MessageDlg(const std::string& text, MsgDlgType type, unsigned buttons) {
    return MessageDlgCaption(text, CaptionFor(type), type, buttons);
}

ModalResult MessageDlgCaption(const std::string& text, const std::string& caption, MsgDlgType type,
                              unsigned buttons) {
    RegisterMsgClass();
    struct Btn {
        unsigned flag;
        int id;
        const char* text;
    };
    static const Btn kAll[] = {{mbYes, IDYES, txt::BtnYes},
                               {mbNo, IDNO, txt::BtnNo},
                               {mbOK, IDOK, txt::BtnOk},
                               {mbCancel, IDCANCEL, txt::BtnCancel}};
    std::vector<Btn> btns;
    for (const Btn& b : kAll)
        if (buttons & b.flag)
            btns.push_back(b);
    if (btns.empty())
        btns.push_back(kAll[2]);

    DlgState st;
    st.defaultId = (buttons & mbOK) || !(buttons & mbYes) ? IDOK : IDYES;
    st.escape = (buttons & mbCancel) ? ModalResult::mrCancel
                : (buttons & mbNo)   ? ModalResult::mrNo
                                     : ModalResult::mrOk;

    HFONT font = UiFont();
    // Measure the text; a lone CR breaks the line.
    RECT textRc{0, 0, Scale(420), 0};
    {
        HDC dc = ::GetDC(nullptr);
        SelectObject(dc, font);
        ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRc,
                    DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        ::ReleaseDC(nullptr, dc);
    }
    const int margin = Scale(12), icon = Scale(32), gap = Scale(12);
    const int bw = Scale(75), bh = Scale(23), bgap = Scale(8);
    const int textW = std::max<int>(textRc.right, Scale(60));
    const int textH = std::max<int>(textRc.bottom, icon);
    const int btnRowW =
        static_cast<int>(btns.size()) * bw + (static_cast<int>(btns.size()) - 1) * bgap;
    const int clientW = std::max(margin + icon + gap + textW + margin, btnRowW + 2 * margin);
    const int clientH = margin + textH + gap + bh + margin;

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT wr{0, 0, clientW, clientH};
    ::AdjustWindowRectEx(&wr, style, FALSE, exStyle);
    const int ww = wr.right - wr.left, wh = wr.bottom - wr.top;
    const int sx = (::GetSystemMetrics(SM_CXSCREEN) - ww) / 2;
    const int sy = (::GetSystemMetrics(SM_CYSCREEN) - wh) / 2;

    HWND owner = ::GetActiveWindow();
    if (!owner)
        owner = MainWindow();
    HWND dlg = ::CreateWindowExA(exStyle, kMsgDlgClass, caption.c_str(), style, sx, sy, ww, wh,
                                 owner, nullptr, Instance(), nullptr);
    if (!dlg)
        return st.escape;
    ::SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&st));

    HWND iconWnd = ::CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_ICON, margin,
                                     margin, icon, icon, dlg, nullptr, Instance(), nullptr);
    ::SendMessageA(iconWnd, STM_SETICON,
                   reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IconFor(type))), 0);
    const int textTop = margin + (textH - textRc.bottom) / 2;
    HWND textWnd = ::CreateWindowExA(0, "Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX,
                                     margin + icon + gap, textTop, textW, textRc.bottom, dlg,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)),
                                     Instance(), nullptr);
    ::SendMessageA(textWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    int bx = (clientW - btnRowW) / 2;
    const int by = margin + textH + gap;
    HWND defBtn = nullptr;
    for (const Btn& b : btns) {
        const bool isDefault = b.id == st.defaultId;
        HWND h = ::CreateWindowExA(
            0, "Button", b.text,
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), bx,
            by, bw, bh, dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), Instance(),
            nullptr);
        ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (isDefault)
            defBtn = h;
        bx += bw + bgap;
    }

    std::vector<HWND> disabled;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabled,
                        reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), dlg), disabled.end());
    for (HWND h : disabled)
        ::EnableWindow(h, FALSE);

    ::ShowWindow(dlg, SW_SHOWNORMAL);
    ::SetForegroundWindow(dlg);
    if (defBtn)
        ::SetFocus(defBtn);

    bool quit = false;
    int quitCode = 0;
    MSG msg;
    while (st.result == ModalResult::mrNone) {
        const BOOL r = ::GetMessageA(&msg, nullptr, 0, 0);
        if (r <= 0) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            st.result = st.escape;
            break;
        }
        if (!::IsDialogMessageA(dlg, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    for (HWND h : disabled)
        if (::IsWindow(h))
            ::EnableWindow(h, TRUE);
    if (owner && ::IsWindow(owner))
        ::SetActiveWindow(owner);
    ::SetWindowLongPtrA(dlg, GWLP_USERDATA, 0);
    ::DestroyWindow(dlg);
    if (quit)
        ::PostQuitMessage(quitCode);
    return st.result;
}

} // namespace tk
