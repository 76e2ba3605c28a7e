#include "app/wizard/progress_page.h"
#include "app/resource.h"
#include "runtime/install_values.h"
#include "toolkit/app.h"
#include "toolkit/gdi.h"
#include <commctrl.h>

namespace wizard {

namespace {
// One step of the bar per packed file.
constexpr int kBarSteps = static_cast<int>(std::size(rt::kPackedFiles));

// Each change on this page is painted at once, which under Wine takes some
// milliseconds a control: after each the window handles what has come
// meanwhile, so that the steps of the run never add up to one long wait.
void AnswerWindow() {
    tk::ProcessMessages();
}
} // namespace

void ProgressPage::CreateControls() {
    using namespace layout::progress;
    icon_.CreateIcon(sheet_.Handle(), kIcon.x, kIcon.y, kIcon.w, kIcon.h, IDI_KELVAR);
    steps_.Create(sheet_.Handle(), kSteps.x, kSteps.y, kSteps.w, kSteps.h);
    copyStep_.Create(steps_.Handle(), kStep.x, kStep.y, kStep.w, kStep.h, copy::kCaption);
    driveStep_.Create(steps_.Handle(), kStep.x, kStep.y, kStep.w, kStep.h, reading::kCaption);
    driveStep_.SetVisible(true);
    CreateCopyStep();
    CreateDriveStep();
    CreateLabels(sheet_.Handle(), kLabels, labels_);
    CreateLabels(copyStep_.Handle(), copy::kLabels, copyLabels_);
    CreateLabels(driveStep_.Handle(), reading::kLabels, readingLabels_);
}

void ProgressPage::CreateCopyStep() {
    using namespace layout::progress::copy;
    using Shape = tk::TBevel::Shape;
    const HWND step = copyStep_.Handle();
    barFrame_.Create(step, kBarFrame.x, kBarFrame.y, kBarFrame.w, kBarFrame.h, Shape::bsFrame);
    fileFrame_.Create(step, kFileFrame.x, kFileFrame.y, kFileFrame.w, kFileFrame.h, Shape::bsFrame);
    frameJoint_.Create(step, kFrameJoint.x, kFrameJoint.y, kFrameJoint.w, kFrameJoint.h,
                       Shape::bsLeftLine);
    bar_ = CreateStd(PROGRESS_CLASSA, "", PBS_VERTICAL, 0, step, kIdProgressBar, kBar);
    ::SendMessageA(bar_, PBM_SETRANGE32, 0, kBarSteps);
    ::SendMessageA(bar_, PBM_SETSTEP, 1, 0);
    // Laid out full; a run empties it first.
    ::SendMessageA(bar_, PBM_SETPOS, kBarSteps, 0);
}

void ProgressPage::CreateDriveStep() {
    using namespace layout::progress::reading;
    const HWND step = driveStep_.Handle();
    // A transparent animation takes its background from a parent that does
    // not clip it away (WS_CLIPCHILDREN).
    ::SetWindowLongPtrA(step, GWL_STYLE, ::GetWindowLongPtrA(step, GWL_STYLE) & ~WS_CLIPCHILDREN);
    animation_ = CreateStd(ANIMATE_CLASSA, "", ACS_TRANSPARENT | ACS_CENTER, 0, step,
                           kIdDriveAnimation, kAnimation);
    // The platform's find-folder clip is resource 150 of shell32. Wine's shell32
    // has only a text placeholder there, so under Wine our own clip of the same
    // size stands in.
    HMODULE shell = tk::RunningUnderWine() ? nullptr : ::GetModuleHandleA("shell32.dll");
    if (!shell || !::SendMessageA(animation_, ACM_OPENA, reinterpret_cast<WPARAM>(shell),
                                  reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(150))))
        ::SendMessageA(animation_, ACM_OPENA, reinterpret_cast<WPARAM>(tk::Instance()),
                       reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_FINDFOLDER_AVI)));
}

void ProgressPage::OnEnter(const WizardModel&) {
    for (tk::TLabel& title : labels_)
        title.SetFontStyle({});
}

void ProgressPage::ShowCopyStep() {
    ShowStep(copyStep_);
    SetTitleBold(layout::progress::kCopyStepTitle, true);
    // Stepping past the bar's maximum would wrap: it starts empty and ends
    // full after the last packed file.
    ::SendMessageA(bar_, PBM_SETPOS, 0, 0);
}

void ProgressPage::ShowCurrentFile(const std::string& packed, const std::string& installed) {
    using namespace layout::progress::copy;
    tk::TLabel& path = copyLabels_[kInstalledPath];
    copyLabels_[kPackedFile].SetCaption(packed);
    copyLabels_[kPackedFile].Repaint();
    path.SetCaption(tk::ShortenPath(installed, path.GetFont(), path.FixedWidth()));
    path.Repaint();
    AnswerWindow();
}

void ProgressPage::StepBar() {
    ::SendMessageA(bar_, PBM_STEPIT, 0, 0);
    AnswerWindow();
}

void ProgressPage::ShowDriveStep(const std::string& drive) {
    using namespace layout::progress;
    SetTitleBold(kCopyStepTitle, false);
    ShowStep(driveStep_);
    SetTitleBold(kDriveStepTitle, true);
    ::SendMessageA(animation_, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF));
    ::RedrawWindow(animation_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    tk::TLabel& label = readingLabels_[reading::kReadingDrive];
    label.SetCaption(drive);
    label.Repaint();
    AnswerWindow();
}

void ProgressPage::EndDriveStep() {
    ::SendMessageA(animation_, ACM_STOP, 0, 0);
    ::RedrawWindow(animation_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    AnswerWindow();
    for (tk::TLabel& title : labels_)
        title.SetFontStyle({});
    for (tk::TLabel& title : labels_)
        title.Repaint();
    AnswerWindow();
}

void ProgressPage::ShowStep(tk::TTabSheet& step) {
    step.SetVisible(true);
    for (tk::TTabSheet* s : {&copyStep_, &driveStep_})
        if (s != &step)
            s->SetVisible(false);
    step.Repaint();
    AnswerWindow();
}

void ProgressPage::SetTitleBold(int title, bool bold) {
    labels_[title].SetFontStyle({bold, false});
    labels_[title].Repaint();
    AnswerWindow();
}

} // namespace wizard
