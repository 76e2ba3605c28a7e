#include "runtime/pageflow.h"

namespace rt {

namespace {
constexpr ButtonStates kButtons[kPageCount] = {
    // back   next   install cancel enabled
    {false, true, false, true, true},   // welcome
    {true, true, false, true, true},    // agreement
    {true, true, false, true, true},    // name and target
    {true, true, false, true, true},    // drive
    {true, false, true, true, true},    // summary
    {false, false, false, true, false}, // progress
};
} // namespace

ButtonStates ButtonsFor(Page page) {
    return kButtons[static_cast<int>(page)];
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
