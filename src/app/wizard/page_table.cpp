#include "app/wizard/page_table.h"

namespace wizard {

namespace {
using P = PageId;
constexpr PageRow kRows[kPageCount] = {
    // page          back   next   install cancel enabled   back to       next to
    {P::Welcome, {false, true, false, true, true}, P::Welcome, P::Agreement},
    {P::Agreement, {true, true, false, true, true}, P::Welcome, P::Name},
    {P::Name, {true, true, false, true, true}, P::Agreement, P::Drive},
    {P::Drive, {true, true, false, true, true}, P::Name, P::Summary},
    // "&Installieren" takes the place of "&Weiter" and starts the run.
    {P::Summary, {true, false, true, true, true}, P::Drive, P::Summary},
    {P::Progress, {false, false, false, true, false}, P::Progress, P::Progress},
};
} // namespace

const PageRow& RowOf(PageId page) {
    return kRows[static_cast<int>(page)];
}

ButtonStates ButtonsFor(PageId page, bool runStarted) {
    ButtonStates b = RowOf(page).buttons;
    if (runStarted)
        b.cancelEnabled = false;
    return b;
}

} // namespace wizard
