#pragma once
// The name and target directory page: the user's name, the folder to install
// into ("Durchsuchen..." picks one), and the checks on both.
#include "app/wizard/wizard_page.h"

namespace wizard {

class NamePage final : public WizardPage {
public:
    void OnEnter(const WizardModel& model) override;
    bool OnLeave(WizardModel& model) override;
    bool Handles(int id, int code) const override;
    void OnCommand(int id, int code) override;
    HWND InitialFocus() const override { return nameEdit_; }
    // The installation run leads back here when the target cannot be created.
    void FocusTarget() const { ::SetFocus(targetEdit_); }

private:
    const char* Caption() const override { return layout::name::kCaption; }
    int LineY() const override { return layout::name::kLineY; }
    void CreateControls() override;
    void OnBrowse();

    HWND nameEdit_ = nullptr, targetEdit_ = nullptr;
    tk::TLabel labels_[layout::name::kLabelCount];
};

} // namespace wizard
