#pragma once

// The folder tree: the computer's drives at the top ("/" on Linux and macOS, C: and
// the like on Windows) and below each the folders, read from the file system when
// their item is expanded and read again at every expansion. An item whose folder holds
// a folder carries one empty placeholder child until it is expanded, so that it shows
// as expandable; collapsing an item drops its children and leaves the placeholder.

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QAbstractFileIconProvider;
class QTreeWidget;
class QTreeWidgetItem;

namespace zandrel {

class CFolderTreeCtrl final : public QObject {
public:
    CFolderTreeCtrl();
    ~CFolderTreeCtrl() override;
    CFolderTreeCtrl(const CFolderTreeCtrl&) = delete;
    CFolderTreeCtrl& operator=(const CFolderTreeCtrl&) = delete;

    // Takes over a dialog's tree widget; false when there is none or one is held already.
    bool SubclassDlgItem(QTreeWidget* tree);
    QTreeWidget* Tree() const { return m_tree; }

    // Sets the tree's look (buttons, no lines, no label editing), the icons and the
    // drives. False, with the tree empty, when the system lists no drive.
    bool InitTree();
    // Opens the tree along a folder path, reading every folder on the way anew, and
    // selects the item of its last folder. False when the path does not name an existing
    // folder below a drive item, or when a folder on the way has no item; the tree
    // keeps what was expanded until then and nothing new is selected.
    bool SelectPath(const std::string& path);
    // The full folder path of an item, without a trailing separator except for the
    // root "/"; empty for no item.
    std::string PathFromItem(const QTreeWidgetItem* item) const;
    // Whether the path begins with a drive item's text and names an existing folder.
    bool CanSelectPath(const std::string& path) const;

    // One drive (parent null) or folder item with its icons, added at the end of the
    // parent's children; null when the path has no name to show. A top-level item may
    // stand for any folder: its text is then the whole path.
    QTreeWidgetItem* InsertPathItem(QTreeWidgetItem* parent, const std::string& path);
    // The empty child that marks an unread folder as expandable.
    static bool IsPlaceholder(const QTreeWidgetItem* item);

    // The text of the last failure; nothing clears it.
    const std::string& LastError() const { return m_strLastError; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Action { Expand, Collapse };

    // Drops an item's children and lists its folder again; only for Action::Expand.
    void RefillItem(QTreeWidgetItem* item, Action action);
    bool FillDrives();
    void FillFolder(QTreeWidgetItem* parent, const std::string& folder);
    static bool HasSubfolders(const std::string& folder);
    // The tree widget reports expansion and collapse separately; the item's new state
    // decides what happens.
    void OnItemExpanded(QTreeWidgetItem* item);
    QTreeWidgetItem* FindChildByText(QTreeWidgetItem* parent, const QString& text) const;
    QTreeWidgetItem* DriveItemOf(const QString& path) const;
    bool AttachSystemImageList();
    QTreeWidgetItem* MakePathItem(const std::string& path, bool drive);
    QIcon IconOf(const std::string& path);
    void DeleteChildren(QTreeWidgetItem* item);
    // Expands an item so that its folder is read anew, whether it was open or not.
    void OpenItem(QTreeWidgetItem* item);

    std::string m_strLastError;
    QTreeWidget* m_tree = nullptr;
    std::unique_ptr<QAbstractFileIconProvider> m_sysImageList;
    // Closed icons by their key, with the open one for the selected item added.
    QHash<qint64, QIcon> m_icons;
    QIcon m_openFolder;
    qint64 m_nFolderIconKey = 0;
};

}  // namespace zandrel
