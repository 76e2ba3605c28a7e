// "&Installieren": the wizard window as the installation run's host. The run
// itself (InstallRun) decides the steps; this shows them and does the file work.
#include "app/Unit1.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "shell/Unit2.h"
#include "toolkit/dialogs.h"
#include "toolkit/files.h"
#include "toolkit/gdi.h"
#include "toolkit/handles.h"
#include "toolkit/session.h"
#include <commctrl.h>
#include <shellapi.h>

namespace {
constexpr int kLabel39Width = 245;
constexpr int kLabel44Width = 241;

void SetBold(tk::TLabel& label, bool bold) {
    label.SetFontStyle({bold, false});
    label.Repaint();
}

// A big packed file or a slow medium must not freeze the window while it is
// copied: the wizard's buttons are hidden or disabled and a close request is
// refused, so handling messages here starts nothing.
DWORD CALLBACK PumpWhileCopying(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                DWORD, HANDLE, HANDLE, LPVOID) {
    tk::ProcessMessages();
    return PROGRESS_CONTINUE;
}

} // namespace

void THauptfenster::SpeedButton4Click() {
    const app::InstallInput input{WindowText(Edit1), WindowText(Edit2), DriveComboBox1.Text(),
                                  WindowText(Edit3), ProgramDir};
    // A logoff or shutdown waits until the run has returned.
    const tk::SessionEndBlock noSessionEnd(hwnd_, txt::SessionEndReason);
    app::InstallRun(input, *this);
}

// --- The window ------------------------------------------------------------------

void THauptfenster::ShowCopyStep() {
    runStarted_ = true;
    Label34.SetFontStyle({});
    Label35.SetFontStyle({});
    ShowPage(rt::Page::P6);
    ShowSubPage(TabSheet7);
    SetBold(Label34, true);
    // The bar is laid out full; stepping past its maximum would wrap, so it
    // starts empty and ends full after the last packed file.
    ::SendMessageA(ProgressBar1, PBM_SETPOS, 0, 0);
}

void THauptfenster::ShowCurrentFile(const std::string& packed, const std::string& installed) {
    Label37.SetCaption(packed);
    Label37.Repaint();
    Label39.SetCaption(tk::ShortenPath(installed, Label39.GetFont(), kLabel39Width));
    Label39.Repaint();
}

void THauptfenster::StepBar() {
    ::SendMessageA(ProgressBar1, PBM_STEPIT, 0, 0);
    tk::ProcessMessages();
}

void THauptfenster::BackToNamePage() {
    ShowPage(rt::Page::P3); // with "&Abbrechen" still disabled (SetButtons)
    ::SetFocus(Edit2);
}

void THauptfenster::ShowDriveStep(const std::string& drive) {
    SetBold(Label34, false);
    ShowSubPage(TabSheet8);
    SetBold(Label35, true);
    ::SendMessageA(Ani1, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    ::RedrawWindow(Ani1, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Label43.SetCaption(drive);
    Label43.Repaint();
}

void THauptfenster::EndDriveStep() {
    ::SendMessageA(Ani1, ACM_STOP, 0, 0);
    ::RedrawWindow(Ani1, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Label34.SetFontStyle({});
    Label35.SetFontStyle({});
    Label34.Repaint();
    Label35.Repaint();
}

void THauptfenster::ShowError(const std::string& text) {
    tk::MessageDlg(text, tk::MsgDlgType::mtError, tk::mbOK);
}

bool THauptfenster::Confirm(const std::string& text) {
    return tk::MessageDlg(text, tk::MsgDlgType::mtConfirmation, tk::mbYesNo) ==
           tk::ModalResult::mrYes;
}

void THauptfenster::ShowSubPage(tk::TTabSheet& page) {
    page.SetVisible(true);
    for (tk::TTabSheet* p : {&TabSheet7, &TabSheet8})
        if (p != &page)
            p->SetVisible(false);
    page.Repaint();
}

void THauptfenster::ShowStatusPath(const std::string& path) {
    ShowStatus(tk::ShortenPath(path, Label44.GetFont(), kLabel44Width));
}

void THauptfenster::ShowStatus(const std::string& text) {
    Label44.SetCaption(text);
    Label44.Repaint();
}

// --- The machine -------------------------------------------------------------------

bool THauptfenster::DirectoryExists(const std::string& path) {
    return tk::DirectoryExists(path);
}

bool THauptfenster::ForceDirectories(const std::string& path) {
    // Launch.exe is started elevated at the end: ordinary users must not
    // have been able to replace it.
    return tk::ForceProgramDirectories(path);
}

app::NewTempDir THauptfenster::CreateTempDir(const std::string& path) {
    switch (tk::CreateAdminFolder(path, tempDirHold_)) {
    case tk::NewFolder::Created:
        return app::NewTempDir::Created;
    case tk::NewFolder::Taken:
        return app::NewTempDir::Taken;
    case tk::NewFolder::Failed:
        break;
    }
    return app::NewTempDir::Failed;
}

std::vector<std::string> THauptfenster::FindFiles(const std::string& dir,
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

bool THauptfenster::Copy(const std::string& from, const std::string& to) {
    const auto copy = [&](LPPROGRESS_ROUTINE progress) {
        return ::CopyFileExA(from.c_str(), to.c_str(), progress, nullptr, nullptr, 0) != FALSE;
    };
    // Wine 8 never calls a copy's progress routine: there the same copy runs on
    // a worker thread while this one handles the messages.
    if (RunningUnderWine())
        return tk::WhilePumping([&] { return copy(nullptr); });
    return copy(PumpWhileCopying);
}

void THauptfenster::SetArchiveOnly(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
}

void THauptfenster::Delete(const std::string& path) {
    // Freeing a copy of a few hundred MB takes the file system a while.
    tk::WhilePumping([&] { return ::DeleteFileA(path.c_str()) != FALSE; });
}

bool THauptfenster::RemoveDir(const std::string& path) {
    tempDirHold_.Release();
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

void THauptfenster::WriteTextFile(const std::string& path, const std::vector<std::string>& lines) {
    tk::WriteTextFile(path, lines);
}

// --- The other units ----------------------------------------------------------------

bool THauptfenster::Restore(const std::string& archive, const std::string& targetDir) {
    return BackupFile1.Restore(archive, targetDir);
}

void THauptfenster::ReadDrive(const std::string& driveItem, const std::string& designation) {
    driveItem_ = driveItem;
    designation_ = designation;
    LwEinlesen.Execute();
}

void THauptfenster::ShowShortcutDialog(const std::string& targetDir) {
    if (Form2)
        Form2->ShowModal(targetDir);
}

void THauptfenster::StartLauncher(const std::string& path) {
    ::ShellExecuteA(tk::ApplicationWindow(), "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
