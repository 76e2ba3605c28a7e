#pragma once
// The wizard's layout: every position and size at 96 DPI, in one place. The
// window scales them (tk::Scale); each page creates its controls from its
// part of this table.
#include "app/resource.h"
#include "app/wizard/control_ids.h"
#include "runtime/texts.h"
#include "toolkit/controls.h"
#include "toolkit/gdi.h"

namespace wizard::layout {

struct Box {
    int x, y, w, h;
};

struct LabelPlace {
    int id; // 0: no id of its own
    int x, y;
    const char* text;
    tk::TLabel::Style style;
};

using Style = tk::TLabel::Style;
inline constexpr tk::FontStyle kBold{true, false};
inline constexpr Style kPlain{};
inline constexpr Style kBoldLabel{kBold};
inline constexpr Style kNavy{{}, tk::clNavy};
inline constexpr Style kBlack{{}, tk::clBlack};

// --- The window and its buttons -------------------------------------------------
inline constexpr int kClientW = 632, kClientH = 453;

struct ButtonPlace {
    int id;
    Box box;
    const char* text;
    int glyph; // bitmap resource, 0 for none
    tk::TSpeedButton::GlyphPos glyphPos;
    tk::FontStyle font;
};
enum Button { kBack, kNext, kCancel, kInstall, kButtonCount };
inline constexpr ButtonPlace kButtons[kButtonCount] = {
    {kIdBackButton,
     {237, 345, 91, 30},
     txt::BtnBack,
     IDB_ARROW_LEFT,
     tk::TSpeedButton::GlyphPos::Left,
     {}},
    {kIdNextButton,
     {329, 345, 91, 30},
     txt::BtnNext,
     IDB_ARROW_RIGHT,
     tk::TSpeedButton::GlyphPos::Right,
     {}},
    {kIdCancelButton, {432, 345, 91, 30}, txt::BtnAbort, 0, tk::TSpeedButton::GlyphPos::None, {}},
    // In "&Weiter"'s place.
    {kIdInstallButton,
     {329, 345, 91, 30},
     txt::BtnInstall,
     0,
     tk::TSpeedButton::GlyphPos::None,
     kBold},
};
inline constexpr Box kButtonSeparator{425, 345, 6, 30};

// --- The page area: a page control without tabs -----------------------------------
inline constexpr int kPageInset = 4; // the pages fill its display area inside this border
inline constexpr Box kPageArea{108, 111, 415, 231};
inline constexpr Box kSheet{kPageInset, kPageInset, kPageArea.w - 2 * kPageInset,
                            kPageArea.h - 2 * kPageInset};
inline constexpr Box kPageFrame{5, 5, 398, 211};
// The line under a page's introduction (pages from the name page on).
inline constexpr int kLineX = 25, kLineW = 361, kLineH = 2;

// --- Welcome -------------------------------------------------------------------------
namespace welcome {
inline constexpr const char* kCaption = "Willkommen";
inline constexpr Box kIcon{25, 20, 32, 32};
inline constexpr LabelPlace kLabels[] = {
    {0, 70, 30, txt::WelcomeHeading, {{true, true}, tk::clNavy}},
    {0, 70, 60, txt::WelcomeLine1, kPlain},
    {0, 70, 75, txt::WelcomeLine2, kPlain},
    {0, 70, 90, txt::WelcomeLine3, kPlain},
    {0, 70, 105, txt::WelcomeLine4, kPlain},
    {0, 70, 120, txt::WelcomeLine5, kPlain},
    {0, 70, 135, txt::WelcomeLine6, kPlain},
    {0, 70, 165, txt::WelcomeLine7, kPlain},
    {0, 70, 180, txt::WelcomeLine8, kPlain},
};
} // namespace welcome

// --- Licence agreement -------------------------------------------------------------
namespace agreement {
inline constexpr const char* kCaption = "Lizenzbestimmungen";
inline constexpr Box kAgreeBox{15, 193, 292, 17};
inline constexpr Box kLicenceList{15, 35, 378, 151};
inline constexpr int kLicenceLineH = 13;
inline constexpr LabelPlace kLabels[] = {
    {0, 15, 15, txt::LicenceHeading, kBoldLabel},
};
} // namespace agreement

// --- Name and target directory --------------------------------------------------------
namespace name {
inline constexpr const char* kCaption = "Name&&Zielverzeichnis";
inline constexpr int kLineY = 70;
inline constexpr Box kNameEdit{147, 107, 154, 19};
inline constexpr Box kTargetEdit{147, 147, 199, 19};
enum Label { kIntro1, kIntro2, kNameCaption, kTargetCaption, kBrowseLink, kLabelCount };
inline constexpr LabelPlace kLabels[kLabelCount] = {
    {0, 25, 25, txt::NameIntro1, kPlain},
    {0, 25, 40, txt::NameIntro2, kPlain},
    {0, 105, 110, txt::NameCaption, kBoldLabel},
    {0, 52, 150, txt::TargetCaption, kBoldLabel},
    {kIdBrowseLink, 147, 170, txt::BrowseLink, {{false, true}, tk::clNavy, 0, false, false, true}},
};
} // namespace name

// --- Drive to watch ---------------------------------------------------------------------
namespace drive {
inline constexpr const char* kCaption = "LaufwerkAbsp.";
inline constexpr int kLineY = 100;
inline constexpr Box kDriveList{150, 129, 151, 21}; // the closed box
inline constexpr Box kDesignationEdit{155, 161, 151, 19};
enum Label { kIntro1, kIntro2, kIntro3, kIntro4, kDriveCaption, kDesignationCaption, kLabelCount };
inline constexpr LabelPlace kLabels[kLabelCount] = {
    {0, 25, 25, txt::DriveIntro1, kPlain},   {0, 25, 40, txt::DriveIntro2, kPlain},
    {0, 25, 55, txt::DriveIntro3, kPlain},   {0, 25, 70, txt::DriveIntro4, kPlain},
    {0, 98, 133, txt::DriveCaption, kPlain}, {0, 85, 164, txt::DesignationCaption, kPlain},
};
} // namespace drive

// --- Summary -----------------------------------------------------------------------------
namespace summary {
inline constexpr const char* kCaption = "Installieren";
inline constexpr int kLineY = 95;
enum Label {
    kIntro1,
    kIntro2,
    kIntro3,
    kIntro4,
    kNameCaption,
    kName,
    kTargetCaption,
    kTarget,
    kDriveCaption,
    kDrive,
    kDesignationCaption,
    kDesignation,
    kLabelCount
};
inline constexpr LabelPlace kLabels[kLabelCount] = {
    {0, 25, 25, txt::SummaryIntro1, kPlain},
    {0, 25, 40, txt::SummaryIntro2, kPlain},
    {0, 25, 55, txt::SummaryIntro3, kPlain},
    {0, 25, 70, txt::SummaryIntro4, kPlain},
    {0, 97, 120, txt::SummaryNameCaption, kBlack},
    {kIdSummaryName, 131, 120, "", {{}, tk::clNavy, 230}},
    {0, 55, 135, txt::SummaryTargetCaption, kBlack},
    {kIdSummaryTarget, 131, 135, "", {{}, tk::clNavy, 230}},
    {0, 55, 160, txt::SummaryDriveCaption, kBlack},
    {kIdSummaryDrive, 176, 160, "", kNavy},
    {0, 55, 175, txt::SummaryDesignationCaption, kPlain},
    {kIdSummaryDesignation, 123, 175, "", kNavy},
};
} // namespace summary

// --- Progress, with its two steps ---------------------------------------------------------
namespace progress {
inline constexpr const char* kCaption = "Installieren";
inline constexpr int kLineY = 70;
inline constexpr Box kIcon{30, 23, 32, 32};
inline constexpr Box kSteps{15, 80, 379, 126}; // the inner page area: no border, no tabs
inline constexpr Box kStep{0, 0, 379, 126};
enum Label { kCopyStepTitle, kDriveStepTitle, kLabelCount };
inline constexpr LabelPlace kLabels[kLabelCount] = {
    {kIdCopyStepTitle, 80, 25, txt::CopyStepTitle, kPlain},
    {kIdDriveStepTitle, 80, 40, txt::DriveStepTitle, kPlain},
};

// The copy step: the bar in one frame, the file being copied in another.
namespace copy {
inline constexpr const char* kCaption = "TabSheet7";
inline constexpr Box kBarFrame{25, 17, 26, 83};
inline constexpr Box kFileFrame{61, 17, 285, 83};
inline constexpr Box kFrameJoint{55, 40, 6, 40};
inline constexpr Box kBar{30, 22, 16, 73};
enum Label { kCopyingCaption, kPackedFile, kCopyToCaption, kInstalledPath, kLabelCount };
inline constexpr LabelPlace kLabels[kLabelCount] = {
    {0, 76, 30, txt::CopyingCaption, kPlain},
    {kIdPackedFile, 86, 45, "", {kBold, tk::clNavy}},
    {0, 76, 60, txt::CopyToCaption, kPlain},
    {kIdInstalledPath, 86, 75, "", {{}, tk::clNavy, 245}},
};
} // namespace copy

// The drive step: the animation and the directory being read.
namespace reading {
inline constexpr const char* kCaption = "TabSheet8";
inline constexpr Box kAnimation{25, 55, 80, 50};
enum Label { kNote1, kNote2, kReadingCaption, kReadingDrive, kStatus, kLabelCount };
inline constexpr LabelPlace kLabels[kLabelCount] = {
    {0, 25, 5, txt::DriveNote1, {{}, CLR_INVALID, 326, true}},
    {0, 25, 20, txt::DriveNote2, {{}, CLR_INVALID, 326, true}},
    {0, 120, 60, txt::ReadingDriveCaption, kPlain},
    {kIdReadingDrive, 241, 60, "", {kBold, tk::clNavy, 0, false, true}},
    {kIdStatus, 120, 85, "", {{}, tk::clNavy, 241}},
};
} // namespace reading
} // namespace progress

} // namespace wizard::layout
