// "&Installieren": the wizard window wires the installation run's host and
// shows the run's steps on its progress page. The run itself (InstallRun)
// decides the steps; the host (install_host.cpp) does the file work.
#include "app/wizard_window.h"
#include "runtime/texts.h"
#include "toolkit/gdi.h"
#include "toolkit/session.h"
#include <commctrl.h>

namespace {

void SetBold(tk::TLabel& label, bool bold) {
    label.SetFontStyle({bold, false});
    label.Repaint();
}

} // namespace

void WizardWindow::OnInstall() {
    const app::InstallInput input{WindowText(nameEdit_), WindowText(targetEdit_), driveList_.Text(),
                                  WindowText(designationEdit_), programDir_};
    // A logoff or shutdown waits until the run has returned.
    const tk::SessionEndBlock noSessionEnd(hwnd_, txt::SessionEndReason);
    app::InstallRunHost host(archive_, snapshots_, shortcutDialog_);
    app::InstallRun(input, *this, host);
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
    installedPathLabel_.SetCaption(tk::ShortenPath(installed, installedPathLabel_.GetFont(),
                                                   installedPathLabel_.FixedWidth()));
    installedPathLabel_.Repaint();
}

void WizardWindow::StepBar() {
    ::SendMessageA(progressBar_, PBM_STEPIT, 0, 0);
    tk::ProcessMessages();
}

void WizardWindow::BackToNamePage() {
    ShowPage(rt::Page::Name); // "&Abbrechen" stays disabled: the after-run rows
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

void WizardWindow::ShowSubPage(tk::TTabSheet& page) {
    page.SetVisible(true);
    for (tk::TTabSheet* p : {&copyStep_, &driveStep_})
        if (p != &page)
            p->SetVisible(false);
    page.Repaint();
}
