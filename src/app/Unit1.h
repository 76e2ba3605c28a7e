#pragma once
// The wizard window: six pages in one fixed-size window, the buttons below
// them, and the work values and lists the installation run and the snapshots use.
#include "app/InstallRun.h"
#include "backup/BackupFile.h"
#include "runtime/pageflow.h"
#include "shell/DriveList.h"
#include "shell/GetFolder.h"
#include "snapshot/Snapshot.h"
#include "toolkit/actions.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/files.h"
#include "toolkit/stringlist.h"
#include "toolkit/window.h"
#include <memory>
#include <string>
#include <windows.h>

class TForm2;

class THauptfenster : public tk::TWindow,
                      public tk::KeyboardTarget,
                      private snapshot::Host,
                      private app::InstallHost {
public:
    static constexpr const char* kClassName = "THauptfenster";

    // The archive component as placed on the window: maximum compression, the rest at defaults.
    THauptfenster() { BackupFile1.CompressionLevel = clMax; }
    ~THauptfenster() override;
    THauptfenster(const THauptfenster&) = delete;
    THauptfenster& operator=(const THauptfenster&) = delete;

    // Creates the window (hidden); FormCreate runs on the way.
    bool Create();
    // Shows the window centred; FormShow runs on the way.
    void Show();
    rt::Page ActivePage() const;

    // The shortcut dialog, created by the entry; shown once by the installation run.
    void SetShortcutDialog(TForm2* form) { Form2 = form; }
    // The archive component's settings, for a look from outside.
    const TBackupFile& ArchiveComponent() const { return BackupFile1; }

private:
    // The layout table of Unit1_layout.cpp names the controls.
    friend struct HauptfensterLayout;

    // Values owned by the window.
    std::string ProgramDir;
    std::unique_ptr<tk::TStringList> List1_, List2_;

    // Non-visual components.
    TBackupFile BackupFile1;
    TGetFolder GetFolder;
    tk::TAction LwEinlesen{"LwEinlesen", [this] { LwEinlesenExecute(); }};
    tk::TAction RegEinlesen{"RegEinlesen", [this] { RegEinlesenExecute(); }};
    TForm2* Form2 = nullptr;

    // Event handlers, named after the control and the event.
    void FormCreate();
    void FormShow();
    void FormClose();
    void SpeedButton1Click(); // "&Zurück"
    void SpeedButton2Click(); // "&Weiter"
    void SpeedButton3Click(); // "&Abbrechen"
    void SpeedButton4Click(); // "&Installieren"
    void Label15Click();      // "Durchsuchen..."
    void LwEinlesenExecute();
    void RegEinlesenExecute();

    // Closes the window once the running handler has returned.
    void Close() override;
    void ShowSubPage(tk::TTabSheet& page);

    // The installation run's host (Unit1_install.cpp).
    void ShowCopyStep() override;
    void ShowCurrentFile(const std::string& packed, const std::string& installed) override;
    void StepBar() override;
    void BackToNamePage() override;
    void ShowDriveStep(const std::string& drive) override;
    void EndDriveStep() override;
    void ShowError(const std::string& text) override;
    bool Confirm(const std::string& text) override;
    bool DirectoryExists(const std::string& path) override;
    bool ForceDirectories(const std::string& path) override;
    app::NewTempDir CreateTempDir(const std::string& path) override;
    std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override;
    bool Copy(const std::string& from, const std::string& to) override;
    void SetArchiveOnly(const std::string& path) override;
    void Delete(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    void WriteTextFile(const std::string& path, const std::vector<std::string>& lines) override;
    bool Restore(const std::string& archive, const std::string& targetDir) override;
    void SetTargetDir(const std::string& targetDir) override { targetDir_ = targetDir; }
    void ReadDrive(const std::string& driveItem, const std::string& designation) override;
    void ShowShortcutDialog(const std::string& targetDir) override;
    void StartLauncher(const std::string& path) override;

    // What the snapshots need from the window: the values the run handed over.
    tk::TStringList& List1() override { return *List1_; }
    tk::TStringList& List2() override { return *List2_; }
    std::string SelectedDriveText() override { return driveItem_; }
    std::string Designation() override { return designation_; }
    std::string TargetDir() override { return targetDir_; }
    void ShowStatusPath(const std::string& path) override;
    void ShowStatus(const std::string& text) override;
    void ExecuteRegEinlesen() override { RegEinlesen.Execute(); }

    // "&Weiter", per page.
    void NextOnWelcome();
    void NextOnAgreement();
    void NextOnName();
    void NextOnDrive();

    void ShowPage(rt::Page page);
    // Shows and hides the buttons as a page's row of the page table says,
    // painting each change at once; the only place that sets them.
    void SetButtons(const rt::ButtonStates& states);

    bool PreTranslate(MSG& msg) override;
    bool DialogChar(char ch);
    void CreateControls();
    void FillLicence();
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCreate();
    void OnCommand(int id, int code, HWND ctl);
    void PaintBackground(HDC dc);

    tk::Bitmap background_; // Image1
    tk::Brush pageBrush_;
    int busy_ = 0;         // handlers running; a close request then is refused
    bool closing_ = false; // the window closes once the running handler returns
    bool runStarted_ = false; // "&Abbrechen" stays disabled from the first run on
    tk::FolderHold tempDirHold_; // the run's temporary folder, from its creation to its removal
    // Set by the installation run for the snapshots.
    std::string targetDir_, driveItem_, designation_;

    // Controls, numbered by kind as in the form's description.
    tk::TSpeedButton SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4;
    tk::TBevel Bevel1;
    tk::TPageControl PageControl1, PageControl2;
    tk::TTabSheet TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabSheet7,
        TabSheet8;
    tk::TBevel PageBevels[6], PageLines[4], Bevel11, Bevel12, Bevel13;
    tk::TImage Image2, Image3;
    tk::TLabel Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10,
        Label11, Label12, Label13, Label14, Label15, Label16, Label17, Label18, Label19, Label20,
        Label21, Label22, Label23, Label24, Label25, Label26, Label27, Label28, Label29, Label30,
        Label31, Label32, Label33, Label34, Label35, Label36, Label37, Label38, Label39, Label40,
        Label41, Label42, Label43, Label44;
    HWND ListBox0 = nullptr;
    HWND CheckBox1 = nullptr;
    HWND Edit1 = nullptr, Edit2 = nullptr, Edit3 = nullptr;
    HWND ProgressBar1 = nullptr;
    HWND Ani1 = nullptr;
    TDriveList DriveComboBox1;
};

// Text of an edit or other standard control.
std::string WindowText(HWND hwnd);
// Wine stands in for Windows where a platform feature is missing there.
bool RunningUnderWine();
