// "&Installieren": the whole installation in one pass on the UI thread.
#include "app/Unit1.h"
#include "runtime/install.h"
#include "runtime/strutil.h"
#include "runtime/texts.h"
#include "shell/Unit2.h"
#include "toolkit/dialogs.h"
#include "toolkit/files.h"
#include "toolkit/gdi.h"
#include <commctrl.h>
#include <shellapi.h>
#include <vector>

namespace {
constexpr int kLabel39Width = 245;
constexpr DWORD kArchiveOnly = FILE_ATTRIBUTE_ARCHIVE; // 32: read-only, hidden, system cleared

void SetBold(tk::TLabel& label, bool bold) {
    label.SetFontStyle({bold, false});
    label.Repaint();
}

// Copies a packed file's continuation volumes (.002 upward, while they exist)
// beside its temporary copy: the restore looks for them there.
std::vector<std::string> CopyVolumes(const std::string& source, const std::string& copy) {
    std::vector<std::string> copied;
    for (int n = 2; n <= 999; ++n) {
        const std::string from = rt::VolumeName(source, n);
        if (!tk::FileExists(from))
            break;
        const std::string to = rt::VolumeName(copy, n);
        if (::CopyFileA(from.c_str(), to.c_str(), FALSE))
            copied.push_back(to);
    }
    return copied;
}

void DeleteTempCopy(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), kArchiveOnly);
    ::DeleteFileA(path.c_str());
}
} // namespace

void THauptfenster::SpeedButton4Click() {
    // 1. No wizard handler may start while the run works.
    SetButtonVisible(SpeedButton1, false);
    SetButtonVisible(SpeedButton4, false);
    SpeedButton3.SetEnabled(false);
    // 2. The progress page, copy step in bold.
    Label34.SetFontStyle({});
    Label35.SetFontStyle({});
    ShowPage(rt::Page::P6);
    ShowSubPage(TabSheet7);
    SetBold(Label34, true);
    // The bar is laid out full; stepping past its maximum would wrap, so it
    // starts empty and ends full after the last packed file.
    ::SendMessageA(ProgressBar1, PBM_SETPOS, 0, 0);

    // 3.
    const std::string target = rt::WithoutTrailingBackslash(WindowText(Edit2));
    // 4.
    std::string tempDir;
    if (!PrepareTempDir(target, tempDir)) {
        Close();
        return;
    }
    // 5.
    if (!tk::ForceDirectories(target)) {
        tk::MessageDlg(txt::TargetNotCreated, tk::MsgDlgType::mtError, tk::mbOK);
        SetButtonVisible(SpeedButton1, true);
        SetButtonVisible(SpeedButton2, true);
        ShowPage(rt::Page::P3);
        ::SetFocus(Edit2);
        return;
    }
    // 6. - 7.
    RestorePackedFiles(target, tempDir);
    if (!::RemoveDirectoryA(tempDir.c_str()))
        ShowPathError(tempDir, txt::TempDirNotRemoved);
    // 8.
    WriteInfoFiles(target);
    // 9. - 10.
    ReadDrive(target);
    // 11. - 13.
    FinishRun();
}

bool THauptfenster::PrepareTempDir(const std::string& target, std::string& tempDir) {
    const auto [first, second] = rt::TempDirNames(target);
    tempDir = first;
    if (tk::DirectoryExists(tempDir)) {
        tempDir = second;
        if (tk::DirectoryExists(tempDir)) {
            tk::MessageDlg(rt::TempDirBusyMessage(tempDir), tk::MsgDlgType::mtError, tk::mbOK);
            return false;
        }
    }
    if (!tk::ForceDirectories(tempDir)) {
        ShowPathError(tempDir, txt::TempDirNotCreated);
        return false;
    }
    return true;
}

void THauptfenster::RestorePackedFiles(const std::string& target, const std::string& tempDir) {
    for (const rt::PackedFile& row : rt::kPackedFiles) {
        const std::string installed = target + row.installed;
        Label37.SetCaption(row.packed);
        Label37.Repaint();
        Label39.SetCaption(tk::ShortenPath(installed, Label39.GetFont(), kLabel39Width));
        Label39.Repaint();

        const std::string source = ProgramDir + "\\" + row.packed;
        const std::string copy = tempDir + "\\" + row.packed;
        if (::CopyFileA(source.c_str(), copy.c_str(), FALSE)) {
            const std::vector<std::string> volumes = CopyVolumes(source, copy);
            if (!BackupFile1.Restore(copy, target))
                ShowPathError(installed, txt::FileNotCreated);
            DeleteTempCopy(copy);
            for (const std::string& v : volumes)
                DeleteTempCopy(v);
        } else {
            ShowPathError(installed, txt::FileNotCreated);
        }
        ::SendMessageA(ProgressBar1, PBM_STEPIT, 0, 0);
        tk::ProcessMessages();
    }
}

void THauptfenster::WriteInfoFiles(const std::string& target) {
    const std::string cfg = target + "\\Kvrinf.cfg";
    ::CopyFileA((ProgramDir + "\\Kvrinf.kvr").c_str(), cfg.c_str(), FALSE);
    ::SetFileAttributesA(cfg.c_str(), kArchiveOnly);
    tk::WriteTextFile(target + "\\Kvrinf2.cfg", rt::Kvrinf2Lines(WindowText(Edit1)));
}

void THauptfenster::ReadDrive(const std::string& target) {
    SetBold(Label34, false);
    ShowSubPage(TabSheet8);
    SetBold(Label35, true);
    ::SendMessageA(Ani1, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    ::RedrawWindow(Ani1, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Label43.SetCaption(rt::UpperAZ(DriveComboBox1.Text().substr(0, 2)));
    Label43.Repaint();
    TargetDir_ = target;
    LwEinlesen.Execute();
    ::SendMessageA(Ani1, ACM_STOP, 0, 0);
    ::RedrawWindow(Ani1, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Label34.SetFontStyle({});
    Label35.SetFontStyle({});
    Label34.Repaint();
    Label35.Repaint();
}

void THauptfenster::FinishRun() {
    if (Form2)
        Form2->ShowModal();
    if (tk::MessageDlg(txt::FinalQuestion, tk::MsgDlgType::mtConfirmation, tk::mbYesNo) ==
        tk::ModalResult::mrYes) {
        const std::string launcher = TargetDir_ + "\\Launch.exe";
        ::ShellExecuteA(tk::ApplicationWindow(), "open", launcher.c_str(), nullptr, nullptr,
                        SW_SHOWNORMAL);
    }
    Close();
}

void THauptfenster::ShowSubPage(tk::TTabSheet& page) {
    page.SetVisible(true);
    for (tk::TTabSheet* p : {&TabSheet7, &TabSheet8})
        if (p != &page)
            p->SetVisible(false);
    page.Repaint();
}
