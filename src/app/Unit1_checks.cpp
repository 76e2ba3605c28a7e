// "&Weiter" on each page, and the "Durchsuchen..." link.
#include "app/Unit1.h"

void THauptfenster::NextOnWelcome() {
    ShowPage(rt::Page::P2);
    SetButtonVisible(SpeedButton1, true);
}

void THauptfenster::NextOnAgreement() {
    ShowPage(rt::Page::P3);
    ::SetFocus(Edit1);
}

void THauptfenster::NextOnName() { ShowPage(rt::Page::P4); }

void THauptfenster::NextOnDrive() {
    SetButtonVisible(SpeedButton2, false);
    SetButtonVisible(SpeedButton4, true);
    ShowPage(rt::Page::P5);
}

void THauptfenster::Label15Click() {}
