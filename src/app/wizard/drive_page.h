#pragma once
// The drive page: the drive to watch, from the list of present drives, and
// the name the user gives it.
#include "app/wizard/wizard_page.h"
#include "shell/drive_list.h"

namespace wizard {

class DrivePage final : public WizardPage {
public:
    bool OnLeave(WizardModel& model) override;

private:
    const char* Caption() const override { return layout::drive::kCaption; }
    int LineY() const override { return layout::drive::kLineY; }
    void CreateControls() override;

    TDriveList driveList_;
    HWND designationEdit_ = nullptr;
    tk::TLabel labels_[layout::drive::kLabelCount];
};

} // namespace wizard
