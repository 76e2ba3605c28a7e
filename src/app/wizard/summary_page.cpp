#include "app/wizard/summary_page.h"

namespace wizard {

void SummaryPage::CreateControls() {
    CreateLabels(sheet_.Handle(), layout::summary::kLabels, labels_);
}

void SummaryPage::OnEnter(const WizardModel& model) {
    using namespace layout::summary;
    tk::TLabel& target = labels_[kTarget];
    const struct {
        tk::TLabel& label;
        std::string text;
    } values[] = {
        {labels_[kName], model.name},
        {target, tk::ShortenPath(model.target, target.GetFont(), target.FixedWidth())},
        {labels_[kDrive], model.drive.Root()},
        {labels_[kDesignation], model.designation},
    };
    for (const auto& v : values) {
        v.label.SetCaption(v.text);
        v.label.Repaint();
    }
}

} // namespace wizard
