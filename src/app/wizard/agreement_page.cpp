#include "app/wizard/agreement_page.h"
#include "app/program_files_dir.h"

namespace wizard {

void AgreementPage::CreateControls() {
    using namespace layout::agreement;
    // The check box comes first in the tab order.
    agreeBox_ = CreateStd("Button", txt::AgreeBox, WS_TABSTOP | BS_AUTOCHECKBOX, 0, sheet_.Handle(),
                          kIdAgreeBox, kAgreeBox);
    licenceList_ =
        CreateStd("ListBox", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                  WS_EX_CLIENTEDGE, sheet_.Handle(), kIdLicenceList, kLicenceList);
    ::SendMessageA(licenceList_, LB_SETITEMHEIGHT, 0, tk::Scale(kLicenceLineH));
    for (const char* line : txt::Licence)
        ::SendMessageA(licenceList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    CreateLabels(sheet_.Handle(), kLabels, labels_);
}

bool AgreementPage::OnLeave(WizardModel& model) {
    const bool agreed = ::SendMessageA(agreeBox_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (const auto complaint = CheckAgreement(agreed)) {
        Complain(*complaint, nullptr);
        return false;
    }
    // Read first: a bad registry value raises here, and page and model stay as they were.
    model.target = DefaultTargetDir(ReadProgramFilesDir());
    return true;
}

} // namespace wizard
