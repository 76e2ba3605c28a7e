#pragma once
// The summary: what the user chose, shown before "&Installieren".
#include "app/wizard/wizard_page.h"

namespace wizard {

class SummaryPage final : public WizardPage {
public:
    void OnEnter(const WizardModel& model) override;

private:
    const char* Caption() const override { return layout::summary::kCaption; }
    int LineY() const override { return layout::summary::kLineY; }
    void CreateControls() override;

    tk::TLabel labels_[layout::summary::kLabelCount];
};

} // namespace wizard
