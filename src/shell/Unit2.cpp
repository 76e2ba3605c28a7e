#include "shell/Unit2.h"

#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "shell/GetFolder.h"
#include "shell/comptr.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/gdi.h"

#include <objidl.h>
#include <shlobj.h>
#include <utility>

TForm2 Form2;

namespace {

constexpr int kClientWidth = 260;
constexpr int kClientHeight = 192;
constexpr int kIdLabel1 = 100;
constexpr int kIdCheckBox1 = 101;
constexpr int kIdCheckBox2 = 102;
constexpr int kIdCheckBox3 = 103;
constexpr int kIdBitBtn1 = IDOK;     // Enter
constexpr int kIdBitBtn2 = IDCANCEL; // Escape
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

void TForm2::Create() {
    if (!FolderLookup)
        FolderLookup = SpecialFolderPath;
    RegisterWindowClass(
        {.name = kClassName, .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});

    RECT rc{0, 0, tk::Scale(kClientWidth), tk::Scale(kClientHeight)};
    ::AdjustWindowRectEx(&rc, kStyle, FALSE, kExStyle);
    if (!CreateHandle(kExStyle, kClassName, txt::Form2Caption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      rc.right - rc.left, rc.bottom - rc.top, tk::MainWindow(), nullptr))
        return;

    // Only the system menu with its close box: no sizing, no minimise, no maximise.
    if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
        ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_MINIMIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_RESTORE, MF_BYCOMMAND);
    }

    label1_ = ::CreateWindowExA(0, "STATIC", txt::Form2Label1, WS_CHILD | WS_VISIBLE | SS_NOPREFIX,
                                tk::Scale(20), tk::Scale(20), tk::Scale(129), tk::Scale(13), hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdLabel1)),
                                tk::Instance(), nullptr);
    ::SendMessageA(label1_, WM_SETFONT, reinterpret_cast<WPARAM>(tk::UiFont({.bold = true})),
                   FALSE);
    CheckBox1.Create(hwnd_, kIdCheckBox1, 70, 45, 106, 17, txt::Form2CheckBox1, WS_GROUP);
    CheckBox2.Create(hwnd_, kIdCheckBox2, 70, 65, 91, 17, txt::Form2CheckBox2);
    CheckBox3.Create(hwnd_, kIdCheckBox3, 70, 85, 126, 17, txt::Form2CheckBox3);
    BitBtn1.Create(hwnd_, kIdBitBtn1, 42, 130, 176, 25, txt::Form2BitBtn1, TBitBtn::Kind::bkOK);
    BitBtn2.Create(hwnd_, kIdBitBtn2, 42, 160, 176, 25, txt::Form2BitBtn2, TBitBtn::Kind::bkCancel);
    CheckBox1.SetChecked(true);
}

int TForm2::ShowModal(const std::string& targetDir) {
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
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    ::SendMessageA(hwnd_, tk::WM_FORMSHOW, 0, 0);

    tk::RunModal(hwnd_, [this] { return modalResult_ != 0; });
    // The program is ending: the dialog counts as cancelled.
    if (modalResult_ == 0)
        modalResult_ = static_cast<int>(tk::ModalResult::mrCancel);

    // Enable the owner before hiding, so that the activation returns to it.
    if (disableOwner)
        ::EnableWindow(owner, TRUE);
    ::ShowWindow(hwnd_, SW_HIDE);
    if (owner)
        ::SetActiveWindow(owner);
    inModal_ = false;
    return modalResult_;
}

void TForm2::FormShow() {
    ::SetFocus(CheckBox1.Handle());
}

void TForm2::BitBtn1Click() {
    struct Place {
        const TCheckBox& box;
        int csidl;
    };
    const Place places[] = {
        {CheckBox1, CSIDL_DESKTOPDIRECTORY},
        {CheckBox2, CSIDL_STARTMENU},
        {CheckBox3, CSIDL_PROGRAMS},
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

void TForm2::BitBtn2Click() {
    EndModal(static_cast<int>(tk::ModalResult::mrCancel));
}

void TForm2::FormClose() {
    EndModal(static_cast<int>(tk::ModalResult::mrCancel));
}

void TForm2::EndModal(int result) {
    if (inModal_)
        modalResult_ = result;
    else
        ::ShowWindow(hwnd_, SW_HIDE);
}

int TForm2::DefaultButtonId() const {
    // A focused button is the one Enter presses; otherwise "&Verknüpfung erstellen".
    HWND focus = ::GetFocus();
    if (focus && focus == BitBtn2.Handle())
        return kIdBitBtn2;
    return kIdBitBtn1;
}

void TForm2::Paint() {
    tk::PaintDC dc(hwnd_);
    // Bevel1: a lowered frame around the label and the three boxes.
    RECT bevel{tk::Scale(5), tk::Scale(5), tk::Scale(5 + 251), tk::Scale(5 + 116)};
    ::DrawEdge(dc.get(), &bevel, BDR_SUNKENOUTER, BF_RECT);
}

LRESULT TForm2::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (id == kIdBitBtn1 && code == BN_CLICKED) {
            BitBtn1Click();
            return 0;
        }
        if (id == kIdBitBtn2 && code == BN_CLICKED) {
            BitBtn2Click();
            return 0;
        }
        if ((id == kIdBitBtn1 || id == kIdBitBtn2) &&
            (code == BN_SETFOCUS || code == BN_KILLFOCUS)) {
            ::InvalidateRect(BitBtn1.Handle(), nullptr, FALSE);
            ::InvalidateRect(BitBtn2.Handle(), nullptr, FALSE);
        }
        return 0;
    }
    case DM_GETDEFID:
        return MAKELRESULT(DefaultButtonId(), DC_HASDEFID);
    case WM_DRAWITEM: {
        const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (dis.hwndItem == BitBtn1.Handle())
            BitBtn1.Draw(dis, DefaultButtonId() == kIdBitBtn1);
        else if (dis.hwndItem == BitBtn2.Handle())
            BitBtn2.Draw(dis, DefaultButtonId() == kIdBitBtn2);
        else
            break;
        return TRUE;
    }
    case WM_PAINT:
        Paint();
        return 0;
    case WM_CLOSE:
        FormClose();
        return 0;
    case tk::WM_FORMSHOW:
        FormShow();
        return 0;
    default:
        break;
    }
    return Default(msg, wp, lp);
}
