#pragma once
// Control ids of the wizard window (kept clear of IDOK/IDCANCEL); a window
// spy and the test driver find the controls by them.

enum : int {
    kIdBackButton = 101,
    kIdNextButton,
    kIdCancelButton,
    kIdInstallButton,
    kIdBrowseLink = 115,
    kIdSummaryName = 127,
    kIdSummaryTarget = 129,
    kIdSummaryDrive = 132,
    kIdSummaryDesignation = 133,
    kIdCopyStepTitle = 134,
    kIdDriveStepTitle = 135,
    kIdPackedFile = 137,
    kIdInstalledPath = 139,
    kIdReadingDrive = 143,
    kIdStatus = 144,
    kIdAgreeBox = 201,
    kIdLicenceList = 202,
    kIdNameEdit = 203,
    kIdTargetEdit = 204,
    kIdDesignationEdit = 205,
    kIdDriveList = 206,
    kIdProgressBar = 207,
    kIdDriveAnimation = 208,
};
