// The wizard window's layout: every position and size at 96 DPI, in one place.
#include "app/Unit1.h"
#include "app/resource.h"
#include "app/Unit1_ids.h"
#include "runtime/texts.h"
#include "toolkit/gdi.h"
#include <commctrl.h>

namespace {

using Style = tk::TLabel::Style;
constexpr tk::FontStyle kBold{true, false};
constexpr Style kPlain{};
constexpr Style kBoldLabel{kBold};
constexpr Style kNavy{{}, tk::clNavy};

struct LabelDef {
    tk::TLabel THauptfenster::*label;
    int sheet; // 1..8: TabSheet1..TabSheet8
    int id;
    int x, y;
    const char* text;
    Style style;
};

} // namespace

// The window's friend: its table may name the private controls.
struct HauptfensterLayout {
    static const LabelDef kLabels[];
};

const LabelDef HauptfensterLayout::kLabels[] = {
    // Welcome page
    {&THauptfenster::Label2, 1, 0, 70, 30, txt::Label2, {{true, true}, tk::clNavy}},
    {&THauptfenster::Label3, 1, 0, 70, 60, txt::Label3, kPlain},
    {&THauptfenster::Label4, 1, 0, 70, 75, txt::Label4, kPlain},
    {&THauptfenster::Label5, 1, 0, 70, 90, txt::Label5, kPlain},
    {&THauptfenster::Label6, 1, 0, 70, 105, txt::Label6, kPlain},
    {&THauptfenster::Label7, 1, 0, 70, 120, txt::Label7, kPlain},
    {&THauptfenster::Label8, 1, 0, 70, 135, txt::Label8, kPlain},
    {&THauptfenster::Label9, 1, 0, 70, 165, txt::Label9, kPlain},
    {&THauptfenster::Label10, 1, 0, 70, 180, txt::Label10, kPlain},
    // Agreement page
    {&THauptfenster::Label1, 2, 0, 15, 15, txt::Label1, kBoldLabel},
    // Name page
    {&THauptfenster::Label11, 3, 0, 25, 25, txt::Label11, kPlain},
    {&THauptfenster::Label12, 3, 0, 25, 40, txt::Label12, kPlain},
    {&THauptfenster::Label13, 3, 0, 105, 110, txt::Label13, kBoldLabel},
    {&THauptfenster::Label14, 3, 0, 52, 150, txt::Label14, kBoldLabel},
    {&THauptfenster::Label15,
     3,
     kIdLabel15,
     147,
     170,
     txt::Label15,
     {{false, true}, tk::clNavy, 0, false, false, true}},
    // Drive page
    {&THauptfenster::Label16, 4, 0, 25, 25, txt::Label16, kPlain},
    {&THauptfenster::Label17, 4, 0, 25, 40, txt::Label17, kPlain},
    {&THauptfenster::Label18, 4, 0, 25, 55, txt::Label18, kPlain},
    {&THauptfenster::Label19, 4, 0, 25, 70, txt::Label19, kPlain},
    {&THauptfenster::Label21, 4, 0, 98, 133, txt::Label21, kPlain},
    {&THauptfenster::Label22, 4, 0, 85, 164, txt::Label22, kPlain},
    // Summary page
    {&THauptfenster::Label20, 5, 0, 25, 25, txt::Label20, kPlain},
    {&THauptfenster::Label23, 5, 0, 25, 40, txt::Label23, kPlain},
    {&THauptfenster::Label24, 5, 0, 25, 55, txt::Label24, kPlain},
    {&THauptfenster::Label25, 5, 0, 25, 70, txt::Label25, kPlain},
    {&THauptfenster::Label26, 5, 0, 97, 120, txt::Label26, {{}, tk::clBlack}},
    {&THauptfenster::Label27, 5, kIdLabel27, 131, 120, "", {{}, tk::clNavy, 230}},
    {&THauptfenster::Label28, 5, 0, 55, 135, txt::Label28, {{}, tk::clBlack}},
    {&THauptfenster::Label29, 5, kIdLabel29, 131, 135, "", {{}, tk::clNavy, 230}},
    {&THauptfenster::Label30, 5, 0, 55, 160, txt::Label30, {{}, tk::clBlack}},
    {&THauptfenster::Label32, 5, kIdLabel32, 176, 160, "", kNavy},
    {&THauptfenster::Label31, 5, 0, 55, 175, txt::Label31, kPlain},
    {&THauptfenster::Label33, 5, kIdLabel33, 123, 175, "", kNavy},
    // Progress page
    {&THauptfenster::Label34, 6, kIdLabel34, 80, 25, txt::Label34, kPlain},
    {&THauptfenster::Label35, 6, kIdLabel35, 80, 40, txt::Label35, kPlain},
    // Copy sub-page
    {&THauptfenster::Label36, 7, 0, 76, 30, txt::Label36, kPlain},
    {&THauptfenster::Label37, 7, kIdLabel37, 86, 45, "", {kBold, tk::clNavy}},
    {&THauptfenster::Label38, 7, 0, 76, 60, txt::Label38, kPlain},
    {&THauptfenster::Label39, 7, kIdLabel39, 86, 75, "", {{}, tk::clNavy, 245}},
    // Drive-reading sub-page
    {&THauptfenster::Label40, 8, 0, 25, 5, txt::Label40, {{}, CLR_INVALID, 326, true}},
    {&THauptfenster::Label41, 8, 0, 25, 20, txt::Label41, {{}, CLR_INVALID, 326, true}},
    {&THauptfenster::Label42, 8, 0, 120, 60, txt::Label42, kPlain},
    {&THauptfenster::Label43, 8, kIdLabel43, 241, 60, "", {kBold, tk::clNavy, 0, false, true}},
    {&THauptfenster::Label44, 8, kIdLabel44, 120, 85, "", {{}, tk::clNavy, 241}},
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

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Page control without tabs: the pages fill its display area inside a 4-pixel border.
constexpr int kPageInset = 4;
constexpr int kPageAreaW = 415, kPageAreaH = 231;
constexpr int kSheetW = kPageAreaW - 2 * kPageInset, kSheetH = kPageAreaH - 2 * kPageInset;

void THauptfenster::CreateControls() {
    using GP = tk::TSpeedButton::GlyphPos;
    using Shape = tk::TBevel::Shape;
    SpeedButton1.Create(hwnd_, kIdSpeedButton1, 237, 345, 91, 30, txt::BtnBack, IDB_ARROW_LEFT,
                        GP::Left, {});
    SpeedButton2.Create(hwnd_, kIdSpeedButton2, 329, 345, 91, 30, txt::BtnNext, IDB_ARROW_RIGHT,
                        GP::Right, {});
    SpeedButton3.Create(hwnd_, kIdSpeedButton3, 432, 345, 91, 30, txt::BtnAbort, 0, GP::None, {});
    SpeedButton4.Create(hwnd_, kIdSpeedButton4, 329, 345, 91, 30, txt::BtnInstall, 0, GP::None,
                        kBold);
    Bevel1.Create(hwnd_, 425, 345, 6, 30, Shape::bsLeftLine);

    PageControl1.Create(hwnd_, 108, 111, kPageAreaW, kPageAreaH);
    tk::TTabSheet* sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4,
                               &TabSheet5, &TabSheet6, &TabSheet7, &TabSheet8};
    const char* captions[] = {"Willkommen",    "Lizenzbestimmungen", "Name&&Zielverzeichnis",
                              "LaufwerkAbsp.", "Installieren",       "Installieren"};
    for (int i = 0; i < 6; ++i) {
        sheets[i]->Create(PageControl1.Handle(), kPageInset, kPageInset, kSheetW, kSheetH,
                          captions[i]);
        PageBevels[i].Create(sheets[i]->Handle(), 5, 5, 398, 211, Shape::bsFrame);
    }
    const int lineTops[] = {70, 100, 95, 70}; // pages 3 to 6
    for (int i = 0; i < 4; ++i)
        PageLines[i].Create(sheets[i + 2]->Handle(), 25, lineTops[i], 361, 2, Shape::bsTopLine);

    Image2.CreateIcon(TabSheet1.Handle(), 25, 20, 32, 32, IDI_KELVAR);
    Image3.CreateIcon(TabSheet6.Handle(), 30, 23, 32, 32, IDI_KELVAR);

    // Inner page area of the progress page, button style: no border, no tabs.
    PageControl2.Create(TabSheet6.Handle(), 15, 80, 379, 126);
    TabSheet7.Create(PageControl2.Handle(), 0, 0, 379, 126, "TabSheet7");
    TabSheet8.Create(PageControl2.Handle(), 0, 0, 379, 126, "TabSheet8");
    TabSheet8.SetVisible(true);

    // Agreement page: the check box comes first in the tab order.
    CheckBox1 = CreateStd("Button", txt::CheckBox1, WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                          TabSheet2.Handle(), kIdCheckBox1, 15, 193, 292, 17);
    ListBox0 = CreateStd("ListBox", "", WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                         WS_EX_CLIENTEDGE, TabSheet2.Handle(), kIdListBox0, 15, 35, 378, 151);
    ::SendMessageA(ListBox0, LB_SETITEMHEIGHT, 0, tk::Scale(13));
    FillLicence();

    // Name page.
    Edit1 = CreateStd("Edit", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, TabSheet3.Handle(),
                      kIdEdit1, 147, 107, 154, 19);
    Edit2 = CreateStd("Edit", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, TabSheet3.Handle(),
                      kIdEdit2, 147, 147, 199, 19);

    // Drive page.
    DriveComboBox1.Create(TabSheet4.Handle(), kIdDriveComboBox1, 150, 129, 151, 21);
    Edit3 = CreateStd("Edit", txt::Edit3Default, WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                      TabSheet4.Handle(), kIdEdit3, 155, 161, 151, 19);

    // Copy sub-page.
    Bevel11.Create(TabSheet7.Handle(), 25, 17, 26, 83, Shape::bsFrame);
    Bevel12.Create(TabSheet7.Handle(), 61, 17, 285, 83, Shape::bsFrame);
    Bevel13.Create(TabSheet7.Handle(), 55, 40, 6, 40, Shape::bsLeftLine);
    ProgressBar1 = CreateStd(PROGRESS_CLASSA, "", PBS_VERTICAL, 0, TabSheet7.Handle(),
                             kIdProgressBar1, 30, 22, 16, 73);
    ::SendMessageA(ProgressBar1, PBM_SETRANGE32, 0, 14);
    ::SendMessageA(ProgressBar1, PBM_SETSTEP, 1, 0);
    ::SendMessageA(ProgressBar1, PBM_SETPOS, 14, 0);

    // Drive-reading sub-page.
    Ani1 = CreateStd(ANIMATE_CLASSA, "", ACS_TRANSPARENT | ACS_CENTER, 0, TabSheet8.Handle(),
                     kIdAni1, 25, 55, 80, 50);
    // The platform's find-folder clip is resource 150 of shell32. Wine's shell32
    // has only a text placeholder there, so under Wine our own clip of the same
    // size stands in.
    HMODULE shell = ::GetModuleHandleA("shell32.dll");
    if (RunningUnderWine())
        shell = nullptr;
    if (!shell || !::SendMessageA(Ani1, ACM_OPENA, reinterpret_cast<WPARAM>(shell),
                                  reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(150))))
        ::SendMessageA(Ani1, ACM_OPENA, reinterpret_cast<WPARAM>(tk::Instance()),
                       reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_FINDFOLDER_AVI)));

    for (const LabelDef& d : HauptfensterLayout::kLabels)
        (this->*d.label).Create(sheets[d.sheet - 1]->Handle(), d.id, d.x, d.y, d.text, d.style);
}

void THauptfenster::FillLicence() {
    for (const char* line : txt::Licence)
        ::SendMessageA(ListBox0, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
}
