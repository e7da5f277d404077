// The output folder dialog: where it opens, what its field shows, and what OK, Cancel
// and the keyboard hand back.

#include "folders/folder_dlg.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <memory>

#include "os/file.h"
#include "os/utf16.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"

namespace zandrel::test {
namespace {

namespace fs = std::filesystem;

void Type(QWidget& target, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&target, &press);
    }
}

// Runs a test at a current folder of its own, and goes back afterwards.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) : m_previous(fs::current_path()) { fs::current_path(folder); }
    ~CurrentFolder() { fs::current_path(m_previous); }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    fs::path m_previous;
};

class FolderDlgTest : public testing::Test {
protected:
    CFolderDlg& Open() {
        m_dialog = std::make_unique<CFolderDlg>(m_prompts);
        m_dialog->InitDialog();
        m_dialog->show();
        Settle();
        return *m_dialog;
    }

    QLineEdit& Edit() { return *m_dialog->DlgItem<QLineEdit>(kIdcOutputDir); }
    QTreeWidget& Tree() { return *m_dialog->DlgItem<QTreeWidget>(kIdcFolderTree); }
    std::string Path(const QTreeWidgetItem* item) { return m_dialog->FolderTree().PathFromItem(item); }

    TempDir m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<CFolderDlg> m_dialog;
};

TEST_F(FolderDlgTest, OpensAtTheCurrentFolderWithItsPathInTheField) {
    fs::create_directories(m_dir.Path("work/out"));
    const CurrentFolder here(m_dir.Path("work/out") + "/");
    Open();
    EXPECT_EQ(m_dialog->windowTitle(), "目录树");
    EXPECT_EQ(Edit().text().toStdString(), m_dir.Path("work/out"));
    ASSERT_NE(Tree().currentItem(), nullptr);
    EXPECT_EQ(Path(Tree().currentItem()), m_dir.Path("work/out"));
    EXPECT_TRUE(Tree().currentItem()->isExpanded());
    EXPECT_EQ(m_dialog->focusWidget(), m_dialog->GetDlgItem(kIdOk));
    EXPECT_TRUE(m_prompts.Messages().empty());
}

#ifdef _WIN32
TEST_F(FolderDlgTest, AtADrivesRootTheFieldShowsTheDriveAlone) {
    const std::string drive = m_dir.Root().substr(0, 2);
    const CurrentFolder here(drive + "\\");
    Open();
    EXPECT_EQ(Edit().text().toStdString(), drive);
    ASSERT_NE(Tree().currentItem(), nullptr);
    EXPECT_EQ(Tree().currentItem()->parent(), nullptr);
    EXPECT_EQ(Tree().currentItem()->text(0).toStdString(), drive);
}
#else
TEST_F(FolderDlgTest, AtTheRootTheFieldShowsSlash) {
    const CurrentFolder here("/");
    Open();
    EXPECT_EQ(Edit().text(), "/");
    EXPECT_EQ(Tree().currentItem(), Tree().topLevelItem(0));
}
#endif

TEST_F(FolderDlgTest, RemovedCurrentFolderLeavesTheFieldEmptyAndNothingSelected) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows does not let a process's current folder be removed";
#endif
    fs::create_directories(m_dir.Path("gone"));
    const CurrentFolder here(m_dir.Path("gone"));
    fs::remove(m_dir.Path("gone"));
    Open();
    EXPECT_EQ(Edit().text(), "");
    EXPECT_EQ(Tree().currentItem(), nullptr);
    EXPECT_EQ(Tree().topLevelItemCount(), 1);
}

TEST_F(FolderDlgTest, OkReturnsTheFieldAsTypedAndASelectionReplacesIt) {
    fs::create_directories(m_dir.Path("a/b"));
    const CurrentFolder here(m_dir.Path("a"));
    Open();

    const std::string typed = m_dir.Path("a") + kPathSeparator + "." + kPathSeparator + "b" + kPathSeparator;
    Edit().setText(QString::fromStdString(typed));
    m_dialog->GetDlgItem(kIdOk)->setFocus();
    PressKey(*m_dialog, Qt::Key_Return);
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog->OutputDir(), typed);

    Open();
    Edit().setText("typed");
    QTreeWidgetItem* b = Tree().currentItem()->child(0);
    ASSERT_EQ(b->text(0), "b");
    Tree().setCurrentItem(b);
    EXPECT_EQ(Edit().text().toStdString(), m_dir.Path("a/b"));
    // A drive: "/" here, "C:" on Windows.
    QTreeWidgetItem* drive = Tree().topLevelItem(0);
    Tree().setCurrentItem(drive);
    EXPECT_EQ(Edit().text(), drive->text(0));
    m_dialog->DlgItem<QPushButton>(kIdOk)->click();
    EXPECT_EQ(m_dialog->OutputDir(), drive->text(0).toStdString());
}

// What cannot take the files keeps the dialog open with the path selected to mend it;
// a folder that is not there yet is offered, and made on Yes.
TEST_F(FolderDlgTest, OkRefusesWhatIsNoFolderAndOffersToCreateAMissingOne) {
    const CurrentFolder here(m_dir.Root());
    WriteBytes(m_dir.Path("file"), Bytes{1});
    Open();
    const auto ok = [&](const std::string& text) {
        Edit().setText(QString::fromStdString(text));
        m_dialog->DlgItem<QPushButton>(kIdOk)->click();
        Settle();
    };
    ok("");
    ok(m_dir.Path("file"));
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->result(), 0);
    EXPECT_EQ(m_dialog->focusWidget(), &Edit());
    EXPECT_EQ(Edit().selectedText().toStdString(), m_dir.Path("file"));
    ASSERT_EQ(m_prompts.Messages().size(), 2u);
    EXPECT_EQ(m_prompts.Messages()[0].text, "没有指定输出文件夹!");
    EXPECT_EQ(m_prompts.Messages()[1].text, m_dir.Path("file") + "不是一个文件夹!");

    const std::string fresh = m_dir.Path("new") + kPathSeparator + "deeper";
    ok(fresh);  // No: nothing made
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_FALSE(fs::exists(PathFromUtf8(m_dir.Path("new"))));
    m_prompts.Reply(true);
    ok(fresh);
    EXPECT_EQ(m_prompts.YesNoQuestions(), std::vector<std::string>(2, "文件夹" + fresh + "不存在，要创建吗?"));
    EXPECT_TRUE(IsExistingFolder(fresh));
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    EXPECT_EQ(m_dialog->OutputDir(), fresh);
    EXPECT_EQ(m_prompts.Messages().size(), 2u);
}

TEST_F(FolderDlgTest, CancelAndEscapeReturnNothing) {
    const CurrentFolder here(m_dir.Root());
    m_prompts.Forget();

    Soon([] { TopModal()->findChild<QPushButton*>(QString::number(kIdCancel))->click(); });
    EXPECT_EQ(RunFolderDlg(m_prompts, nullptr), std::nullopt);

    Soon([] {
        QWidget& dialog = *TopModal();
        dialog.findChild<QLineEdit*>(QString::number(kIdcOutputDir))->setText("/typed");
        PressKey(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(RunFolderDlg(m_prompts, nullptr), std::nullopt);
    EXPECT_TRUE(m_prompts.Messages().empty());
}

TEST_F(FolderDlgTest, TabReachesTheFieldAndEnterPressesOk) {
    const CurrentFolder here(m_dir.Root());
    Soon([this] {
        QWidget& dialog = *TopModal();
        auto* edit = dialog.findChild<QLineEdit*>(QString::number(kIdcOutputDir));
        // From OK: Cancel, the tree, the field.
        for (int i = 0; i < 3; ++i) PressKey(dialog, Qt::Key_Tab);
        if (dialog.focusWidget() != edit) {
            ADD_FAILURE() << "Tab did not reach the field";
            PressKey(dialog, Qt::Key_Escape);
            return;
        }
        edit->selectAll();
        Type(*edit, QString::fromStdString(m_dir.Root()));
        PressKey(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(RunFolderDlg(m_prompts, nullptr), std::optional<std::string>(m_dir.Root()));
}

}  // namespace
}  // namespace zandrel::test
