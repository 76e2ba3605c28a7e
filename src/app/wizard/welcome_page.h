#pragma once
// The welcome page: the product's icon and a greeting; nothing to check.
#include "app/wizard/wizard_page.h"

namespace wizard {

class WelcomePage final : public WizardPage {
private:
    const char* Caption() const override { return layout::welcome::kCaption; }
    void CreateControls() override;

    tk::TImage icon_;
    tk::TLabel labels_[std::size(layout::welcome::kLabels)];
};

} // namespace wizard
