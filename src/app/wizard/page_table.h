#pragma once
// The wizard's pages in their order, one row each: the buttons it shows and
// where "&Zurück" and "&Weiter" lead. The wizard window keeps the index of
// the current page and asks this table, nothing else, what to show.

namespace wizard {

enum class PageId { Welcome = 0, Agreement, Name, Drive, Summary, Progress };
inline constexpr int kPageCount = 6;

struct ButtonStates {
    bool back;    // "&Zurück"
    bool next;    // "&Weiter"
    bool install; // "&Installieren"
    bool cancel;  // "&Abbrechen" shown
    bool cancelEnabled;
    bool operator==(const ButtonStates&) const = default;
};

struct PageRow {
    PageId page;
    ButtonStates buttons; // before any installation run
    PageId back;          // where "&Zurück" leads; the page itself where it does nothing
    PageId next;          // where "&Weiter" leads once the page lets go
};

const PageRow& RowOf(PageId page);

// runStarted: from the first installation run on, which may lead back to the
// name page, "&Abbrechen" stays disabled on every page.
ButtonStates ButtonsFor(PageId page, bool runStarted);

} // namespace wizard
