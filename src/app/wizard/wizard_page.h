#pragma once
// One page of the wizard: a sheet in the page area with its frame and its own
// controls, created from its part of the layout table. The wizard enters a
// page with the model and asks it on "&Weiter" whether the user may go on;
// a page knows nothing of the window or of the other pages.
#include "app/wizard/layout.h"
#include "app/wizard/page_rules.h"
#include "app/wizard/wizard_model.h"
#include "toolkit/controls.h"

#include <span>
#include <windows.h>

namespace wizard {

class WizardPage {
public:
    WizardPage() = default;
    virtual ~WizardPage() = default;
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    // The sheet in the page area, its frame and the page's controls.
    void Create(HWND pageArea);
    tk::TTabSheet& Sheet() { return sheet_; }

    // Before the page is shown: fill the controls from the model.
    virtual void OnEnter(const WizardModel&) {}
    // On "&Weiter": run the page's checks (showing the box of a failed one)
    // and write its fields into the model; false keeps the user on the page.
    virtual bool OnLeave(WizardModel&) { return true; }
    // Whether a command comes from one of the page's own controls, and its handler.
    virtual bool Handles(int /*id*/, int /*code*/) const { return false; }
    virtual void OnCommand(int /*id*/, int /*code*/) {}
    // The control that takes the focus when the page has been shown; null
    // leaves it to the first control in the tab order.
    virtual HWND InitialFocus() const { return nullptr; }

protected:
    virtual const char* Caption() const = 0;
    // The y of the line under the page's introduction; 0 for none.
    virtual int LineY() const { return 0; }
    virtual void CreateControls() = 0;

    // The page's labels from their table, in its order, on `parent`.
    static void CreateLabels(HWND parent, std::span<const layout::LabelPlace> places,
                             tk::TLabel* labels);
    // A standard control (edit, list box, ...) in the UI font at a 96-DPI box.
    static HWND CreateStd(const char* cls, const char* text, DWORD style, DWORD exStyle,
                          HWND parent, int id, const layout::Box& box);
    // A failed check's box; the focus goes to `focus` afterwards, or back where it was.
    static void Complain(const Complaint& complaint, HWND focus);

    tk::TTabSheet sheet_;

private:
    tk::TBevel frame_, line_;
};

} // namespace wizard
