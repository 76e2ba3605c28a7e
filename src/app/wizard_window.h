#pragma once
// The wizard window: six pages in one fixed-size window and the buttons below
// them. It shows the pages and routes the commands; the installation run's
// host and the snapshots' host are objects of their own that it wires.
#include "app/install_host.h"
#include "app/snapshot_host.h"
#include "backup/BackupFile.h"
#include "runtime/pageflow.h"
#include "shell/DriveList.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"
#include <string>
#include <windows.h>

class ShortcutDialog;

class WizardWindow : public tk::TWindow, public tk::KeyboardTarget, private app::RunDisplay {
public:
    static constexpr const char* kClassName = "THauptfenster";

    // The archive component as placed on the window: maximum compression, the rest at defaults.
    WizardWindow() { archive_.CompressionLevel = clMax; }
    ~WizardWindow() override;
    WizardWindow(const WizardWindow&) = delete;
    WizardWindow& operator=(const WizardWindow&) = delete;

    // Creates the window (hidden); FormCreate runs on the way.
    bool Create();
    // Shows the window centred; FormShow runs on the way.
    void Show();
    rt::Page ActivePage() const;

    // The shortcut dialog, created by the entry; shown once by the installation run.
    void SetShortcutDialog(ShortcutDialog* form) { shortcutDialog_ = form; }
    // The archive component's settings, for a look from outside.
    const TBackupFile& ArchiveComponent() const { return archive_; }

private:
    // The layout table of wizard_window_layout.cpp names the controls.
    friend struct WizardLayout;

    // Values owned by the window.
    std::string programDir_;

    // Non-visual components.
    TBackupFile archive_;
    ShortcutDialog* shortcutDialog_ = nullptr;

    // Event handlers, named after the control and the event.
    void FormCreate();
    void FormShow();
    void FormClose();
    void OnBack();    // "&Zurück"
    void OnNext();    // "&Weiter"
    void OnCancel();  // "&Abbrechen"
    void OnInstall(); // "&Installieren"
    void OnBrowse();  // "Durchsuchen..."

    // Closes the window once the running handler has returned.
    void Close() override;
    void ShowSubPage(tk::TTabSheet& page);

    // The run's steps on the progress page (wizard_window_install.cpp).
    void ShowCopyStep() override;
    void ShowCurrentFile(const std::string& packed, const std::string& installed) override;
    void StepBar() override;
    void BackToNamePage() override;
    void ShowDriveStep(const std::string& drive) override;
    void EndDriveStep() override;

    // "&Weiter", per page.
    void NextOnWelcome();
    void NextOnAgreement();
    void NextOnName();
    void NextOnDrive();

    void ShowPage(rt::Page page);
    // Shows, hides and enables the buttons as a page's row of the page table
    // says, painting each change at once; the only place that sets them.
    void SetButtons(const rt::ButtonStates& states);

    bool PreTranslate(MSG& msg) override;
    bool DialogChar(char ch);
    void CreateControls();
    void FillLicence();
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCreate();
    void OnCommand(int id, int code, HWND ctl);
    void PaintBackground(HDC dc);

    tk::Bitmap background_;
    tk::Brush pageBrush_;
    tk::FocusKeeper focusKeeper_;
    int busy_ = 0;            // handlers running; a close request and a second command are refused
    bool closing_ = false;    // the window closes once the running handler returns
    bool runStarted_ = false; // picks the page table's rows for after a run started

    // Controls.
    tk::TSpeedButton backButton_, nextButton_, cancelButton_, installButton_;
    tk::TBevel buttonSeparator_;
    tk::TPageControl pageArea_, progressSteps_;
    tk::TTabSheet welcomePage_, agreementPage_, namePage_, drivePage_, summaryPage_, progressPage_,
        copyStep_, driveStep_;
    tk::TBevel pageFrames_[6], pageLines_[4], barFrame_, fileFrame_, frameJoint_;
    tk::TImage welcomeIcon_, progressIcon_;
    tk::TLabel licenceHeading_, welcomeHeading_, welcomeLine1_, welcomeLine2_, welcomeLine3_,
        welcomeLine4_, welcomeLine5_, welcomeLine6_, welcomeLine7_, welcomeLine8_, nameIntro1_,
        nameIntro2_, nameCaption_, targetCaption_, browseLink_, driveIntro1_, driveIntro2_,
        driveIntro3_, driveIntro4_, summaryIntro1_, driveCaption_, designationCaption_,
        summaryIntro2_, summaryIntro3_, summaryIntro4_, summaryNameCaption_, summaryName_,
        summaryTargetCaption_, summaryTarget_, summaryDriveCaption_, summaryDesignationCaption_,
        summaryDrive_, summaryDesignation_, copyStepTitle_, driveStepTitle_, copyingCaption_,
        packedFileLabel_, copyToCaption_, installedPathLabel_, driveNote1_, driveNote2_,
        readingDriveCaption_, readingDriveLabel_, statusLabel_;
    HWND licenceList_ = nullptr;
    HWND agreeBox_ = nullptr;
    HWND nameEdit_ = nullptr, targetEdit_ = nullptr, designationEdit_ = nullptr;
    HWND progressBar_ = nullptr;
    HWND driveAnimation_ = nullptr;
    TDriveList driveList_;

    // The snapshots' host shows its progress in the status line.
    app::SnapshotHost snapshots_{statusLabel_};
};

// Text of an edit or other standard control.
std::string WindowText(HWND hwnd);
