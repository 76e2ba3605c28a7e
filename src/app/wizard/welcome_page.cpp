#include "app/wizard/welcome_page.h"
#include "app/resource.h"

namespace wizard {

void WelcomePage::CreateControls() {
    using namespace layout::welcome;
    icon_.CreateIcon(sheet_.Handle(), kIcon.x, kIcon.y, kIcon.w, kIcon.h, IDI_KELVAR);
    CreateLabels(sheet_.Handle(), kLabels, labels_);
}

} // namespace wizard
