#include "app/wizard/wizard_page.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"

namespace wizard {

void WizardPage::Create(HWND pageArea) {
    using layout::kSheet;
    sheet_.Create(pageArea, kSheet.x, kSheet.y, kSheet.w, kSheet.h, Caption());
    const layout::Box f = layout::kPageFrame;
    frame_.Create(sheet_.Handle(), f.x, f.y, f.w, f.h, tk::TBevel::Shape::bsFrame);
    if (LineY() > 0)
        line_.Create(sheet_.Handle(), layout::kLineX, LineY(), layout::kLineW, layout::kLineH,
                     tk::TBevel::Shape::bsTopLine);
    CreateControls();
}

void WizardPage::CreateLabels(HWND parent, std::span<const layout::LabelPlace> places,
                              tk::TLabel* labels) {
    for (std::size_t i = 0; i < places.size(); ++i)
        labels[i].Create(parent, places[i].id, places[i].x, places[i].y, places[i].text,
                         places[i].style);
}

HWND WizardPage::CreateStd(const char* cls, const char* text, DWORD style, DWORD exStyle,
                           HWND parent, int id, const layout::Box& box) {
    const RECT r = tk::ScaleRect(box.x, box.y, box.w, box.h);
    HWND hwnd = ::CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), tk::Instance(),
                                  nullptr);
    ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(tk::UiFont()), FALSE);
    return hwnd;
}

void WizardPage::Complain(const Complaint& complaint, HWND focus) {
    static constexpr tk::MsgDlgType kTypes[] = {tk::MsgDlgType::mtInformation,
                                                tk::MsgDlgType::mtWarning, tk::MsgDlgType::mtError};
    HWND before = ::GetFocus();
    tk::MessageDlg(complaint.text, kTypes[static_cast<int>(complaint.severity)], tk::mbOK);
    HWND target = focus ? focus : before;
    if (target && ::IsWindow(target))
        ::SetFocus(target);
}

} // namespace wizard
