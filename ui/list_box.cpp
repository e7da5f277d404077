#include "ui/list_box.h"

#include <QEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>

namespace zandrel {
namespace {

// Kept on the list itself, so that lines added later get the same width.
constexpr const char* kExtentProperty = "zandrelHorizontalExtent";
constexpr const char* kRowHeightProperty = "zandrelRowHeight";
// Where a line keeps the text it sorts as, when that is not the text it shows.
constexpr int kSortKeyRole = Qt::UserRole + 0x5A;

QString SortKeyOf(const QListWidgetItem& item) {
    const QVariant key = item.data(kSortKeyRole);
    return key.isValid() ? key.toString() : item.text();
}

// The height the list's own delegate gives a line of text, measured once on a line
// that has no size of its own yet.
int RowHeightOf(QListWidget& list, int unsizedRow) {
    const QVariant known = list.property(kRowHeightProperty);
    if (known.isValid()) return known.toInt();
    const int height = list.sizeHintForRow(unsizedRow);
    list.setProperty(kRowHeightProperty, height);
    return height;
}

// Stands between the user's clicks and keys and the list's selection.
class SelectionKeeper final : public QObject {
public:
    explicit SelectionKeeper(QListWidget& list) : QObject(&list), m_list(list) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                if (watched == m_list.viewport() && WouldUnselect(*static_cast<QMouseEvent*>(event))) {
                    m_list.setFocus(Qt::MouseFocusReason);
                    return true;
                }
                break;
            case QEvent::KeyPress:
                if (watched == &m_list && WouldUnselect(*static_cast<QKeyEvent*>(event))) return true;
                break;
            default: break;
        }
        return false;
    }

private:
    bool IsSelected(const QModelIndex& index) const {
        return index.isValid() && m_list.selectionModel()->isSelected(index);
    }

    bool WouldUnselect(const QMouseEvent& mouse) const {
        const QModelIndex index = m_list.indexAt(mouse.position().toPoint());
        if (!index.isValid()) return true;
        return (mouse.modifiers() & Qt::ControlModifier) != 0 && IsSelected(index);
    }

    bool WouldUnselect(const QKeyEvent& key) const {
        return key.key() == Qt::Key_Space && (key.modifiers() & Qt::ControlModifier) != 0 &&
               IsSelected(m_list.currentIndex());
    }

    QListWidget& m_list;
};

}  // namespace

int GetCurSel(const QListWidget& list) {
    const QModelIndexList selected = list.selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void SetCurSel(QListWidget& list, int row) {
    const QSignalBlocker quiet(&list);
    if (row < 0 || row >= list.count()) {
        list.clearSelection();
        return;
    }
    list.setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    list.scrollToItem(list.item(row));
}

int AddString(QListWidget& list, const QString& text) { return AddString(list, text, text); }

int AddString(QListWidget& list, const QString& text, const QString& sortKey) {
    int low = 0;
    int high = list.count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (QString::compare(SortKeyOf(*list.item(middle)), sortKey, Qt::CaseInsensitive) <= 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    auto* item = new QListWidgetItem(text);
    if (sortKey != text) item->setData(kSortKeyRole, sortKey);
    const QVariant extent = list.property(kExtentProperty);
    const QVariant height = list.property(kRowHeightProperty);
    // Sized before it goes in where the height is known, which spares the view a change.
    if (extent.isValid() && height.isValid()) item->setSizeHint(QSize(extent.toInt(), height.toInt()));
    list.insertItem(low, item);
    if (extent.isValid() && !height.isValid()) item->setSizeHint(QSize(extent.toInt(), RowHeightOf(list, low)));
    return low;
}

void SetHorizontalExtent(QListWidget& list, int pixels) {
    list.setTextElideMode(Qt::ElideNone);
    if (list.property(kExtentProperty).toInt() == pixels) return;  // every line has it already
    list.setProperty(kExtentProperty, pixels);
    if (list.count() == 0) return;
    const int height = RowHeightOf(list, 0);
    for (int row = 0; row < list.count(); ++row) list.item(row)->setSizeHint(QSize(pixels, height));
}

void KeepSelection(QListWidget& list) {
    auto* keeper = new SelectionKeeper(list);
    list.installEventFilter(keeper);
    list.viewport()->installEventFilter(keeper);
}

}  // namespace zandrel
