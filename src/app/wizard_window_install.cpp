// "&Installieren": the wizard window as the installation run's host. The run
// itself (InstallRun) decides the steps; this shows them and does the file work.
#include "app/wizard_window.h"
#include "runtime/strutil.h"
#include "shell/shortcut_dialog.h"
#include "toolkit/dialogs.h"
#include "toolkit/files.h"
#include "toolkit/gdi.h"
#include "toolkit/handles.h"
#include <commctrl.h>
#include <shellapi.h>

namespace {
constexpr int kInstalledPathWidth = 245;
constexpr int kStatusWidth = 241;

void SetBold(tk::TLabel& label, bool bold) {
    label.SetFontStyle({bold, false});
    label.Repaint();
}

} // namespace

void WizardWindow::OnInstall() {
    const app::InstallInput input{WindowText(nameEdit_), WindowText(targetEdit_), driveList_.Text(),
                                  WindowText(designationEdit_), programDir_};
    app::InstallRun(input, *this);
}

// --- The window ------------------------------------------------------------------

void WizardWindow::ShowCopyStep() {
    runStarted_ = true;
    copyStepTitle_.SetFontStyle({});
    driveStepTitle_.SetFontStyle({});
    ShowPage(rt::Page::Progress);
    ShowSubPage(copyStep_);
    SetBold(copyStepTitle_, true);
    // The bar is laid out full; stepping past its maximum would wrap, so it
    // starts empty and ends full after the last packed file.
    ::SendMessageA(progressBar_, PBM_SETPOS, 0, 0);
}

void WizardWindow::ShowCurrentFile(const std::string& packed, const std::string& installed) {
    packedFileLabel_.SetCaption(packed);
    packedFileLabel_.Repaint();
    installedPathLabel_.SetCaption(
        tk::ShortenPath(installed, installedPathLabel_.GetFont(), kInstalledPathWidth));
    installedPathLabel_.Repaint();
}

void WizardWindow::StepBar() {
    ::SendMessageA(progressBar_, PBM_STEPIT, 0, 0);
    tk::ProcessMessages();
}

void WizardWindow::BackToNamePage() {
    ShowPage(rt::Page::Name); // with "&Abbrechen" still disabled (SetButtons)
    ::SetFocus(targetEdit_);
}

void WizardWindow::ShowDriveStep(const std::string& drive) {
    SetBold(copyStepTitle_, false);
    ShowSubPage(driveStep_);
    SetBold(driveStepTitle_, true);
    ::SendMessageA(driveAnimation_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    ::RedrawWindow(driveAnimation_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    readingDriveLabel_.SetCaption(drive);
    readingDriveLabel_.Repaint();
}

void WizardWindow::EndDriveStep() {
    ::SendMessageA(driveAnimation_, ACM_STOP, 0, 0);
    ::RedrawWindow(driveAnimation_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    copyStepTitle_.SetFontStyle({});
    driveStepTitle_.SetFontStyle({});
    copyStepTitle_.Repaint();
    driveStepTitle_.Repaint();
}

void WizardWindow::ShowError(const std::string& text) {
    tk::MessageDlg(text, tk::MsgDlgType::mtError, tk::mbOK);
}

bool WizardWindow::Confirm(const std::string& text) {
    return tk::MessageDlg(text, tk::MsgDlgType::mtConfirmation, tk::mbYesNo) ==
           tk::ModalResult::mrYes;
}

void WizardWindow::ShowSubPage(tk::TTabSheet& page) {
    page.SetVisible(true);
    for (tk::TTabSheet* p : {&copyStep_, &driveStep_})
        if (p != &page)
            p->SetVisible(false);
    page.Repaint();
}

void WizardWindow::ShowStatusPath(const std::string& path) {
    ShowStatus(tk::ShortenPath(path, statusLabel_.GetFont(), kStatusWidth));
}

void WizardWindow::ShowStatus(const std::string& text) {
    statusLabel_.SetCaption(text);
    statusLabel_.Repaint();
}

// --- The machine -------------------------------------------------------------------

bool WizardWindow::DirectoryExists(const std::string& path) {
    return tk::DirectoryExists(path);
}

bool WizardWindow::ForceDirectories(const std::string& path) {
    return tk::ForceDirectories(path);
}

std::vector<std::string> WizardWindow::FindFiles(const std::string& dir,
                                                 const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    tk::FindHandle find(::FindFirstFileA((dir + "\\" + pattern).c_str(), &fd));
    if (!find)
        return names;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.emplace_back(fd.cFileName);
    while (::FindNextFileA(find.get(), &fd));
    return names;
}

bool WizardWindow::Copy(const std::string& from, const std::string& to) {
    // A big packed file or a slow medium (CD, USB stick, network share) must
    // not freeze the window: the copy runs on a worker while this thread
    // handles messages, with no gap while one chunk is read. Pumping inside a
    // progress routine would leave such gaps, and a modal loop entered there
    // would hold the copy with the destination open. The buttons are hidden
    // or disabled, a second command and a close request are refused, so
    // handling messages here starts nothing.
    return tk::WhilePumping([&] {
        return ::CopyFileExA(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, 0) != FALSE;
    });
}

void WizardWindow::SetArchiveOnly(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

void WizardWindow::Delete(const std::string& path) {
    // Freeing a copy of a few hundred MB takes the file system a while.
    tk::WhilePumping([&] { return ::DeleteFileA(path.c_str()) != FALSE; });
}

bool WizardWindow::RemoveDir(const std::string& path) {
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

void WizardWindow::WriteTextFile(const std::string& path, const std::vector<std::string>& lines) {
    tk::WriteTextFile(path, lines);
}

// --- The other units ----------------------------------------------------------------

bool WizardWindow::Restore(const std::string& archive, const std::string& targetDir) {
    return archive_.Restore(archive, targetDir);
}

void WizardWindow::ReadDrive(const std::string& driveItem, const std::string& designation) {
    driveItem_ = driveItem;
    designation_ = designation;
    readDriveAction_.Execute();
}

void WizardWindow::ShowShortcutDialog(const std::string& targetDir) {
    if (shortcutDialog_)
        shortcutDialog_->ShowModal(targetDir);
}

void WizardWindow::StartLauncher(const std::string& path) {
    ::ShellExecuteA(tk::ApplicationWindow(), "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
