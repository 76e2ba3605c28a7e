#pragma once
// The progress page: its two steps, the copy of the packed files (a bar and
// the file being copied) and the reading of the drive (an animation and the
// directory being read), each shown on an inner page of its own.
#include "app/install_run.h"
#include "app/wizard/wizard_page.h"

#include <string>

namespace wizard {

class ProgressPage final : public WizardPage, public app::RunDisplay {
public:
    // Both step titles plain again: a run that led back to the name page may
    // have left one bold.
    void OnEnter(const WizardModel& model) override;

    // The run's steps.
    void ShowCopyStep() override;
    void ShowCurrentFile(const std::string& packed, const std::string& installed) override;
    void StepBar() override;
    void ShowDriveStep(const std::string& drive) override;
    void EndDriveStep() override;
    // The line under the animation that shows the directory being read.
    tk::TLabel& StatusLine() { return readingLabels_[layout::progress::reading::kStatus]; }

private:
    const char* Caption() const override { return layout::progress::kCaption; }
    int LineY() const override { return layout::progress::kLineY; }
    void CreateControls() override;
    void CreateCopyStep();
    void CreateDriveStep();
    void ShowStep(tk::TTabSheet& step);
    void SetTitleBold(int title, bool bold);

    tk::TImage icon_;
    tk::TPageControl steps_;
    tk::TTabSheet copyStep_, driveStep_;
    tk::TBevel barFrame_, fileFrame_, frameJoint_;
    HWND bar_ = nullptr;
    HWND animation_ = nullptr;
    tk::TLabel labels_[layout::progress::kLabelCount];
    tk::TLabel copyLabels_[layout::progress::copy::kLabelCount];
    tk::TLabel readingLabels_[layout::progress::reading::kLabelCount];
};

} // namespace wizard
