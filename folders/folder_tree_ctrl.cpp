#include "folders/folder_tree_ctrl.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileIconProvider>
#include <QKeyEvent>
#include <QList>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "folders/folder_listing.h"
#include "os/file.h"
#include "ui/qt_text.h"

namespace zandrel {
namespace {

// Kept for the owner; the output folder dialog does not show them.
constexpr const char* kNoImageListText = "Cannot retrieve the Handle of SystemImageList!";
constexpr const char* kNoDrivesText = "Error Getting Logical DriveStrings!";
constexpr const char* kNoIconText = "Error Gettting SystemFileInfo!";

// The name an item stands for, as the file system spells it; the text shown is its
// UTF-8 reading, which need not give the same bytes back.
constexpr int kNameRole = Qt::UserRole;

const QChar kSeparator = QLatin1Char(kPathSeparator);

std::string NameOf(const QTreeWidgetItem* item) { return item->data(0, kNameRole).toByteArray().toStdString(); }

bool IsDescendantOf(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
    for (const QTreeWidgetItem* up = item != nullptr ? item->parent() : nullptr; up != nullptr; up = up->parent()) {
        if (up == ancestor) return true;
    }
    return false;
}

// Redrawing is off while items come and go, and back as it was afterwards (the
// refills run nested inside SelectPath, which switches it off too).
class RedrawOff {
public:
    explicit RedrawOff(QWidget& widget) : m_widget(widget), m_bWas(widget.updatesEnabled()) {
        m_widget.setUpdatesEnabled(false);
    }
    ~RedrawOff() { m_widget.setUpdatesEnabled(m_bWas); }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    QWidget& m_widget;
    bool m_bWas;
};

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void AddPlaceholder(QTreeWidgetItem* item) {
    auto* placeholder = new QTreeWidgetItem(item);
    placeholder->setFlags(Qt::ItemIsEnabled);
}

}  // namespace

CFolderTreeCtrl::CFolderTreeCtrl() = default;

CFolderTreeCtrl::~CFolderTreeCtrl() = default;

bool CFolderTreeCtrl::SubclassDlgItem(QTreeWidget* tree) {
    if (tree == nullptr || m_tree != nullptr) return false;
    m_tree = tree;
    connect(tree, &QTreeWidget::itemExpanded, this, &CFolderTreeCtrl::OnItemExpanded);
    connect(tree, &QTreeWidget::itemCollapsed, this, &CFolderTreeCtrl::OnItemExpanded);
    tree->installEventFilter(this);
    return true;
}

bool CFolderTreeCtrl::InitTree() {
    if (m_tree == nullptr) return false;
    // Buttons on the folders, none on the drives (they open by double-click or from
    // the keyboard), and no label editing.
    m_tree->setRootIsDecorated(false);
    m_tree->setItemsExpandable(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setUniformRowHeights(true);
    m_tree->clear();
    if (!AttachSystemImageList()) return false;
    return FillDrives();
}

bool CFolderTreeCtrl::AttachSystemImageList() {
    if (!m_sysImageList) m_sysImageList = std::make_unique<QFileIconProvider>();
    const QStyle* style = m_tree->style();
    const int size = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_tree);
    m_tree->setIconSize(QSize(size, size));
    m_icons.clear();
    m_openFolder = style->standardIcon(QStyle::SP_DirOpenIcon, nullptr, m_tree);
    m_nFolderIconKey = m_sysImageList->icon(QAbstractFileIconProvider::Folder).cacheKey();
    if (m_sysImageList->icon(QAbstractFileIconProvider::Drive).isNull()) {
        m_strLastError = kNoImageListText;
        return false;
    }
    return true;
}

bool CFolderTreeCtrl::FillDrives() {
    m_tree->clear();
    const QFileInfoList drives = QDir::drives();
    if (drives.isEmpty()) {
        m_strLastError = kNoDrivesText;
        return false;
    }
    for (const QFileInfo& drive : drives) {
        const std::string path = ToStdString(QDir::toNativeSeparators(drive.absoluteFilePath()));
        QTreeWidgetItem* item = MakePathItem(path, true);
        if (item == nullptr) continue;
        if (HasSubfolders(path)) AddPlaceholder(item);
        m_tree->addTopLevelItem(item);
    }
    return true;
}

void CFolderTreeCtrl::FillFolder(QTreeWidgetItem* parent, const std::string& folder) {
    std::vector<std::string> names = ListSubfolders(folder);
    SortNoCase(names);

    const RedrawOff redrawOff(*m_tree);
    const WaitCursor wait;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
        QTreeWidgetItem* item = MakePathItem(path, false);
        if (item == nullptr) continue;
        if (HasSubfolders(path)) AddPlaceholder(item);
        items.append(item);
    }
    // In one go: the view lays its rows out once, not once an item.
    parent->addChildren(items);
}

QTreeWidgetItem* CFolderTreeCtrl::InsertPathItem(QTreeWidgetItem* parent, const std::string& path) {
    QTreeWidgetItem* item = MakePathItem(path, parent == nullptr);
    if (item == nullptr) return nullptr;
    if (parent == nullptr) {
        m_tree->addTopLevelItem(item);
    } else {
        parent->addChild(item);
    }
    return item;
}

QTreeWidgetItem* CFolderTreeCtrl::MakePathItem(const std::string& path, bool drive) {
    // A drive's text is its path without the final separator (C: for C:\), but the
    // root of a single-rooted system stays "/".
    const std::string text = drive ? WithoutTrailingSeparators(path) : LastNameOf(path);
    if (text.empty()) return nullptr;
    auto* item = new QTreeWidgetItem(QStringList(ToQString(text)));
    item->setData(0, kNameRole, QByteArray::fromStdString(text));
    // A folder whose icon cannot be had is still offered, without an icon.
    item->setIcon(0, IconOf(path));
    return item;
}

QIcon CFolderTreeCtrl::IconOf(const std::string& path) {
    const QIcon closed = m_sysImageList->icon(QFileInfo(ToQString(path)));
    if (closed.isNull()) {
        m_strLastError = kNoIconText;
        return {};
    }
    const qint64 key = closed.cacheKey();
    if (const auto found = m_icons.constFind(key); found != m_icons.constEnd()) return *found;
    QIcon icon = closed;
    if (key == m_nFolderIconKey && !m_openFolder.isNull()) {
        // A plain folder opens while it is selected.
        const QSize size = m_tree->iconSize();
        icon = QIcon();
        icon.addPixmap(closed.pixmap(size), QIcon::Normal);
        icon.addPixmap(m_openFolder.pixmap(size), QIcon::Selected);
    }
    m_icons.insert(key, icon);
    return icon;
}

bool CFolderTreeCtrl::HasSubfolders(const std::string& folder) { return HasSubfolder(folder); }

bool CFolderTreeCtrl::IsPlaceholder(const QTreeWidgetItem* item) {
    return item != nullptr && item->data(0, kNameRole).isNull();
}

void CFolderTreeCtrl::OnItemExpanded(QTreeWidgetItem* item) {
    if (item == nullptr || IsPlaceholder(item)) return;
    if (item->isExpanded()) {
        RefillItem(item, Action::Expand);
    } else {
        DeleteChildren(item);
        AddPlaceholder(item);
    }
}

void CFolderTreeCtrl::RefillItem(QTreeWidgetItem* item, Action action) {
    if (action != Action::Expand || item == nullptr) return;
    DeleteChildren(item);
    FillFolder(item, PathFromItem(item));
}

void CFolderTreeCtrl::DeleteChildren(QTreeWidgetItem* item) {
    // A selected folder below goes with its item, and the selection moves up to it.
    if (IsDescendantOf(m_tree->currentItem(), item)) m_tree->setCurrentItem(item);
    const QList<QTreeWidgetItem*> children = item->takeChildren();
    qDeleteAll(children);
}

std::string CFolderTreeCtrl::PathFromItem(const QTreeWidgetItem* item) const {
    if (item == nullptr) return {};
    std::vector<std::string> names;
    for (; item != nullptr; item = item->parent()) names.push_back(NameOf(item));
    std::string path = names.back();
    for (auto name = names.rbegin() + 1; name != names.rend(); ++name) path = JoinPath(path, *name);
    return WithoutTrailingSeparators(path);
}

QTreeWidgetItem* CFolderTreeCtrl::DriveItemOf(const QString& path) const {
    // The first drive item that the path begins with decides.
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* drive = m_tree->topLevelItem(i);
        if (path.startsWith(drive->text(0), Qt::CaseInsensitive)) return drive;
    }
    return nullptr;
}

bool CFolderTreeCtrl::CanSelectPath(const std::string& path) const {
    if (m_tree == nullptr) return false;
    std::string folder = WithoutTrailingSeparators(path);
    if (DriveItemOf(ToQString(folder)) == nullptr) return false;
    // A drive given as C: is its root, not the current folder on that drive.
    if (!folder.empty() && folder.back() == ':') folder += kPathSeparator;
    return IsExistingFolder(folder);
}

bool CFolderTreeCtrl::SelectPath(const std::string& path) {
    if (!CanSelectPath(path)) return false;
    const QString folder = ToQString(WithoutTrailingSeparators(path));
    QTreeWidgetItem* item = DriveItemOf(folder);
    const QString driveText = item->text(0);
    const QString rest = folder.mid(driveText.size());
    // C:Work is not below C:\ .
    if (!driveText.endsWith(kSeparator) && !rest.isEmpty() && !rest.startsWith(kSeparator)) return false;

    const RedrawOff redrawOff(*m_tree);
    OpenItem(item);
    // Doubled separators name no folder of their own.
    for (const QString& component : rest.split(kSeparator, Qt::SkipEmptyParts)) {
        item = FindChildByText(item, component);
        if (item == nullptr) return false;
        OpenItem(item);
    }
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
    return true;
}

void CFolderTreeCtrl::OpenItem(QTreeWidgetItem* item) {
    if (item->isExpanded()) {
        RefillItem(item, Action::Expand);
    } else {
        item->setExpanded(true);  // reported back through OnItemExpanded, which refills
    }
}

QTreeWidgetItem* CFolderTreeCtrl::FindChildByText(QTreeWidgetItem* parent, const QString& text) const {
    // The name as spelt wins; where a case-sensitive system has no such folder, one that
    // differs only in case is taken (a folder reached through a case-blind one).
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0) == text) return parent->child(i);
    }
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* child = parent->child(i);
        if (!IsPlaceholder(child) && child->text(0).compare(text, Qt::CaseInsensitive) == 0) return child;
    }
    return nullptr;
}

bool CFolderTreeCtrl::eventFilter(QObject* watched, QEvent* event) {
    // The view's "*" expands everything below the current item, which here would read
    // every folder of a disk.
    if (watched == m_tree && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Asterisk) {
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zandrel
