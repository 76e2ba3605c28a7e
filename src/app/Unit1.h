#pragma once
// The wizard window: six pages in one fixed-size window, the buttons below
// them, and the work values and lists the installation run and the snapshots use.
#include "backup/BackupFile.h"
#include "runtime/pageflow.h"
#include "shell/DriveList.h"
#include "shell/GetFolder.h"
#include "snapshot/Snapshot.h"
#include "toolkit/actions.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/stringlist.h"
#include "toolkit/window.h"
#include <memory>
#include <string>
#include <windows.h>

class TForm2;

class THauptfenster : public tk::TWindow, public tk::KeyboardTarget, private snapshot::Host {
public:
    static constexpr const char* kClassName = "THauptfenster";

    THauptfenster() = default;
    ~THauptfenster() override;
    THauptfenster(const THauptfenster&) = delete;
    THauptfenster& operator=(const THauptfenster&) = delete;

    // Creates the window (hidden); FormCreate runs on the way.
    bool Create();
    // Shows the window centred; FormShow runs on the way.
    void Show();

    // Values owned by the window.
    std::string ProgramDir;
    std::string TargetDir_; // TargetDir
    std::unique_ptr<tk::TStringList> List1_, List2_;

    rt::Page ActivePage() const;

    // Non-visual components.
    TBackupFile BackupFile1;
    TGetFolder GetFolder;
    tk::TAction LwEinlesen{"LwEinlesen", [this] { LwEinlesenExecute(); }};
    tk::TAction RegEinlesen{"RegEinlesen", [this] { RegEinlesenExecute(); }};
    // The shortcut dialog, created by the entry; shown once by the installation run.
    TForm2* Form2 = nullptr;

private:
    friend struct HauptfensterLayout;

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
    void Close();
    // An error box naming a file or directory: the path in quotes, an empty line, the sentence.
    static void ShowPathError(const std::string& path, const std::string& sentence);
    // Installation run steps.
    bool PrepareTempDir(const std::string& target, std::string& tempDir);
    void RestorePackedFiles(const std::string& target, const std::string& tempDir);
    void WriteInfoFiles(const std::string& target);
    void ReadDrive(const std::string& target);
    void FinishRun();
    void ShowSubPage(tk::TTabSheet& page);

    // What the snapshots need from the window.
    tk::TStringList& List1() override { return *List1_; }
    tk::TStringList& List2() override { return *List2_; }
    std::string SelectedDriveText() override { return DriveComboBox1.Text(); }
    std::string Designation() override;
    std::string TargetDir() override { return TargetDir_; }
    void SetLabel44(const std::string& text) override;
    HFONT Label44Font() override { return Label44.GetFont(); }
    void ExecuteRegEinlesen() override { RegEinlesen.Execute(); }

    // "&Weiter", per page.
    void NextOnWelcome();
    void NextOnAgreement();
    void NextOnName();
    void NextOnDrive();

    void ShowPage(rt::Page page);
    // Show or hide a button and paint the change at once.
    static void SetButtonVisible(tk::TSpeedButton& button, bool visible);

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

public:
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
