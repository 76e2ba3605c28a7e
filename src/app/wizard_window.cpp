// The wizard window: creation, page flow, Back and Cancel, keyboard handling.
#include "app/wizard_window.h"
#include "app/wizard_window_ids.h"
#include "app/resource.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/dialogs.h"
#include "toolkit/gdi.h"

namespace {
constexpr int kClientW = 632, kClientH = 453;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Counts the handlers running, so a close request can be refused meanwhile.
class BusyScope {
public:
    explicit BusyScope(int& counter) : counter_(counter) { ++counter_; }
    ~BusyScope() { --counter_; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& counter_;
};
} // namespace

std::string WindowText(HWND hwnd) {
    const int n = ::GetWindowTextLengthA(hwnd);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    const int got = ::GetWindowTextA(hwnd, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return s;
}

WizardWindow::~WizardWindow() {
    DestroyHandle();
}

bool WizardWindow::Create() {
    // LoadIcon shares the icon: nothing to destroy. The application window,
    // which Alt+Tab and the taskbar show, carries the same.
    HICON icon = ::LoadIconA(tk::Instance(), MAKEINTRESOURCEA(IDI_KELVAR));
    RegisterWindowClass({.name = kClassName, .icon = icon});
    tk::SetApplicationIcon(icon);

    RECT r{0, 0, tk::Scale(kClientW), tk::Scale(kClientH)};
    ::AdjustWindowRectEx(&r, kStyle, FALSE, WS_EX_CONTROLPARENT);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    // Owned by the application window: its button on the taskbar shows the application title.
    return CreateHandle(WS_EX_CONTROLPARENT, kClassName, txt::MainCaption, kStyle, x, y, w, h,
                        tk::ApplicationWindow(), nullptr) != nullptr;
}

void WizardWindow::OnCreate() {
    if (!tk::MainWindow())
        tk::SetMainWindow(hwnd_);
    tk::RegisterKeyboardTarget(hwnd_, this);
    pageBrush_.reset(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
    background_ = tk::LoadBitmapResource(IDB_BACKGROUND);
    CreateControls();
    FormCreate();
}

void WizardWindow::Show() {
    ::SendMessageA(hwnd_, tk::WM_FORMSHOW, 0, 0);
    ::ShowWindow(tk::ApplicationWindow(), SW_SHOWNA);
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_);
    ::SetForegroundWindow(hwnd_);
}

// --- Window handlers -----------------------------------------------------------

void WizardWindow::FormCreate() {
    char path[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string exe(path, n);
    const auto slash = exe.find_last_of("\\:");
    // "D:\Setup.exe" gives "D:"; the backslash of a root is not kept.
    programDir_ = slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
    programDir_ = rt::WithoutTrailingBackslash(programDir_);
}

void WizardWindow::FormShow() {
    ShowPage(rt::Page::Welcome);
}

void WizardWindow::FormClose() {
    snapshots_.FreeLists();
    ::DestroyWindow(hwnd_);
}

void WizardWindow::OnBack() {
    const rt::Page page = ActivePage();
    const rt::Page target = rt::BackTarget(page);
    if (target != page)
        ShowPage(target);
}

void WizardWindow::OnNext() {
    switch (ActivePage()) {
    case rt::Page::Welcome:
        NextOnWelcome();
        break;
    case rt::Page::Agreement:
        NextOnAgreement();
        break;
    case rt::Page::Name:
        NextOnName();
        break;
    case rt::Page::Drive:
        NextOnDrive();
        break;
    default:
        break;
    }
}

void WizardWindow::OnCancel() {
    if (tk::MessageDlg(txt::AskCancelSetup, tk::MsgDlgType::mtConfirmation, tk::mbYesNo) ==
        tk::ModalResult::mrYes)
        Close();
}

void WizardWindow::Close() {
    closing_ = true;
    if (busy_ == 0)
        ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    // Else OnCommand closes the window once the running handler has returned.
}

// --- Pages and buttons -----------------------------------------------------------

rt::Page WizardWindow::ActivePage() const {
    const tk::TTabSheet* sheets[] = {&welcomePage_, &agreementPage_, &namePage_,
                                     &drivePage_,   &summaryPage_,   &progressPage_};
    for (int i = 0; i < rt::kPageCount; ++i)
        if (sheets[i]->Visible())
            return static_cast<rt::Page>(i);
    return rt::Page::Welcome;
}

void WizardWindow::ShowPage(rt::Page page) {
    tk::TTabSheet* sheets[] = {&welcomePage_, &agreementPage_, &namePage_,
                               &drivePage_,   &summaryPage_,   &progressPage_};
    const int index = static_cast<int>(page);
    // Show the new page before hiding the old one so the area never flashes empty.
    sheets[index]->SetVisible(true);
    for (int i = 0; i < rt::kPageCount; ++i)
        if (i != index)
            sheets[i]->SetVisible(false);
    sheets[index]->Repaint();
    SetButtons(rt::ButtonsFor(page, runStarted_));
    // Keep the focus on the visible page.
    HWND focus = ::GetFocus();
    if (!focus || !::IsWindowVisible(focus) || !::IsChild(hwnd_, focus)) {
        HWND first = ::GetNextDlgTabItem(sheets[index]->Handle(), nullptr, FALSE);
        ::SetFocus(first && ::IsChild(sheets[index]->Handle(), first) ? first : hwnd_);
    }
}

void WizardWindow::SetButtons(const rt::ButtonStates& states) {
    struct Row {
        tk::TSpeedButton& button;
        bool visible;
    };
    const Row rows[] = {{backButton_, states.back},
                        {nextButton_, states.next},
                        {installButton_, states.install},
                        {cancelButton_, states.cancel}};
    // Hide before showing: "&Weiter" and "&Installieren" share one place.
    for (bool show : {false, true})
        for (const Row& r : rows)
            if (r.visible == show && r.button.Visible() != show) {
                r.button.SetVisible(show);
                r.button.Repaint();
            }
    cancelButton_.SetEnabled(states.cancelEnabled);
}

// --- Keyboard ------------------------------------------------------------------------

bool WizardWindow::DialogChar(char ch) {
    // Only a visible, enabled button answers its Alt letter.
    tk::TSpeedButton* buttons[] = {&backButton_, &nextButton_, &cancelButton_, &installButton_};
    const char key = rt::UpperAZ(ch);
    for (tk::TSpeedButton* b : buttons)
        if (b->AccelChar() == key && b->Visible() && b->Enabled()) {
            b->ClickIfActive();
            return true;
        }
    return false;
}

bool WizardWindow::PreTranslate(MSG& msg) {
    if (msg.message == WM_SYSCHAR && DialogChar(static_cast<char>(msg.wParam)))
        return true;
    if (!::IsWindowEnabled(hwnd_))
        return false;
    return ::IsDialogMessageA(hwnd_, &msg) != FALSE;
}

// --- Window procedure ------------------------------------------------------------------

void WizardWindow::OnCommand(int id, int code, HWND) {
    const bool handled = id == kIdBackButton || id == kIdNextButton || id == kIdCancelButton ||
                         id == kIdInstallButton || (id == kIdBrowseLink && code == STN_CLICKED);
    if (!handled)
        return;
    // A handler that shows a box or pumps messages lets through whatever was
    // posted meanwhile (BM_CLICK, a screen reader's default action): no second
    // handler runs inside it, whatever the buttons show.
    if (busy_ > 0)
        return;
    {
        BusyScope busy(busy_);
        switch (id) {
        case kIdBackButton:
            OnBack();
            break;
        case kIdNextButton:
            OnNext();
            break;
        case kIdCancelButton:
            OnCancel();
            break;
        case kIdInstallButton:
            OnInstall();
            break;
        case kIdBrowseLink:
            OnBrowse();
            break;
        default:
            break;
        }
    }
    if (closing_ && busy_ == 0 && hwnd_)
        FormClose();
}

void WizardWindow::PaintBackground(HDC dc) {
    RECT rc;
    ::GetClientRect(hwnd_, &rc);
    if (!background_) {
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    const SIZE s = tk::BitmapSize(background_.get());
    tk::MemoryDC mem(dc, background_.get());
    if (s.cx == rc.right && s.cy == rc.bottom) {
        ::BitBlt(dc, 0, 0, s.cx, s.cy, mem.get(), 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(dc, HALFTONE);
        ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, s.cx, s.cy, SRCCOPY);
    }
}

LRESULT WizardWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wp));
        return 1;
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wp), ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(pageBrush_.get());
    case WM_CLOSE:
        // The run pumps messages and still needs the lists: the close box is
        // refused meanwhile; the window's own Close waits until the handler returns.
        if (busy_ > 0) {
            if (!closing_)
                ::MessageBeep(MB_OK);
            return 0;
        }
        FormClose();
        return 0;
    case WM_ACTIVATE:
        if (focusKeeper_.OnActivate(hwnd_, wp))
            return 0;
        break;
    case WM_CREATE:
        OnCreate();
        return 0;
    case tk::WM_FORMSHOW:
        FormShow();
        return 0;
    case WM_SYSCOMMAND:
        // Minimised through the application window, whose button stays on the taskbar.
        if ((wp & 0xFFF0) == SC_MINIMIZE) {
            tk::MinimizeApplication();
            return 0;
        }
        break;
    case WM_DESTROY:
        tk::UnregisterKeyboardTarget(hwnd_);
        if (tk::MainWindow() == hwnd_) {
            tk::SetMainWindow(nullptr);
            ::PostQuitMessage(0);
        }
        return 0;
    }
    return Default(msg, wp, lp);
}
