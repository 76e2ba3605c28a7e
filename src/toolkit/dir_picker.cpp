#include "toolkit/dir_picker.h"
#include "toolkit/files.h"
#include "runtime/dir_chain.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include "toolkit/error_handler.h"
#include "toolkit/error_mode.h"
#include "toolkit/gdi.h"
#include "toolkit/system_dll.h"
#include "toolkit/window.h"
#include <winnetwk.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace tk {

namespace {

// --- An in-memory dialog template (dialog units, "MS Sans Serif" 8) ----------

class DialogTemplate {
public:
    DialogTemplate(const char* caption, DWORD style, short w, short h) {
        Align(4);
        const std::size_t at = Grow(sizeof(DLGTEMPLATE));
        auto* t = reinterpret_cast<DLGTEMPLATE*>(data_.data() + at);
        t->style = style | DS_SETFONT;
        t->cx = w;
        t->cy = h;
        Word(0); // no menu
        Word(0); // the standard dialog class
        Text(caption);
        Word(8);
        Text("MS Sans Serif");
    }

    void Add(WORD atom, int id, const char* text, DWORD style, short x, short y, short w, short h) {
        Align(4);
        const std::size_t at = Grow(sizeof(DLGITEMTEMPLATE));
        auto* it = reinterpret_cast<DLGITEMTEMPLATE*>(data_.data() + at);
        it->style = style | WS_CHILD | WS_VISIBLE;
        it->x = x;
        it->y = y;
        it->cx = w;
        it->cy = h;
        it->id = static_cast<WORD>(id);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0); // no creation data
        ++reinterpret_cast<DLGTEMPLATE*>(data_.data())->cdit;
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

private:
    std::size_t Grow(std::size_t n) {
        const std::size_t at = data_.size();
        data_.resize(at + n, 0);
        return at;
    }
    void Align(std::size_t a) { data_.resize((data_.size() + a - 1) / a * a, 0); }
    void Word(WORD w) {
        const std::size_t at = Grow(2); // before data(): growing may move the buffer
        std::memcpy(data_.data() + at, &w, 2);
    }
    void Text(const char* s) {
        // The texts are code page 1252.
        const int n = ::MultiByteToWideChar(1252, 0, s, -1, nullptr, 0);
        std::vector<wchar_t> w(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
        if (n > 0)
            ::MultiByteToWideChar(1252, 0, s, -1, w.data(), n);
        for (wchar_t c : w)
            Word(static_cast<WORD>(c));
    }
    std::vector<unsigned char> data_;
};

enum : WORD { kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kComboBox = 0x85 };

// Puts the process's current directory back on every way out.
class CurrentDirGuard {
public:
    CurrentDirGuard() {
        const DWORD n = ::GetCurrentDirectoryA(0, nullptr);
        saved_.assign(n, '\0');
        if (n)
            saved_.resize(::GetCurrentDirectoryA(n, saved_.data()));
    }
    ~CurrentDirGuard() {
        CriticalErrorsSuppressed quiet; // its medium may have been taken out meanwhile
        if (!saved_.empty())
            ::SetCurrentDirectoryA(saved_.c_str());
    }
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
    std::string saved_;
};

std::string CurrentDirectory() {
    const DWORD n = ::GetCurrentDirectoryA(0, nullptr);
    std::string s(n, '\0');
    if (n)
        s.resize(::GetCurrentDirectoryA(n, s.data()));
    return s;
}

std::string FullPath(const std::string& path) {
    const DWORD n = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return path;
    std::string s(n, '\0');
    s.resize(::GetFullPathNameA(path.c_str(), n, s.data(), nullptr));
    return s;
}

std::string ItemText(HWND list, int index) {
    const LRESULT n = ::SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (n == LB_ERR)
        return {};
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    const LRESULT got = ::SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(s.data()));
    s.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return s;
}

class Picker {
public:
    explicit Picker(std::string start) : start_(std::move(start)) {}

    bool ShowModal(HWND owner, std::string& chosen) {
        CurrentDirGuard keep;
        DialogTemplate t(txt::PickerCaption,
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 274, 166);
        t.Add(kStatic, -1, txt::PickerPath, SS_LEFT, 7, 6, 120, 9);
        t.Add(kEdit, kPickerPath, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 16, 260, 12);
        t.Add(kStatic, -1, txt::PickerDirs, SS_LEFT, 7, 34, 124, 9);
        t.Add(kListBox, kPickerDirs, "",
              WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWFIXED |
                  LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
              7, 44, 124, 84);
        t.Add(kStatic, -1, txt::PickerFiles, SS_LEFT, 143, 34, 124, 9);
        t.Add(kListBox, kPickerFiles, "",
              WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_SORT | LBS_NOINTEGRALHEIGHT, 143, 44, 124,
              84);
        t.Add(kStatic, -1, txt::PickerDrives, SS_LEFT, 7, 134, 124, 9);
        t.Add(kComboBox, kPickerDrives, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 7, 144, 124,
              90);
        t.Add(kButton, IDOK, txt::BtnOk, WS_TABSTOP | BS_DEFPUSHBUTTON, 143, 144, 38, 14);
        t.Add(kButton, IDCANCEL, txt::BtnCancel, WS_TABSTOP | BS_PUSHBUTTON, 185, 144, 38, 14);
        t.Add(kButton, kPickerNetwork, txt::PickerNetwork, WS_TABSTOP | BS_PUSHBUTTON, 227, 144, 40,
              14);
        // Modal: the owner is disabled while the picker is open.
        const bool disableOwner = owner && ::IsWindowEnabled(owner);
        if (!::CreateDialogIndirectParamA(Instance(), t.Get(), owner, DlgProc,
                                          reinterpret_cast<LPARAM>(this)))
            return false;
        if (disableOwner)
            ::EnableWindow(owner, FALSE);
        ::ShowWindow(dlg_, SW_SHOW);
        RunModal(dlg_, [this] { return end_ != 0; });
        // Enable the owner before the picker goes, so that the activation returns to it.
        if (disableOwner)
            ::EnableWindow(owner, TRUE);
        ::DestroyWindow(dlg_);
        if (end_ != IDOK)
            return false;
        chosen = result_;
        return true;
    }

private:
    static INT_PTR CALLBACK DlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_INITDIALOG)
            ::SetWindowLongPtrA(dlg, DWLP_USER, lp);
        auto* self = reinterpret_cast<Picker*>(::GetWindowLongPtrA(dlg, DWLP_USER));
        if (!self)
            return FALSE;
        // No error leaves the dialog procedure; it is shown and the picker stays open.
        return Barrier([&] { return self->Handle(dlg, msg, wp, lp); }, INT_PTR{FALSE});
    }

    INT_PTR Handle(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
        switch (msg) {
        case WM_INITDIALOG: {
            dlg_ = dlg;
            ::SendDlgItemMessageA(dlg, kPickerPath, EM_LIMITTEXT, MAX_PATH - 1, 0);
            ::SendDlgItemMessageA(dlg, kPickerDirs, LB_SETITEMHEIGHT, 0,
                                  std::max(Scale(16), ItemHeightForFont(dlg)));
            // A start folder that cannot be entered falls back to the current directory.
            if (start_.empty() || !Enter(FullPath(start_)))
                Enter(CurrentDirectory());
            ::SetFocus(::GetDlgItem(dlg, kPickerPath));
            ::SendDlgItemMessageA(dlg, kPickerPath, EM_SETSEL, 0, -1);
            return FALSE; // focus set here
        }
        case WM_DRAWITEM: {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            if (di->CtlID != kPickerDirs)
                return FALSE;
            DrawDirItem(*di);
            return TRUE;
        }
        case WM_COMMAND:
            return Command(LOWORD(wp), HIWORD(wp));
        default:
            return FALSE;
        }
    }

    static int ItemHeightForFont(HWND dlg) {
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dlg, WM_GETFONT, 0, 0));
        const WindowDC dc(dlg);
        const SelectGuard sel(dc.get(), font);
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc.get(), &tm);
        return tm.tmHeight + 2;
    }

    INT_PTR Command(int id, int code) {
        HWND dirs = ::GetDlgItem(dlg_, kPickerDirs);
        switch (id) {
        case kPickerDirs:
            if (code == LBN_DBLCLK)
                OpenSelectedDir();
            return TRUE;
        case kPickerDrives:
            if (code == CBN_SELCHANGE)
                DriveChanged();
            return TRUE;
        case kPickerNetwork:
            if (code == BN_CLICKED)
                Network();
            return TRUE;
        case IDOK:
            // Enter in the tree opens the selected folder rather than confirming.
            if (::GetFocus() == dirs && SelectedDirPath() != dir_) {
                OpenSelectedDir();
                return TRUE;
            }
            Confirm();
            return TRUE;
        case IDCANCEL:
            end_ = IDCANCEL;
            return TRUE;
        default:
            return FALSE;
        }
    }

    // Makes `dir` the folder shown; false (and nothing changed) when it cannot be entered.
    bool Enter(const std::string& dir) {
        // A drive chosen in the list may hold no medium; the listings probe it too.
        CriticalErrorsSuppressed quiet;
        if (dir.empty() || !::SetCurrentDirectoryA(dir.c_str()))
            return false;
        dir_ = CurrentDirectory();
        FillDirs();
        FillFiles();
        FillDrives();
        ::SetDlgItemTextA(dlg_, kPickerPath, dir_.c_str());
        return true;
    }

    void FillDirs() {
        HWND list = ::GetDlgItem(dlg_, kPickerDirs);
        ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        // The platform lists the subfolders as "[name]" (and "[..]"), sorted.
        char pattern[] = "*.*";
        ::DlgDirListA(dlg_, pattern, kPickerDirs, 0, DDL_DIRECTORY | DDL_EXCLUSIVE);
        std::vector<std::string> subdirs;
        const int n = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            const std::string s = ItemText(list, i);
            if (s.size() > 2 && s.front() == '[' && s.back() == ']' && s != "[..]")
                subdirs.push_back(s.substr(1, s.size() - 2));
        }
        // Shown as a tree: the folders from the root down, then the subfolders.
        levels_ = rt::DirChain(dir_);
        open_ = static_cast<int>(levels_.size());
        const std::string base = dir_.empty() || dir_.back() == '\\' ? dir_ : dir_ + '\\';
        for (const std::string& s : subdirs)
            levels_.push_back({base + s, s});
        ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
        for (std::size_t i = 0; i < levels_.size(); ++i) {
            const LRESULT at = ::SendMessageA(list, LB_INSERTSTRING, i,
                                              reinterpret_cast<LPARAM>(levels_[i].name.c_str()));
            ::SendMessageA(list, LB_SETITEMDATA, at, static_cast<LPARAM>(i));
        }
        ::SendMessageA(list, LB_SETCURSEL, open_ > 0 ? open_ - 1 : 0, 0);
        ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(list, nullptr, TRUE);
    }

    void FillFiles() {
        char pattern[] = "*.*";
        ::DlgDirListA(dlg_, pattern, kPickerFiles, 0, DDL_READWRITE | DDL_READONLY | DDL_ARCHIVE);
    }

    void FillDrives() {
        char pattern[] = "*.*";
        ::DlgDirListComboBoxA(dlg_, pattern, kPickerDrives, 0, DDL_DRIVES | DDL_EXCLUSIVE);
        // Items read "[-c-]"; select the shown folder's drive.
        if (dir_.size() >= 2 && dir_[1] == ':') {
            const std::string item = std::string("[-") + rt::LowerAZ(dir_[0]) + "-]";
            const LRESULT at = ::SendDlgItemMessageA(dlg_, kPickerDrives, CB_FINDSTRINGEXACT,
                                                     static_cast<WPARAM>(-1),
                                                     reinterpret_cast<LPARAM>(item.c_str()));
            ::SendDlgItemMessageA(dlg_, kPickerDrives, CB_SETCURSEL, at == CB_ERR ? -1 : at, 0);
        }
    }

    std::string SelectedDirPath() const {
        HWND list = ::GetDlgItem(dlg_, kPickerDirs);
        const LRESULT sel = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (sel == LB_ERR)
            return dir_;
        const auto i = static_cast<std::size_t>(::SendMessageA(list, LB_GETITEMDATA, sel, 0));
        return i < levels_.size() ? levels_[i].path : dir_;
    }

    void OpenSelectedDir() {
        const std::string path = SelectedDirPath();
        if (path != dir_ && !Enter(path))
            NotAccessible();
    }

    void DriveChanged() {
        char drive[MAX_PATH] = {};
        if (!::DlgDirSelectComboBoxExA(dlg_, drive, sizeof drive, kPickerDrives))
            return;
        // "c:" names the drive's current folder; a drive without a medium is refused.
        if (!Enter(FullPath(drive))) {
            NotAccessible();
            FillDrives();
        }
    }

    void NotAccessible() { MessageDlg(txt::DriveNotAccessible, MsgDlgType::mtError, mbOK); }

    void Network() {
        static const SystemFunction<decltype(::WNetConnectionDialog)> connectionDialog(
            "mpr.dll", "WNetConnectionDialog");
        if (connectionDialog(dlg_, RESOURCETYPE_DISK) == NO_ERROR)
            FillDrives();
    }

    void Confirm() {
        std::string typed(MAX_PATH, '\0');
        typed.resize(::GetDlgItemTextA(dlg_, kPickerPath, typed.data(), MAX_PATH));
        // An empty field confirms the folder shown; a relative path is taken from there.
        const std::string path = rt::PickerPath(FullPath(typed.empty() ? dir_ : typed));
        if (!DirectoryExists(path) && MessageDlg(txt::PickerAskCreate, MsgDlgType::mtConfirmation,
                                                 mbYesNo) != ModalResult::mrYes) {
            HWND edit = ::GetDlgItem(dlg_, kPickerPath);
            ::SetFocus(edit);
            ::SendMessageA(edit, EM_SETSEL, 0, -1);
            return;
        }
        result_ = path;
        end_ = IDOK;
    }

    void DrawDirItem(const DRAWITEMSTRUCT& di) {
        if (di.itemID == static_cast<UINT>(-1))
            return;
        HDC dc = di.hDC;
        const bool selected = (di.itemState & ODS_SELECTED) != 0;
        ::FillRect(dc, &di.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        const auto i = static_cast<std::size_t>(di.itemData);
        if (i >= levels_.size())
            return;
        // Open folders step in one level each; the subfolders one below the last.
        const int level = static_cast<int>(i < static_cast<std::size_t>(open_) ? i : open_);
        const int x = di.rcItem.left + Scale(2) + level * Scale(8);
        const int h = di.rcItem.bottom - di.rcItem.top;
        const int fy = di.rcItem.top + (h - Scale(10)) / 2;
        // A small folder: tab and body.
        RECT tab{x, fy, x + Scale(6), fy + Scale(2)};
        RECT body{x, fy + Scale(2), x + Scale(14), fy + Scale(10)};
        const Brush yellow(::CreateSolidBrush(
            i < static_cast<std::size_t>(open_) ? RGB(255, 255, 160) : RGB(230, 200, 80)));
        ::FillRect(dc, &tab, yellow.get());
        ::FillRect(dc, &body, yellow.get());
        ::FrameRect(dc, &body, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        RECT text = di.rcItem;
        text.left = x + Scale(18);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        const std::string& name = levels_[i].name;
        ::DrawTextA(dc, name.c_str(), static_cast<int>(name.size()), &text,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (di.itemState & ODS_FOCUS)
            ::DrawFocusRect(dc, &di.rcItem);
    }

    std::string start_;
    std::string dir_;
    std::string result_;
    std::vector<rt::DirLevel> levels_;
    int open_ = 0; // levels_[0 .. open_) are the folders from the root down
    HWND dlg_ = nullptr;
    int end_ = 0; // IDOK or IDCANCEL once the picker is to close
};

} // namespace

bool SelectDirectory(HWND owner, const std::string& start, std::string& chosen) {
    Picker picker(start);
    return picker.ShowModal(owner, chosen);
}

} // namespace tk
