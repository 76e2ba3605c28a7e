#pragma once
// The licence agreement: the licence text and the consent box, which must be
// ticked to go on. Leaving it proposes the target directory.
#include "app/wizard/wizard_page.h"

namespace wizard {

class AgreementPage final : public WizardPage {
public:
    bool OnLeave(WizardModel& model) override;

private:
    const char* Caption() const override { return layout::agreement::kCaption; }
    void CreateControls() override;

    HWND agreeBox_ = nullptr;
    HWND licenceList_ = nullptr;
    tk::TLabel labels_[std::size(layout::agreement::kLabels)];
};

} // namespace wizard
