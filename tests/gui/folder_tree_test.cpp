// The folder tree on folders the tests make: what an expansion lists, where the
// placeholders go, how a collapse and a new expansion read the folder again, the
// order of names, and walking a path down from the root.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <QDir>
#include <QKeyEvent>
#include <QTreeWidget>
#include <cctype>
#include <filesystem>

#include "folders/folder_tree_ctrl.h"
#include "os/utf16.h"
#include "tests/gui/gui_support.h"
#include "tests/test_files.h"

namespace zandrel::test {
namespace {

namespace fs = std::filesystem;

class FolderTreeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_ctrl.SubclassDlgItem(&m_tree));
        ASSERT_TRUE(m_ctrl.InitTree());
    }

    void Make(const std::string& relative) { fs::create_directories(PathFromUtf8(m_dir.Path(relative))); }

    // The item of a folder, opened by SelectPath.
    QTreeWidgetItem* Open(const std::string& path) {
        if (!m_ctrl.SelectPath(path)) return nullptr;
        return m_tree.currentItem();
    }

    static QStringList Texts(const QTreeWidgetItem* item) {
        QStringList texts;
        for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
        return texts;
    }

    static QTreeWidgetItem* Child(QTreeWidgetItem* item, const QString& text) {
        for (int i = 0; i < item->childCount(); ++i) {
            if (item->child(i)->text(0) == text) return item->child(i);
        }
        return nullptr;
    }

    // Exactly one empty child: shown as expandable, not yet read.
    static bool HasOnlyPlaceholder(const QTreeWidgetItem* item) {
        return item->childCount() == 1 && CFolderTreeCtrl::IsPlaceholder(item->child(0)) &&
               item->child(0)->text(0).isEmpty();
    }

    TempDir m_dir;
    QTreeWidget m_tree;
    CFolderTreeCtrl m_ctrl;
};

#ifdef _WIN32
TEST_F(FolderTreeTest, DrivesAreTheTopLevelAsLetterAndColon) {
    ASSERT_EQ(m_tree.topLevelItemCount(), QDir::drives().size());
    ASSERT_GT(m_tree.topLevelItemCount(), 0);
    for (int i = 0; i < m_tree.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* drive = m_tree.topLevelItem(i);
        SCOPED_TRACE(drive->text(0).toStdString());
        ASSERT_EQ(drive->text(0).size(), 2);
        EXPECT_TRUE(drive->text(0).at(0).isLetter());
        EXPECT_EQ(drive->text(0).at(1), ':');
        EXPECT_EQ(m_ctrl.PathFromItem(drive), drive->text(0).toStdString());
    }

    // The temporary folder's drive opens along the path, with backslashes throughout,
    // whether the drive letter is typed in capitals or not.
    Make("a/b");
    const std::string root = m_dir.Root();
    ASSERT_GE(root.size(), 3u);
    ASSERT_EQ(root.substr(1, 2), ":\\");
    std::string lower = root;
    lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
    for (const std::string& path : {root + "\\a\\b", lower + "\\a\\b"}) {
        SCOPED_TRACE(path);
        QTreeWidgetItem* b = Open(path);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(m_ctrl.PathFromItem(b), root + "\\a\\b");
        QTreeWidgetItem* drive = b;
        while (drive->parent() != nullptr) drive = drive->parent();
        EXPECT_EQ(drive->text(0).toStdString(), root.substr(0, 2));
    }
    // A drive alone is its root.
    QTreeWidgetItem* drive = Open(root.substr(0, 2));
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->parent(), nullptr);
    EXPECT_TRUE(drive->isExpanded());
}
#else
TEST_F(FolderTreeTest, RootIsTheOnlyDriveAndItsPathStaysSlash) {
    ASSERT_EQ(m_tree.topLevelItemCount(), QDir::drives().size());
    QTreeWidgetItem* root = m_tree.topLevelItem(0);
    EXPECT_EQ(root->text(0), "/");
    EXPECT_EQ(m_ctrl.PathFromItem(root), "/");
    EXPECT_FALSE(root->isExpanded());
    EXPECT_TRUE(HasOnlyPlaceholder(root));
    EXPECT_FALSE(m_tree.rootIsDecorated());  // drives open by double-click or keyboard
    EXPECT_FALSE(root->icon(0).isNull());
    EXPECT_EQ(m_ctrl.PathFromItem(nullptr), "");

    for (const char* path : {"/", "//"}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(Open(path), root);
        EXPECT_TRUE(root->isExpanded());
        QTreeWidgetItem* tmp = Child(root, "tmp");
        ASSERT_NE(tmp, nullptr);
        EXPECT_EQ(m_ctrl.PathFromItem(tmp), "/tmp");
    }
    EXPECT_TRUE(m_ctrl.LastError().empty());
}
#endif

TEST_F(FolderTreeTest, ExpansionListsFoldersWithPlaceholdersOnlyWhereThereAreSubfolders) {
    Make("a/x");
    Make("b");
    Make("c");
    Make(".hidden/y");
    WriteBytes(m_dir.Path("c/only-a-file.txt"), Bytes{1});
    WriteBytes(m_dir.Path("file.txt"), Bytes{1});

    QTreeWidgetItem* item = Open(m_dir.Root());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(m_ctrl.PathFromItem(item), m_dir.Root());
    EXPECT_TRUE(item->isExpanded());
    ASSERT_EQ(Texts(item), QStringList({".hidden", "a", "b", "c"}));
    EXPECT_TRUE(HasOnlyPlaceholder(Child(item, "a")));
    EXPECT_TRUE(HasOnlyPlaceholder(Child(item, ".hidden")));
    EXPECT_EQ(Child(item, "b")->childCount(), 0);  // empty
    EXPECT_EQ(Child(item, "c")->childCount(), 0);  // files only

    QTreeWidgetItem* a = Child(item, "a");
    a->setExpanded(true);
    ASSERT_EQ(Texts(a), QStringList({"x"}));
    EXPECT_EQ(a->child(0)->childCount(), 0);
    EXPECT_EQ(m_ctrl.PathFromItem(a->child(0)), m_dir.Path("a/x"));

    // "*" would read every folder below; it is not passed on.
    m_tree.setCurrentItem(item);
    QKeyEvent star(QEvent::KeyPress, Qt::Key_Asterisk, Qt::NoModifier, "*");
    QCoreApplication::sendEvent(&m_tree, &star);
    EXPECT_FALSE(Child(item, ".hidden")->isExpanded());
}

TEST_F(FolderTreeTest, CollapseLeavesOnePlaceholderAndEveryExpansionReadsAnew) {
    Make("a/x");
    Make("b");
    QTreeWidgetItem* item = Open(m_dir.Root());
    ASSERT_NE(item, nullptr);
    QTreeWidgetItem* a = Child(item, "a");
    a->setExpanded(true);
    ASSERT_EQ(Texts(a), QStringList({"x"}));

    Make("a/new");
    a->setExpanded(false);
    EXPECT_TRUE(HasOnlyPlaceholder(a));
    a->setExpanded(true);
    EXPECT_EQ(Texts(a), QStringList({"new", "x"}));

    fs::remove(m_dir.Path("a/x"));
    a->setExpanded(false);
    a->setExpanded(true);
    EXPECT_EQ(Texts(a), QStringList({"new"}));

    // A folder that gains its first subfolder shows it once its parent is read again;
    // SelectPath reads an item that is open already, too.
    EXPECT_EQ(Child(item, "b")->childCount(), 0);
    Make("b/first");
    item = Open(m_dir.Root());
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(HasOnlyPlaceholder(Child(item, "b")));
}

TEST_F(FolderTreeTest, CollapsingAboveTheSelectionSelectsTheCollapsedItem) {
    Make("a/x/y");
    QTreeWidgetItem* y = Open(m_dir.Path("a/x/y"));
    ASSERT_NE(y, nullptr);
    QTreeWidgetItem* a = y->parent()->parent();
    a->setExpanded(false);
    EXPECT_EQ(m_tree.currentItem(), a);
    EXPECT_TRUE(HasOnlyPlaceholder(a));
}

TEST_F(FolderTreeTest, ChildrenSortWithAsciiCaseFoldedAndUnderscoreFirst) {
    for (const char* name : {"beta", "中文", "Zeta", "äther", "B", "alpha2", "_under", "Alpha", "9lives"}) Make(name);
    QTreeWidgetItem* item = Open(m_dir.Root());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Texts(item), QStringList({"9lives", "_under", "Alpha", "alpha2", "B", "beta", "Zeta", "äther", "中文"}));
    EXPECT_EQ(m_ctrl.PathFromItem(Child(item, "中文")), m_dir.Path("中文"));
}

TEST_F(FolderTreeTest, SelectsADeepPathAndOpensEveryFolderOnTheWay) {
    const std::string separator(1, kPathSeparator);
    std::string deep;
    for (int level = 1; level <= 12; ++level) deep += separator + "level" + std::to_string(level);
    Make(deep.substr(1));
    const std::string path = m_dir.Root() + deep;

    for (const std::string& spelling : {path, path + separator, m_dir.Root() + separator + deep}) {
        SCOPED_TRACE(spelling);
        QTreeWidgetItem* item = Open(spelling);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(0), "level12");
        EXPECT_EQ(m_ctrl.PathFromItem(item), path);
        EXPECT_TRUE(item->isSelected());
        for (QTreeWidgetItem* up = item; up != nullptr; up = up->parent()) EXPECT_TRUE(up->isExpanded());
    }
}

TEST_F(FolderTreeTest, RefusesWhatIsNoFolderBelowADriveAndLeavesTheSelection) {
    Make("here");
    WriteBytes(m_dir.Path("file.txt"), Bytes{1});
    QTreeWidgetItem* here = Open(m_dir.Path("here"));
    ASSERT_NE(here, nullptr);

    for (const std::string& path : {m_dir.Path("missing"), m_dir.Path("file.txt"), std::string("tmp"), std::string(""),
                                    std::string("\\\\server\\share")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(m_ctrl.CanSelectPath(path));
        EXPECT_FALSE(m_ctrl.SelectPath(path));
        EXPECT_EQ(m_tree.currentItem(), here);
    }
#ifdef _WIN32
    // Windows' names are blind to case: a folder spelt in other capitals is that folder.
    EXPECT_TRUE(m_ctrl.SelectPath(m_dir.Path("HERE")));
    EXPECT_EQ(m_ctrl.PathFromItem(m_tree.currentItem()), m_dir.Path("here"));
#else
    // The name as spelt: on this case-sensitive system a folder that differs in case
    // does not exist.
    EXPECT_FALSE(m_ctrl.SelectPath(m_dir.Path("HERE")));
#endif
}

TEST_F(FolderTreeTest, ExactCaseWinsOverAFolderThatDiffersOnlyInCase) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows' names are blind to case: Data and data are one folder";
#endif
    Make("Data/upper");
    Make("data/lower");
    QTreeWidgetItem* lower = Open(m_dir.Path("data"));
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->text(0), "data");
    EXPECT_EQ(Texts(lower), QStringList({"lower"}));
    QTreeWidgetItem* upper = Open(m_dir.Path("Data"));
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->text(0), "Data");
    EXPECT_EQ(Texts(upper), QStringList({"upper"}));
}

TEST_F(FolderTreeTest, UnreadableFolderHasNoPlaceholderAndTheRestIsListed) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps folders from a user by access control lists, which Wine does not enforce";
#else
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not hold back the superuser (see FolderListing)";
#endif
    Make("locked/inner");
    Make("open/inner");
    fs::permissions(m_dir.Path("locked"), fs::perms::none);
    QTreeWidgetItem* item = Open(m_dir.Root());
    fs::permissions(m_dir.Path("locked"), fs::perms::owner_all);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Texts(item), QStringList({"locked", "open"}));
    EXPECT_EQ(Child(item, "locked")->childCount(), 0);
    EXPECT_TRUE(HasOnlyPlaceholder(Child(item, "open")));
}

}  // namespace
}  // namespace zandrel::test
