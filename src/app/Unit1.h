#pragma once
// The wizard window: six pages in one fixed-size window, the buttons below
// them, and the work values and lists the installation run and the snapshots use.
#include "runtime/pageflow.h"
#include "shell/DriveList.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/stringlist.h"
#include <memory>
#include <string>
#include <windows.h>

class THauptfenster : public tk::KeyboardTarget {
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
    HWND Handle() const { return hwnd_; }

    // Values owned by the window.
    std::string ProgramDir;
    std::string TargetDir;
    std::unique_ptr<tk::TStringList> List1;
    std::unique_ptr<tk::TStringList> List2;

    rt::Page ActivePage() const;

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
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    void OnCommand(int id, int code, HWND ctl);
    void PaintBackground(HDC dc);
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    tk::Bitmap background_; // Image1
    tk::Brush pageBrush_;
    int busy_ = 0;          // handlers running; a close request then is refused

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
