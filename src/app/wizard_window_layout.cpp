// The wizard window's layout: every position and size at 96 DPI, in one place.
#include "app/wizard_window.h"
#include "app/resource.h"
#include "app/wizard_window_ids.h"
#include "runtime/install.h"
#include "runtime/texts.h"
#include "toolkit/accessible.h"
#include "toolkit/gdi.h"
#include <commctrl.h>

namespace {

using Style = tk::TLabel::Style;
constexpr tk::FontStyle kBold{true, false};
constexpr Style kPlain{};
constexpr Style kBoldLabel{kBold};
constexpr Style kNavy{{}, tk::clNavy};

struct LabelDef {
    tk::TLabel WizardWindow::*label;
    int sheet; // 1..8: welcomePage_..driveStep_
    int id;
    int x, y;
    const char* text;
    Style style;
};

} // namespace

// The window's friend: its table may name the private controls.
struct WizardLayout {
    static const LabelDef kLabels[];
};

const LabelDef WizardLayout::kLabels[] = {
    // Welcome page
    {&WizardWindow::welcomeHeading_, 1, 0, 70, 30, txt::WelcomeHeading, {{true, true}, tk::clNavy}},
    {&WizardWindow::welcomeLine1_, 1, 0, 70, 60, txt::WelcomeLine1, kPlain},
    {&WizardWindow::welcomeLine2_, 1, 0, 70, 75, txt::WelcomeLine2, kPlain},
    {&WizardWindow::welcomeLine3_, 1, 0, 70, 90, txt::WelcomeLine3, kPlain},
    {&WizardWindow::welcomeLine4_, 1, 0, 70, 105, txt::WelcomeLine4, kPlain},
    {&WizardWindow::welcomeLine5_, 1, 0, 70, 120, txt::WelcomeLine5, kPlain},
    {&WizardWindow::welcomeLine6_, 1, 0, 70, 135, txt::WelcomeLine6, kPlain},
    {&WizardWindow::welcomeLine7_, 1, 0, 70, 165, txt::WelcomeLine7, kPlain},
    {&WizardWindow::welcomeLine8_, 1, 0, 70, 180, txt::WelcomeLine8, kPlain},
    // Agreement page
    {&WizardWindow::licenceHeading_, 2, 0, 15, 15, txt::LicenceHeading, kBoldLabel},
    // Name page
    {&WizardWindow::nameIntro1_, 3, 0, 25, 25, txt::NameIntro1, kPlain},
    {&WizardWindow::nameIntro2_, 3, 0, 25, 40, txt::NameIntro2, kPlain},
    {&WizardWindow::nameCaption_, 3, 0, 105, 110, txt::NameCaption, kBoldLabel},
    {&WizardWindow::targetCaption_, 3, 0, 52, 150, txt::TargetCaption, kBoldLabel},
    {&WizardWindow::browseLink_,
     3,
     kIdBrowseLink,
     147,
     170,
     txt::BrowseLink,
     {{false, true}, tk::clNavy, 0, false, false, true}},
    // Drive page
    {&WizardWindow::driveIntro1_, 4, 0, 25, 25, txt::DriveIntro1, kPlain},
    {&WizardWindow::driveIntro2_, 4, 0, 25, 40, txt::DriveIntro2, kPlain},
    {&WizardWindow::driveIntro3_, 4, 0, 25, 55, txt::DriveIntro3, kPlain},
    {&WizardWindow::driveIntro4_, 4, 0, 25, 70, txt::DriveIntro4, kPlain},
    {&WizardWindow::driveCaption_, 4, 0, 98, 133, txt::DriveCaption, kPlain},
    {&WizardWindow::designationCaption_, 4, 0, 85, 164, txt::DesignationCaption, kPlain},
    // Summary page
    {&WizardWindow::summaryIntro1_, 5, 0, 25, 25, txt::SummaryIntro1, kPlain},
    {&WizardWindow::summaryIntro2_, 5, 0, 25, 40, txt::SummaryIntro2, kPlain},
    {&WizardWindow::summaryIntro3_, 5, 0, 25, 55, txt::SummaryIntro3, kPlain},
    {&WizardWindow::summaryIntro4_, 5, 0, 25, 70, txt::SummaryIntro4, kPlain},
    {&WizardWindow::summaryNameCaption_, 5, 0, 97, 120, txt::SummaryNameCaption, {{}, tk::clBlack}},
    {&WizardWindow::summaryName_, 5, kIdSummaryName, 131, 120, "", {{}, tk::clNavy, 230}},
    {&WizardWindow::summaryTargetCaption_,
     5,
     0,
     55,
     135,
     txt::SummaryTargetCaption,
     {{}, tk::clBlack}},
    {&WizardWindow::summaryTarget_, 5, kIdSummaryTarget, 131, 135, "", {{}, tk::clNavy, 230}},
    {&WizardWindow::summaryDriveCaption_,
     5,
     0,
     55,
     160,
     txt::SummaryDriveCaption,
     {{}, tk::clBlack}},
    {&WizardWindow::summaryDrive_, 5, kIdSummaryDrive, 176, 160, "", kNavy},
    {&WizardWindow::summaryDesignationCaption_, 5, 0, 55, 175, txt::SummaryDesignationCaption,
     kPlain},
    {&WizardWindow::summaryDesignation_, 5, kIdSummaryDesignation, 123, 175, "", kNavy},
    // Progress page
    {&WizardWindow::copyStepTitle_, 6, kIdCopyStepTitle, 80, 25, txt::CopyStepTitle, kPlain},
    {&WizardWindow::driveStepTitle_, 6, kIdDriveStepTitle, 80, 40, txt::DriveStepTitle, kPlain},
    // Copy sub-page
    {&WizardWindow::copyingCaption_, 7, 0, 76, 30, txt::CopyingCaption, kPlain},
    {&WizardWindow::packedFileLabel_, 7, kIdPackedFile, 86, 45, "", {kBold, tk::clNavy}},
    {&WizardWindow::copyToCaption_, 7, 0, 76, 60, txt::CopyToCaption, kPlain},
    {&WizardWindow::installedPathLabel_, 7, kIdInstalledPath, 86, 75, "", {{}, tk::clNavy, 245}},
    // Drive-reading sub-page
    {&WizardWindow::driveNote1_, 8, 0, 25, 5, txt::DriveNote1, {{}, CLR_INVALID, 326, true}},
    {&WizardWindow::driveNote2_, 8, 0, 25, 20, txt::DriveNote2, {{}, CLR_INVALID, 326, true}},
    {&WizardWindow::readingDriveCaption_, 8, 0, 120, 60, txt::ReadingDriveCaption, kPlain},
    {&WizardWindow::readingDriveLabel_,
     8,
     kIdReadingDrive,
     241,
     60,
     "",
     {kBold, tk::clNavy, 0, false, true}},
    {&WizardWindow::statusLabel_, 8, kIdStatus, 120, 85, "", {{}, tk::clNavy, 241}},
};

namespace {

HWND CreateStd(const char* cls, const char* text, DWORD style, DWORD exStyle, HWND parent, int id,
               int x, int y, int w, int h) {
    const RECT r = tk::ScaleRect(x, y, w, h);
    HWND hwnd = ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), tk::Instance(),
                                  nullptr);
    ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(tk::UiFont()), FALSE);
    return hwnd;
}

} // namespace

// Page control without tabs: the pages fill its display area inside a 4-pixel border.
constexpr int kPageInset = 4;
constexpr int kPageAreaW = 415, kPageAreaH = 231;
constexpr int kSheetW = kPageAreaW - 2 * kPageInset, kSheetH = kPageAreaH - 2 * kPageInset;

void WizardWindow::CreateControls() {
    using GP = tk::TSpeedButton::GlyphPos;
    using Shape = tk::TBevel::Shape;
    backButton_.Create(hwnd_, kIdBackButton, 237, 345, 91, 30, txt::BtnBack, IDB_ARROW_LEFT,
                       GP::Left, {});
    nextButton_.Create(hwnd_, kIdNextButton, 329, 345, 91, 30, txt::BtnNext, IDB_ARROW_RIGHT,
                       GP::Right, {});
    cancelButton_.Create(hwnd_, kIdCancelButton, 432, 345, 91, 30, txt::BtnAbort, 0, GP::None, {});
    installButton_.Create(hwnd_, kIdInstallButton, 329, 345, 91, 30, txt::BtnInstall, 0, GP::None,
                          kBold);
    buttonSeparator_.Create(hwnd_, 425, 345, 6, 30, Shape::bsLeftLine);

    pageArea_.Create(hwnd_, 108, 111, kPageAreaW, kPageAreaH);
    tk::TTabSheet* sheets[] = {&welcomePage_, &agreementPage_, &namePage_, &drivePage_,
                               &summaryPage_, &progressPage_,  &copyStep_, &driveStep_};
    const char* captions[] = {"Willkommen",    "Lizenzbestimmungen", "Name&&Zielverzeichnis",
                              "LaufwerkAbsp.", "Installieren",       "Installieren"};
    for (int i = 0; i < 6; ++i) {
        sheets[i]->Create(pageArea_.Handle(), kPageInset, kPageInset, kSheetW, kSheetH,
                          captions[i]);
        pageFrames_[i].Create(sheets[i]->Handle(), 5, 5, 398, 211, Shape::bsFrame);
    }
    const int lineTops[] = {70, 100, 95, 70}; // pages 3 to 6
    for (int i = 0; i < 4; ++i)
        pageLines_[i].Create(sheets[i + 2]->Handle(), 25, lineTops[i], 361, 2, Shape::bsTopLine);

    welcomeIcon_.CreateIcon(welcomePage_.Handle(), 25, 20, 32, 32, IDI_KELVAR);
    progressIcon_.CreateIcon(progressPage_.Handle(), 30, 23, 32, 32, IDI_KELVAR);

    // Inner page area of the progress page, button style: no border, no tabs.
    progressSteps_.Create(progressPage_.Handle(), 15, 80, 379, 126);
    copyStep_.Create(progressSteps_.Handle(), 0, 0, 379, 126, "TabSheet7");
    driveStep_.Create(progressSteps_.Handle(), 0, 0, 379, 126, "TabSheet8");
    driveStep_.SetVisible(true);

    // Agreement page: the check box comes first in the tab order.
    agreeBox_ = CreateStd("Button", txt::AgreeBox, WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                          agreementPage_.Handle(), kIdAgreeBox, 15, 193, 292, 17);
    licenceList_ =
        CreateStd("ListBox", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                  WS_EX_CLIENTEDGE, agreementPage_.Handle(), kIdLicenceList, 15, 35, 378, 151);
    ::SendMessageA(licenceList_, LB_SETITEMHEIGHT, 0, tk::Scale(13));
    FillLicence();

    // Name page.
    nameEdit_ = CreateStd("Edit", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                          namePage_.Handle(), kIdNameEdit, 147, 107, 154, 19);
    targetEdit_ = CreateStd("Edit", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                            namePage_.Handle(), kIdTargetEdit, 147, 147, 199, 19);

    // Drive page.
    driveList_.Create(drivePage_.Handle(), kIdDriveList, 150, 129, 151, 21);
    designationEdit_ =
        CreateStd("Edit", txt::DesignationDefault, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                  drivePage_.Handle(), kIdDesignationEdit, 155, 161, 151, 19);

    // Copy sub-page.
    barFrame_.Create(copyStep_.Handle(), 25, 17, 26, 83, Shape::bsFrame);
    fileFrame_.Create(copyStep_.Handle(), 61, 17, 285, 83, Shape::bsFrame);
    frameJoint_.Create(copyStep_.Handle(), 55, 40, 6, 40, Shape::bsLeftLine);
    progressBar_ = CreateStd(PROGRESS_CLASSA, "", PBS_VERTICAL, 0, copyStep_.Handle(),
                             kIdProgressBar, 30, 22, 16, 73);
    // One step per packed file.
    constexpr int kBarSteps = static_cast<int>(std::size(rt::kPackedFiles));
    ::SendMessageA(progressBar_, PBM_SETRANGE32, 0, kBarSteps);
    ::SendMessageA(progressBar_, PBM_SETSTEP, 1, 0);
    ::SendMessageA(progressBar_, PBM_SETPOS, kBarSteps, 0);

    // Drive-reading sub-page. A transparent animation takes its background
    // from a parent that does not clip it away (WS_CLIPCHILDREN).
    ::SetWindowLongPtrA(driveStep_.Handle(), GWL_STYLE,
                        ::GetWindowLongPtrA(driveStep_.Handle(), GWL_STYLE) & ~WS_CLIPCHILDREN);
    driveAnimation_ = CreateStd(ANIMATE_CLASSA, "", ACS_TRANSPARENT | ACS_CENTER, 0,
                                driveStep_.Handle(), kIdDriveAnimation, 25, 55, 80, 50);
    // The platform's find-folder clip is resource 150 of shell32. Wine's shell32
    // has only a text placeholder there, so under Wine our own clip of the same
    // size stands in.
    HMODULE shell = ::GetModuleHandleA("shell32.dll");
    if (RunningUnderWine())
        shell = nullptr;
    if (!shell || !::SendMessageA(driveAnimation_, ACM_OPENA, reinterpret_cast<WPARAM>(shell),
                                  reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(150))))
        ::SendMessageA(driveAnimation_, ACM_OPENA, reinterpret_cast<WPARAM>(tk::Instance()),
                       reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_FINDFOLDER_AVI)));

    for (const LabelDef& d : WizardLayout::kLabels)
        (this->*d.label).Create(sheets[d.sheet - 1]->Handle(), d.id, d.x, d.y, d.text, d.style);
    // A screen reader names each field after the label beside it.
    tk::NameAfterLabel(nameEdit_, nameCaption_.Handle());
    tk::NameAfterLabel(targetEdit_, targetCaption_.Handle());
    tk::NameAfterLabel(driveList_.Handle(), driveCaption_.Handle());
    tk::NameAfterLabel(designationEdit_, designationCaption_.Handle());
}

void WizardWindow::FillLicence() {
    for (const char* line : txt::Licence)
        ::SendMessageA(licenceList_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}
