#pragma once

// The list box of the dialogs on a QListWidget: one selected line that only the
// program or a real choice of the user changes, lines added at their sorted place in
// the current order, and a fixed width to scroll across.

#include <QString>

class QListWidget;

namespace zandrel {

// The selected line, or -1 when none is.
int GetCurSel(const QListWidget& list);

// Selects `row` (none for -1) and scrolls it into view, without telling anyone: the
// list's own signals stay quiet.
void SetCurSel(QListWidget& list, int row);

// Inserts `text` where a sorted list box puts it: after the last line, searching the
// current order by halves, that is not greater than it, case aside. Lines moved by
// hand stay where they were put. Returns the new line's row. The list must not sort
// itself.
int AddString(QListWidget& list, const QString& text);
// The same for a line that shows `text` but sorts as `sortKey`; lines added without a
// key sort as their text.
int AddString(QListWidget& list, const QString& text, const QString& sortKey);

// Gives every line, present and to come, `pixels` of width: the list scrolls across
// that width whatever its lines hold, and longer lines are cut at it.
void SetHorizontalExtent(QListWidget& list, int pixels);

// A click on the empty part of the list, or a Ctrl+click or Ctrl+Space on the
// selected line, leaves the selection where it was: a list that holds lines never
// loses its selected line to the user.
void KeepSelection(QListWidget& list);

}  // namespace zandrel
