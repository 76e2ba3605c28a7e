#include "shell/drive_list.h"

#include "shell/drive_resources.h"
#include "runtime/strutil.h"
#include "toolkit/app.h"
#include "toolkit/error_mode.h"
#include "toolkit/gdi.h"
#include "toolkit/system_dll.h"

#include <algorithm>
#include <vector>
#include <winnetwk.h>

namespace {

constexpr int kPictureWidth = 16;
constexpr int kPictureHeight = 13;
constexpr int kPictureLeft = 2;
constexpr int kTextGap = 6;
constexpr int kVisibleItems = 8;

// The platform's lower-casing for the ANSI code page; on a double-byte code
// page only A-Z, so that no double-byte character is changed.
std::string PlatformLower(std::string_view s) {
    CPINFO info{};
    if (::GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1)
        return shell::LowerAZSkippingDbcs(
            s, [](unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; });
    std::string out(s);
    if (!out.empty())
        ::CharLowerBuffA(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

// The volume label of a root; empty when it cannot be read. No critical-error
// box may appear for a drive without a medium, so those errors are suppressed
// for the read and the old mode restored afterwards.
std::string VolumeLabel(const std::string& root) {
    char name[261] = {};
    tk::CriticalErrorsSuppressed quiet;
    if (!::GetVolumeInformationA(root.c_str(), name, sizeof name, nullptr, nullptr, nullptr,
                                 nullptr, 0))
        name[0] = '\0';
    name[sizeof name - 1] = '\0';
    return name;
}

// The remote name of a connected drive ("X:"), empty when there is none.
std::string RemoteName(char letter) {
    const char local[3] = {rt::UpperAZ(letter), ':', '\0'};
    char remote[261] = {};
    DWORD length = sizeof remote;
    static const tk::SystemFunction<decltype(::WNetGetConnectionA)> getConnection(
        "mpr.dll", "WNetGetConnectionA");
    if (getConnection(local, remote, &length) != NO_ERROR)
        return {};
    remote[sizeof remote - 1] = '\0';
    return remote;
}

// The name shown after "x: " for a drive of the given kind.
std::string DriveName(char letter, shell::TDriveType kind, const std::string& root) {
    switch (kind) {
    case shell::dtFloppy:
        return {}; // the medium is not touched
    case shell::dtNetwork:
        if (std::string remote = RemoteName(letter); !remote.empty())
            return PlatformLower(remote);
        [[fallthrough]];
    default:
        return shell::VolumeLabelCase(VolumeLabel(root), PlatformLower);
    }
}

int PictureResource(shell::TDriveType kind) {
    switch (kind) {
    case shell::dtFloppy:
        return IDB_DRIVE_FLOPPY;
    case shell::dtFixed:
        return IDB_DRIVE_FIXED;
    case shell::dtNetwork:
        return IDB_DRIVE_NETWORK;
    case shell::dtCDROM:
        return IDB_DRIVE_CDROM;
    case shell::dtRAM:
        return IDB_DRIVE_RAM;
    default:
        return 0;
    }
}

std::string CurrentDirectory() {
    const DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return {};
    std::string dir(needed, '\0');
    const DWORD written = ::GetCurrentDirectoryA(needed, dir.data());
    dir.resize(written < needed ? written : 0);
    return dir;
}

} // namespace

TDriveList::~TDriveList() {
    if (hwnd_ && ::IsWindow(hwnd_))
        ::DestroyWindow(hwnd_);
}

void TDriveList::Create(HWND parent, int id, int x, int y, int w, int h) {
    for (int kind = shell::dtFloppy; kind <= shell::dtRAM; ++kind)
        pictures_[kind - shell::dtFloppy] =
            tk::LoadBitmapResource(PictureResource(static_cast<shell::TDriveType>(kind)));

    id_ = id;
    const int itemHeight = ItemHeight();
    const int dropHeight = tk::Scale(h) + kVisibleItems * itemHeight + 2;
    hwnd_ = ::CreateWindowExA(0, "ComboBox", "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST |
                                  CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                              tk::Scale(x), tk::Scale(y), tk::Scale(w), dropHeight, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), tk::Instance(),
                              nullptr);
    if (!hwnd_)
        return;
    BindOwnerDrawn(hwnd_);
    ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(tk::UiFont()), FALSE);
    // The list sets its item heights itself: no parent answers WM_MEASUREITEM.
    ::SendMessageA(hwnd_, CB_SETITEMHEIGHT, 0, itemHeight);
    ::SendMessageA(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
    // Make the closed box as high as laid out (never lower than one item).
    RECT rc{};
    ::GetWindowRect(hwnd_, &rc);
    const int extra = tk::Scale(h) - (rc.bottom - rc.top);
    if (extra > 0)
        ::SendMessageA(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight + extra);

    BuildList();
    SetItemIndex(shell::FirstSelection(
        [this] {
            std::vector<std::string> items;
            for (int i = 0; i < Count(); ++i)
                items.push_back(ItemText(i));
            return items;
        }(),
        CurrentDirectory()));
}

void TDriveList::BuildList() {
    if (!hwnd_)
        return;
    ::SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
    const DWORD mask = ::GetLogicalDrives();
    for (char letter : shell::DriveLetters(mask)) {
        const std::string root{letter, ':', '\\'};
        const UINT type = ::GetDriveTypeA(root.c_str());
        if (!DriveTypes.Contains(type) || type == shell::dtUnknown || type == shell::dtNoDrive)
            continue;
        const auto kind = static_cast<shell::TDriveType>(type);
        const std::string text =
            shell::DriveItemText(letter, kind, DriveName(letter, kind, root), TextCase);
        const LRESULT index =
            ::SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index >= 0)
            ::SendMessageA(hwnd_, CB_SETITEMDATA, index, kind);
    }
}

int TDriveList::ItemHeight() const {
    const tk::WindowDC dc(nullptr);
    const tk::SelectGuard sel(dc.get(), tk::UiFont());
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc.get(), &tm);
    return std::max<int>(tm.tmHeight, kPictureHeight);
}

HBITMAP TDriveList::Picture(shell::TDriveType kind) const {
    if (kind < shell::dtFloppy || kind > shell::dtRAM)
        return nullptr;
    return pictures_[kind - shell::dtFloppy].get();
}

void TDriveList::Draw(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    const RECT& rc = dis.rcItem;
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &rc, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (static_cast<int>(dis.itemID) >= 0) {
        const auto kind = static_cast<shell::TDriveType>(dis.itemData);
        if (HBITMAP bmp = Picture(kind)) {
            const SIZE size = tk::BitmapSize(bmp);
            const int top = rc.top + (rc.bottom - rc.top - size.cy) / 2;
            tk::DrawTransparent(dc, bmp, rc.left + kPictureLeft, top, size.cx, size.cy);
        }
        const std::string text = ItemText(static_cast<int>(dis.itemID));
        RECT textRect = rc;
        textRect.left += kPictureLeft + kPictureWidth + kTextGap;
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColor =
            ::SetTextColor(dc, ::GetSysColor((dis.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT
                                             : selected                     ? COLOR_HIGHLIGHTTEXT
                                                                            : COLOR_WINDOWTEXT));
        tk::SelectGuard sel(dc, tk::UiFont());
        ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
        ::SetTextColor(dc, oldColor);
        ::SetBkMode(dc, oldMode);
    }
    if ((dis.itemState & ODS_FOCUS) && !(dis.itemState & ODS_NOFOCUSRECT))
        ::DrawFocusRect(dc, &rc);
}

int TDriveList::ItemIndex() const {
    return hwnd_ ? static_cast<int>(::SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)) : -1;
}

void TDriveList::SetItemIndex(int index) {
    if (hwnd_)
        ::SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::string TDriveList::Text() const {
    return ItemText(ItemIndex());
}

std::string TDriveList::ItemText(int index) const {
    if (!hwnd_ || index < 0 || index >= Count())
        return {};
    const LRESULT length = ::SendMessageA(hwnd_, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got =
        ::SendMessageA(hwnd_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

shell::TDriveType TDriveList::ItemKind(int index) const {
    if (!hwnd_ || index < 0 || index >= Count())
        return shell::dtUnknown;
    return static_cast<shell::TDriveType>(::SendMessageA(hwnd_, CB_GETITEMDATA, index, 0));
}

int TDriveList::Count() const {
    return hwnd_ ? static_cast<int>(::SendMessageA(hwnd_, CB_GETCOUNT, 0, 0)) : 0;
}
