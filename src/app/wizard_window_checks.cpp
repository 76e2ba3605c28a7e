// "&Weiter" on each page, and the "Durchsuchen..." link.
#include "app/wizard_window.h"
#include "app/registry.h"
#include "runtime/checks.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "toolkit/dialogs.h"
#include "toolkit/dirpicker.h"
#include "toolkit/errormode.h"
#include "toolkit/files.h"
#include "toolkit/gdi.h"

namespace {

std::string WindowsDirectory() {
    char buf[MAX_PATH + 1] = {};
    const UINT n = ::GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// Bytes available to the current user; drive 0 is the current drive. -1 when the query fails.
std::int64_t FreeSpace(int drive) {
    std::string root;
    if (drive > 0)
        root = {static_cast<char>('A' + drive - 1), ':', '\\'};
    ULARGE_INTEGER avail{};
    tk::CriticalErrorsSuppressed quiet;
    if (!::GetDiskFreeSpaceExA(root.empty() ? nullptr : root.c_str(), &avail, nullptr, nullptr))
        return -1;
    // Signed as the check compares it; no drive holds 2^63 bytes.
    return static_cast<std::int64_t>(avail.QuadPart);
}

// A check's message; the focus goes to `focus` afterwards, or back where it was.
void Complain(const char* text, tk::MsgDlgType type, HWND focus = nullptr) {
    HWND before = ::GetFocus();
    tk::MessageDlg(text, type, tk::mbOK);
    HWND target = focus ? focus : before;
    if (target && ::IsWindow(target))
        ::SetFocus(target);
}

} // namespace

void WizardWindow::NextOnWelcome() {
    ShowPage(rt::Page::Agreement);
}

void WizardWindow::NextOnAgreement() {
    if (::SendMessageA(agreeBox_, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        Complain(txt::MustAgree, tk::MsgDlgType::mtInformation);
        return;
    }
    // Read first: a bad registry value stops here with page and field unchanged.
    const std::string target = rt::DefaultTargetDir(ReadProgramFilesDir());
    ::SetWindowTextA(targetEdit_, target.c_str());
    ShowPage(rt::Page::Name);
    ::SetFocus(nameEdit_);
}

void WizardWindow::NextOnName() {
    const rt::NameCheckPlatform platform{tk::DirectoryExists, WindowsDirectory(), FreeSpace};
    switch (rt::CheckNamePage(WindowText(nameEdit_), WindowText(targetEdit_), platform)) {
    case rt::NameCheck::NoName:
        Complain(txt::NoName, tk::MsgDlgType::mtInformation, nameEdit_);
        return;
    case rt::NameCheck::NoTarget:
        Complain(txt::NoTarget, tk::MsgDlgType::mtInformation, targetEdit_);
        return;
    case rt::NameCheck::TargetExists:
        Complain(txt::TargetExists, tk::MsgDlgType::mtWarning, targetEdit_);
        return;
    case rt::NameCheck::NotWindowsDrive:
        Complain(txt::NotWindowsDrive, tk::MsgDlgType::mtWarning, targetEdit_);
        return;
    case rt::NameCheck::TooLittleSpace:
        Complain(txt::TooLittleSpace, tk::MsgDlgType::mtWarning);
        return;
    case rt::NameCheck::Ok:
        break;
    }
    ShowPage(rt::Page::Drive);
}

void WizardWindow::NextOnDrive() {
    const std::string root = rt::DriveRoot(driveList_.Text());
    if (!tk::DirectoryExists(root)) {
        Complain(txt::DriveNotAccessible, tk::MsgDlgType::mtError);
        return;
    }
    summaryName_.SetCaption(WindowText(nameEdit_));
    summaryName_.Repaint();
    summaryTarget_.SetCaption(tk::ShortenPath(WindowText(targetEdit_), summaryTarget_.GetFont(),
                                              summaryTarget_.FixedWidth()));
    summaryTarget_.Repaint();
    summaryDrive_.SetCaption(rt::SummaryDrive(root));
    summaryDrive_.Repaint();
    summaryDesignation_.SetCaption(WindowText(designationEdit_));
    summaryDesignation_.Repaint();
    ShowPage(rt::Page::Summary);
}

void WizardWindow::OnBrowse() {
    std::string start = rt::WithoutTrailingBackslash(ReadProgramFilesDir());
    if (!tk::DirectoryExists(start))
        start.clear();
    std::string chosen;
    if (tk::SelectDirectory(hwnd_, start, chosen))
        ::SetWindowTextA(targetEdit_, chosen.c_str());
}
