#include "app/wizard/wizard_window.h"
#include "app/install_host.h"
#include "app/resource.h"
#include "app/wizard/control_ids.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/gdi.h"

using wizard::PageId;
namespace layout = wizard::layout;

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// Counts the handlers running, so a close request can be refused meanwhile.
struct BusyScope {
    explicit BusyScope(int& counter) : counter_(++counter) {}
    ~BusyScope() { --counter_; }
    int& counter_;
};

} // namespace

WizardWindow::~WizardWindow() {
    DestroyHandle();
}

bool WizardWindow::Create() {
    // LoadIcon shares the icon: nothing to destroy. The application window,
    // which Alt+Tab and the taskbar show, carries the same.
    HICON icon = ::LoadIconA(tk::Instance(), MAKEINTRESOURCEA(IDI_KELVAR));
    RegisterWindowClass({.name = kClassName, .icon = icon});
    tk::SetApplicationIcon(icon);

    RECT r{0, 0, tk::Scale(layout::kClientW), tk::Scale(layout::kClientH)};
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
    for (int i = 0; i < layout::kButtonCount; ++i) {
        const layout::ButtonPlace& b = layout::kButtons[i];
        buttons_[i].Create(hwnd_, b.id, b.box.x, b.box.y, b.box.w, b.box.h, b.text, b.glyph,
                           b.glyphPos, b.font);
    }
    const layout::Box s = layout::kButtonSeparator, a = layout::kPageArea;
    buttonSeparator_.Create(hwnd_, s.x, s.y, s.w, s.h, tk::TBevel::Shape::bsLeftLine);
    pageArea_.Create(hwnd_, a.x, a.y, a.w, a.h);
    for (wizard::WizardPage* page : pages_)
        page->Create(pageArea_.Handle());
}

void WizardWindow::Show() {
    GoTo(PageId::Welcome);
    ::ShowWindow(tk::ApplicationWindow(), SW_SHOWNA);
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_);
    ::SetForegroundWindow(hwnd_);
}

// --- Commands ------------------------------------------------------------------------

void WizardWindow::OnCommand(int id, int code) {
    const bool button = id >= kIdBackButton && id <= kIdInstallButton;
    if (!button && !PageHandling(id, code))
        return;
    // A handler that shows a box or pumps messages lets through whatever was
    // posted meanwhile (BM_CLICK, a screen reader's default action): no second
    // handler runs inside it, whatever the buttons show.
    if (busy_ > 0)
        return;
    {
        BusyScope busy(busy_);
        Dispatch(id, code);
    }
    if (closing_ && busy_ == 0 && hwnd_)
        ::DestroyWindow(hwnd_);
}

void WizardWindow::Dispatch(int id, int code) {
    switch (id) {
    case kIdBackButton:
        return OnBack();
    case kIdNextButton:
        return OnNext();
    case kIdCancelButton:
        return OnCancel();
    case kIdInstallButton:
        return OnInstall();
    }
    PageHandling(id, code)->OnCommand(id, code);
}

// A page's own control, whichever page shows: a screen reader's default
// action may reach a control of a hidden page too.
wizard::WizardPage* WizardWindow::PageHandling(int id, int code) const {
    for (wizard::WizardPage* page : pages_)
        if (page->Handles(id, code))
            return page;
    return nullptr;
}

void WizardWindow::OnNext() {
    const PageId next = wizard::RowOf(current_).next;
    if (next != current_ && Page(current_).OnLeave(model_))
        GoTo(next);
}

void WizardWindow::OnBack() {
    const PageId back = wizard::RowOf(current_).back;
    if (back != current_)
        GoTo(back);
}

void WizardWindow::OnCancel() {
    if (tk::MessageDlg(txt::AskCancelSetup, tk::MsgDlgType::mtConfirmation, tk::mbYesNo) ==
        tk::ModalResult::mrYes)
        Close();
}

void WizardWindow::OnInstall() {
    app::InstallRunHost host(hwnd_, progressPage_.StatusLine(), shortcutDialog_);
    app::InstallRun(model_, app::InstallerFolder(), *this, progressPage_, host);
}

// --- Pages and buttons -----------------------------------------------------------------

void WizardWindow::GoTo(PageId page) {
    // Each step of a page switch takes milliseconds under Wine, together
    // 20 ms: in the run, which refuses every command, the window answers
    // after each.
    const auto answer = [this] {
        if (runStarted_)
            tk::ProcessMessages();
    };
    wizard::WizardPage& next = Page(page);
    next.OnEnter(model_);
    current_ = page;
    answer();
    // Show the new page before hiding the old one so the area never flashes empty.
    next.Sheet().SetVisible(true);
    answer();
    for (wizard::WizardPage* other : pages_)
        if (other != &next)
            other->Sheet().SetVisible(false);
    answer();
    next.Sheet().Repaint();
    answer();
    SetButtons(wizard::ButtonsFor(page, runStarted_));
    // Keep the focus on the visible page.
    const HWND sheet = next.Sheet().Handle();
    HWND focus = ::GetFocus();
    if (!focus || !::IsWindowVisible(focus) || !::IsChild(hwnd_, focus)) {
        HWND first = ::GetNextDlgTabItem(sheet, nullptr, FALSE);
        ::SetFocus(first && ::IsChild(sheet, first) ? first : hwnd_);
    }
    if (HWND initial = next.InitialFocus())
        ::SetFocus(initial);
}

void WizardWindow::SetButtons(const wizard::ButtonStates& states) {
    const bool visible[layout::kButtonCount] = {states.back, states.next, states.cancel,
                                                states.install};
    // Hide before showing: "&Weiter" and "&Installieren" share one place.
    for (bool show : {false, true})
        for (int i : {layout::kBack, layout::kNext, layout::kInstall, layout::kCancel})
            if (visible[i] == show && buttons_[i].Visible() != show) {
                buttons_[i].SetVisible(show);
                buttons_[i].Repaint();
            }
    buttons_[layout::kCancel].SetEnabled(states.cancelEnabled);
}

// --- Where the installation run leads ----------------------------------------------------

void WizardWindow::ShowProgressPage() {
    runStarted_ = true;
    GoTo(PageId::Progress);
    // Painting the page takes a while under Wine: what came meanwhile is
    // answered before the run goes on (its commands are refused: busy).
    tk::ProcessMessages();
}

void WizardWindow::BackToNamePage() {
    GoTo(PageId::Name); // "&Abbrechen" stays disabled: the after-run rows
    namePage_.FocusTarget();
}

void WizardWindow::Close() {
    closing_ = true;
    if (busy_ == 0)
        ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    // Else OnCommand closes the window once the running handler has returned.
}

// --- Keyboard and window procedure --------------------------------------------------------

bool WizardWindow::PreTranslate(MSG& msg) {
    if (msg.message == WM_SYSCHAR && tk::ClickByAccel(buttons_, static_cast<char>(msg.wParam)))
        return true;
    return ::IsWindowEnabled(hwnd_) && ::IsDialogMessageA(hwnd_, &msg);
}

LRESULT WizardWindow::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        tk::PaintBackground(hwnd_, reinterpret_cast<HDC>(wp), background_.get());
        return 1;
    case WM_COMMAND:
        OnCommand(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wp), ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(pageBrush_.get());
    case WM_CLOSE:
        // The run pumps messages: the close box is refused meanwhile; the
        // window's own Close waits until the handler returns.
        if (busy_ == 0)
            ::DestroyWindow(hwnd_);
        else if (!closing_)
            ::MessageBeep(MB_OK);
        return 0;
    case WM_ACTIVATE:
        if (focusKeeper_.OnActivate(hwnd_, wp))
            return 0;
        break;
    case WM_CREATE:
        OnCreate();
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
