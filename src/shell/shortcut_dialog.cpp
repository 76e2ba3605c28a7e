#include "shell/shortcut_dialog.h"

#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "shell/special_folder.h"
#include "shell/com_ptr.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/gdi.h"

#include <objidl.h>
#include <shlobj.h>
#include <utility>

namespace {

constexpr int kClientWidth = 260;
constexpr int kClientHeight = 192;
constexpr int kIdHeading = 100;
constexpr int kIdDesktopBox = 101;
constexpr int kIdStartMenuBox = 102;
constexpr int kIdProgramsBox = 103;
constexpr int kIdCreateButton = IDOK;   // Enter
constexpr int kIdSkipButton = IDCANCEL; // Escape
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

std::wstring AnsiToWide(const std::string& s) {
    if (s.empty())
        return {};
    const int n =
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

} // namespace

bool CreateShellLink(const std::string& target, const std::string& linkFile,
                     const std::string& description) {
    // Declared in this order so that IPersistFile is released before IShellLinkA.
    shell::ComPtr<IShellLinkA> link;
    if (::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           link.put_void()) < 0)
        return false;
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());
    shell::ComPtr<IPersistFile> file;
    if (link->QueryInterface(IID_IPersistFile, file.put_void()) < 0)
        return false;
    const std::wstring widePath = AnsiToWide(linkFile);
    file->Save(widePath.c_str(), TRUE);
    return true;
}

void ShortcutDialog::Create() {
    if (!FolderLookup)
        FolderLookup = SpecialFolderPath;
    RegisterWindowClass(
        {.name = kClassName, .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});

    RECT rc{0, 0, tk::Scale(kClientWidth), tk::Scale(kClientHeight)};
    ::AdjustWindowRectEx(&rc, kStyle, FALSE, kExStyle);
    if (!CreateHandle(kExStyle, kClassName, txt::ShortcutCaption, kStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, rc.right - rc.left, rc.bottom - rc.top, tk::MainWindow(),
                      nullptr))
        return;

    // Only the system menu with its close box: no sizing, no minimise, no maximise.
    if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
        ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
    }

    heading_ = ::CreateWindowExA(
        0, "STATIC", txt::ShortcutHeading, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, tk::Scale(20),
        tk::Scale(20), tk::Scale(129), tk::Scale(13), hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdHeading)), tk::Instance(), nullptr);
    ::SendMessageA(heading_, WM_SETFONT, reinterpret_cast<WPARAM>(tk::UiFont({.bold = true})),
                   FALSE);
    desktopBox.Create(hwnd_, kIdDesktopBox, 70, 45, 106, 17, txt::ShortcutOnDesktop, WS_GROUP);
    startMenuBox.Create(hwnd_, kIdStartMenuBox, 70, 65, 91, 17, txt::ShortcutInStartMenu);
    programsBox.Create(hwnd_, kIdProgramsBox, 70, 85, 126, 17, txt::ShortcutInPrograms);
    createButton.Create(hwnd_, kIdCreateButton, 42, 130, 176, 25, txt::BtnCreateShortcuts,
                        TBitBtn::Kind::bkOK);
    skipButton.Create(hwnd_, kIdSkipButton, 42, 160, 176, 25, txt::BtnNoShortcuts,
                      TBitBtn::Kind::bkCancel);
    desktopBox.SetChecked(true);
}

int ShortcutDialog::ShowModal(const std::string& targetDir) {
    if (!hwnd_ || inModal_)
        return 0;
    targetDir_ = targetDir;
    inModal_ = true;
    modalResult_ = 0;

    HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner)
        ::EnableWindow(owner, FALSE);

    // Centre of the screen.
    RECT wr{};
    ::GetWindowRect(hwnd_, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    ::SetWindowPos(hwnd_, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Under Wine showing and hiding a window takes the X server some
    // milliseconds each: what has come meanwhile is answered between the
    // steps, so that they never add up to one long wait.
    tk::ProcessMessages();
    tk::ShowPaintingLater(hwnd_);
    ::SetForegroundWindow(hwnd_);
    ::SetFocus(desktopBox.Handle());

    tk::RunModal(hwnd_, [this] { return modalResult_ != 0; });
    // The program is ending: the dialog counts as cancelled.
    if (modalResult_ == 0)
        modalResult_ = static_cast<int>(tk::ModalResult::mrCancel);

    // Enable the owner before hiding, so that the activation returns to it.
    if (disableOwner)
        ::EnableWindow(owner, TRUE);
    ::ShowWindow(hwnd_, SW_HIDE);
    tk::ProcessMessages();
    if (owner)
        ::SetActiveWindow(owner);
    inModal_ = false;
    tk::ProcessMessages();
    return modalResult_;
}

void ShortcutDialog::OnCreateShortcuts() {
    struct Place {
        const TCheckBox& box;
        int csidl;
    };
    const Place places[] = {
        {desktopBox, CSIDL_DESKTOPDIRECTORY},
        {startMenuBox, CSIDL_STARTMENU},
        {programsBox, CSIDL_PROGRAMS},
    };
    const std::string target = rt::WithoutTrailingBackslash(targetDir_) + txt::ShortcutTargetName;
    for (const Place& place : places) {
        if (!place.box.Checked())
            continue;
        const std::string folder = FolderLookup ? FolderLookup(place.csidl) : std::string();
        // Without a folder the bare file name would land in whatever directory
        // is current; that box gets no shortcut.
        if (folder.empty())
            continue;
        CreateShellLink(target, folder + txt::ShortcutFileName, txt::ShortcutDescription);
    }
    EndModal(static_cast<int>(tk::ModalResult::mrOk));
}

void ShortcutDialog::OnSkip() {
    EndModal(static_cast<int>(tk::ModalResult::mrCancel));
}

void ShortcutDialog::EndModal(int result) {
    if (inModal_)
        modalResult_ = result;
    else
        ::ShowWindow(hwnd_, SW_HIDE);
}

int ShortcutDialog::DefaultButtonId() const {
    // A focused button is the one Enter presses; otherwise "&Verknüpfung erstellen".
    HWND focus = ::GetFocus();
    if (focus && focus == skipButton.Handle())
        return kIdSkipButton;
    return kIdCreateButton;
}

void ShortcutDialog::Paint() {
    tk::PaintDC dc(hwnd_);
    // Bevel1: a lowered frame around the label and the three boxes.
    RECT bevel{tk::Scale(5), tk::Scale(5), tk::Scale(5 + 251), tk::Scale(5 + 116)};
    ::DrawEdge(dc.get(), &bevel, BDR_SUNKENOUTER, BF_RECT);
}

LRESULT ShortcutDialog::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (id == kIdCreateButton && code == BN_CLICKED) {
            OnCreateShortcuts();
            return 0;
        }
        if (id == kIdSkipButton && code == BN_CLICKED) {
            OnSkip();
            return 0;
        }
        if ((id == kIdCreateButton || id == kIdSkipButton) &&
            (code == BN_SETFOCUS || code == BN_KILLFOCUS)) {
            ::InvalidateRect(createButton.Handle(), nullptr, FALSE);
            ::InvalidateRect(skipButton.Handle(), nullptr, FALSE);
        }
        return 0;
    }
    case DM_GETDEFID:
        return MAKELRESULT(DefaultButtonId(), DC_HASDEFID);
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ACTIVATE:
        if (focusKeeper_.OnActivate(hwnd_, wp))
            return 0;
        break;
    case WM_CLOSE:
        // The close box counts as "&Keine Verknüpfung erstellen".
        OnSkip();
        return 0;
    default:
        break;
    }
    return Default(msg, wp, lp);
}
