#include "runtime/pageflow.h"

namespace rt {

namespace {
// Once an installation run has started, "&Abbrechen" stays disabled, also after
// the run has led back to the name page.
constexpr ButtonStates kButtons[2][kPageCount] = {
    {
        // back   next   install cancel enabled   -- before any run
        {false, true, false, true, true},   // welcome
        {true, true, false, true, true},    // agreement
        {true, true, false, true, true},    // name and target
        {true, true, false, true, true},    // drive
        {true, false, true, true, true},    // summary
        {false, false, false, true, false}, // progress
    },
    {
        // back   next   install cancel enabled   -- after a run started
        {false, true, false, true, false},  // welcome
        {true, true, false, true, false},   // agreement
        {true, true, false, true, false},   // name and target
        {true, true, false, true, false},   // drive
        {true, false, true, true, false},   // summary
        {false, false, false, true, false}, // progress
    },
};
} // namespace

ButtonStates ButtonsFor(Page page, bool runStarted) {
    return kButtons[runStarted ? 1 : 0][static_cast<int>(page)];
}

Page BackTarget(Page page) {
    switch (page) {
    case Page::Agreement:
        return Page::Welcome;
    case Page::Name:
        return Page::Agreement;
    case Page::Drive:
        return Page::Name;
    case Page::Summary:
        return Page::Drive;
    default:
        return page;
    }
}

} // namespace rt
