#pragma once
// The wizard window: the frame, the four buttons below the page area and the
// routing to the current page. The pages collect the user's choices into one
// model, and "&Installieren" hands it to the installation run.
#include "app/install_run.h"
#include "app/wizard/agreement_page.h"
#include "app/wizard/drive_page.h"
#include "app/wizard/layout.h"
#include "app/wizard/name_page.h"
#include "app/wizard/page_table.h"
#include "app/wizard/progress_page.h"
#include "app/wizard/summary_page.h"
#include "app/wizard/welcome_page.h"
#include "app/wizard/wizard_model.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"

#include <windows.h>

class ShortcutDialog;

class WizardWindow final : public tk::TWindow, public tk::KeyboardTarget, private app::RunWizard {
public:
    static constexpr const char* kClassName = "THauptfenster";

    WizardWindow() = default;
    ~WizardWindow() override;

    // Creates the window (hidden) with its buttons and pages.
    bool Create();
    // Shows the window centred, on its welcome page.
    void Show();
    wizard::PageId ActivePage() const { return current_; }

    // The shortcut dialog, created by the entry; shown once by the installation run.
    void SetShortcutDialog(ShortcutDialog* dialog) { shortcutDialog_ = dialog; }

private:
    void OnCreate();
    void OnCommand(int id, int code);
    void Dispatch(int id, int code);
    wizard::WizardPage* PageHandling(int id, int code) const;
    void OnNext();
    void OnBack();
    void OnCancel();
    void OnInstall();

    // Enters a page: it fills itself from the model, is shown, and the
    // buttons follow its row of the page table.
    void GoTo(wizard::PageId page);
    wizard::WizardPage& Page(wizard::PageId page) const { return *pages_[static_cast<int>(page)]; }
    // Shows, hides and enables the buttons, painting each change at once;
    // the only place that sets them.
    void SetButtons(const wizard::ButtonStates& states);

    // Where the installation run leads.
    void ShowProgressPage() override;
    void BackToNamePage() override;
    void Close() override;

    bool PreTranslate(MSG& msg) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

    wizard::WizardModel model_;
    wizard::PageId current_ = wizard::PageId::Welcome;
    int busy_ = 0;            // handlers running; a close request and a second command are refused
    bool closing_ = false;    // the window closes once the running handler returns
    bool runStarted_ = false; // picks the page table's rows for after a run started
    ShortcutDialog* shortcutDialog_ = nullptr;

    tk::Bitmap background_;
    tk::Brush pageBrush_;
    tk::FocusKeeper focusKeeper_;
    // "&Zurück", "&Weiter", "&Abbrechen", "&Installieren" (layout::Button).
    tk::TSpeedButton buttons_[wizard::layout::kButtonCount];
    tk::TBevel buttonSeparator_;
    tk::TPageControl pageArea_;
    wizard::WelcomePage welcomePage_;
    wizard::AgreementPage agreementPage_;
    wizard::NamePage namePage_;
    wizard::DrivePage drivePage_;
    wizard::SummaryPage summaryPage_;
    wizard::ProgressPage progressPage_;
    wizard::WizardPage* const pages_[wizard::kPageCount] = {
        &welcomePage_, &agreementPage_, &namePage_, &drivePage_, &summaryPage_, &progressPage_};
};
