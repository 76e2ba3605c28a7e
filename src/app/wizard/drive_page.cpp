#include "app/wizard/drive_page.h"
#include "toolkit/accessible.h"
#include "toolkit/files.h"

namespace wizard {

void DrivePage::CreateControls() {
    using namespace layout::drive;
    const HWND sheet = sheet_.Handle();
    driveList_.Create(sheet, kIdDriveList, kDriveList.x, kDriveList.y, kDriveList.w, kDriveList.h);
    designationEdit_ = CreateStd("Edit", txt::DesignationDefault, WS_TABSTOP | ES_AUTOHSCROLL,
                                 WS_EX_CLIENTEDGE, sheet, kIdDesignationEdit, kDesignationEdit);
    CreateLabels(sheet, kLabels, labels_);
    tk::NameAfterLabel(driveList_.Handle(), labels_[kDriveCaption].Handle());
    tk::NameAfterLabel(designationEdit_, labels_[kDesignationCaption].Handle());
}

bool DrivePage::OnLeave(WizardModel& model) {
    const int item = driveList_.ItemIndex();
    model.drive = DriveChoice::FromItem(driveList_.Text(),
                                        item >= 0 ? driveList_.ItemKind(item) : shell::dtUnknown);
    model.designation = tk::WindowText(designationEdit_);
    if (const auto complaint = CheckDrive(model.drive, tk::DirectoryExists)) {
        Complain(*complaint, nullptr);
        return false;
    }
    return true;
}

} // namespace wizard
