// The Qt layer: filters, the dialog builder, the handler boundary and the
// scripted prompts, and the templates' texts fitting their controls.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "os/utf16.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "tests/test_files.h"
#include "ui/filter.h"
#include "ui/qt_prompts.h"
#include "ui/template_dialog.h"

namespace zandrel::test {
namespace {

TEST(Filter, PairsEndAtTheDoubleBar) {
    EXPECT_EQ(ParseFilter("Velmark SPR(*.spr)|*.spr||"), (std::vector<FilterEntry>{{"Velmark SPR(*.spr)", "*.spr"}}));
    EXPECT_EQ(ParseFilter("256色BMP图(*.bmp)|*.bmp|32位色TGA图(*.tga)|*.tga||"),
              (std::vector<FilterEntry>{{"256色BMP图(*.bmp)", "*.bmp"}, {"32位色TGA图(*.tga)", "*.tga"}}));
    EXPECT_EQ(ParseFilter("A|*.a||ignored|*.b"), (std::vector<FilterEntry>{{"A", "*.a"}}));
    EXPECT_TRUE(ParseFilter("").empty());
    EXPECT_TRUE(ParseFilter("only a description").empty());
}

TEST(Filter, QtFormCarriesThePatternsInTheLastParentheses) {
    EXPECT_EQ(ToQtNameFilters("256色BMP图(*.bmp)|*.bmp|32位色TGA图(*.tga)|*.tga||"),
              "256色BMP图(*.bmp) (*.bmp);;32位色TGA图(*.tga) (*.tga)");
    // Several patterns are separated by ";" in the program's form, by blanks in Qt's.
    EXPECT_EQ(ToQtNameFilters("Pictures|*.bmp;*.tga||"), "Pictures (*.bmp *.tga)");
}

TEST(DialogUnits, RoundLikeTheDialogManager) {
    const DialogBaseUnits units{6, 12};
    EXPECT_EQ(DialogUnitsToPixelsX(15, units), 23);  // 22.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsY(35, units), 53);  // 52.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsX(205, units), 308);
    EXPECT_EQ(DialogUnitsToPixelsY(205, units), 308);
    EXPECT_EQ(MulDivRound(-3, 6, 4), -5);
}

TEST(DialogFont, SongSubstituteGivesTheSixByTwelveCell) {
    const QFont font = DialogFont(DialogTemplateOf(kIddLauncher));
    if (!QFontInfo(font).family().startsWith("AR PL UMing")) {
        GTEST_SKIP() << "fonts-arphic-uming is not installed (the face drawn is "
                     << QFontInfo(font).family().toStdString() << ")";
    }
    const DialogBaseUnits units = BaseUnitsOf(font);
    EXPECT_EQ(units.x, 6);
    EXPECT_EQ(units.y, 12);
}

TEST(Templates, EveryDialogIsThereWithDistinctIds) {
    for (int id : {kIddAboutBox, kIddLauncher, kIddSprView, kIddSprMake, kIddPalConvert, kIddPalFormat, kIddFolder}) {
        const DialogTemplate& dialog = DialogTemplateOf(id);
        EXPECT_EQ(dialog.id, id);
        EXPECT_EQ(dialog.fontName, "宋体");
        EXPECT_EQ(dialog.pointSize, 9);
        std::set<int> ids;
        for (const ControlTemplate& control : dialog.controls) {
            if (control.id != kIdStatic) {
                EXPECT_TRUE(ids.insert(control.id).second) << id << ": " << control.id;
            }
        }
    }
    EXPECT_EQ(DialogTemplates().size(), 7u);
    EXPECT_THROW(DialogTemplateOf(999), std::out_of_range);
}

class BuilderTest : public testing::Test {
protected:
    ScriptedPrompts m_prompts;
};

TEST_F(BuilderTest, PlacesControlsByDialogUnits) {
    TemplateDialog dialog(DialogTemplateOf(kIddLauncher), m_prompts, nullptr);
    const DialogBaseUnits units = dialog.Built().units;
    EXPECT_EQ(dialog.size(), QSize(DialogUnitsToPixelsX(302, units), DialogUnitsToPixelsY(189, units)));
    EXPECT_EQ(dialog.GetDlgItem(kIdcSprToImages)->geometry(),
              QRect(DialogUnitsToPixelsX(15, units), DialogUnitsToPixelsY(35, units), DialogUnitsToPixelsX(100, units),
                    DialogUnitsToPixelsY(34, units)));
    EXPECT_EQ(dialog.windowTitle(), "Zandrel");
}

TEST_F(BuilderTest, KeepsTabOrderDefaultsAndStates) {
    TemplateDialog launcher(DialogTemplateOf(kIddLauncher), m_prompts, nullptr);
    QWidget* widget = launcher.GetDlgItem(kIdCancel);
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        order.push_back(widget->objectName().toInt());
        do {
            widget = widget->nextInFocusChain();
        } while (widget->focusPolicy() != Qt::StrongFocus);
    }
    EXPECT_EQ(order, (std::vector<int>{kIdCancel, kIdcAbout, kIdcSprToImages, kIdcImagesToSpr, kIdcPalConvert}));
    for (int id : order) EXPECT_FALSE(launcher.DlgItem<QPushButton>(id)->isDefault()) << id;

    TemplateDialog about(DialogTemplateOf(kIddAboutBox), m_prompts, nullptr);
    EXPECT_TRUE(about.DlgItem<QPushButton>(kIdOk)->isDefault());
    EXPECT_TRUE(about.DlgItem<QLineEdit>(kIdcUrl)->isReadOnly());
    EXPECT_FALSE(about.DlgItem<QLineEdit>(kIdcUrl)->hasFrame());

    TemplateDialog convert(DialogTemplateOf(kIddPalConvert), m_prompts, nullptr);
    EXPECT_FALSE(convert.GetDlgItem(kIdOk)->isEnabled());
    EXPECT_TRUE(convert.DlgItem<QLineEdit>(kIdcSourcePath)->isReadOnly());
    auto* first = convert.DlgItem<QRadioButton>(kIdcToMicrosoft);
    auto* second = convert.DlgItem<QRadioButton>(kIdcToVelmark);
    first->setChecked(true);
    second->setChecked(true);
    EXPECT_FALSE(first->isChecked());  // one group

    TemplateDialog maker(DialogTemplateOf(kIddSprMake), m_prompts, nullptr);
    EXPECT_TRUE(maker.DlgItem<QPushButton>(kIdcAddImages)->isDefault());
    EXPECT_TRUE(maker.DlgItem<QListWidget>(kIdcImageList)->isSortingEnabled());
}

TEST_F(BuilderTest, MultiLineCaptionsBreakAtTheNewline) {
    TemplateDialog launcher(DialogTemplateOf(kIddLauncher), m_prompts, nullptr);
    auto* button = launcher.DlgItem<QPushButton>(kIdcPalConvert);
    EXPECT_EQ(button->text(), ".PAL格式转换          \n.PAL Format Conversion");
    const QFontMetrics metrics(button->font());
    EXPECT_GE(button->sizeHint().height(), 2 * metrics.height());
}

// Every caption is drawn whole: buttons and radios hold their text, and wrapped static
// texts need no more lines than their height has room for.
TEST_F(BuilderTest, EveryCaptionFitsItsControl) {
    for (const DialogTemplate& dialogTemplate : DialogTemplates()) {
        TemplateDialog dialog(dialogTemplate, m_prompts, nullptr);
        for (const BuiltControl& control : dialog.Built().controls) {
            QWidget& widget = *control.widget;
            const std::string where = std::to_string(dialogTemplate.id) + "/" + std::to_string(control.id);
            if (auto* label = qobject_cast<QLabel*>(&widget); label != nullptr && !label->text().isEmpty()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << where;
            } else if (auto* radio = qobject_cast<QRadioButton*>(&widget)) {
                EXPECT_LE(radio->sizeHint().width(), radio->width()) << where;
            } else if (auto* button = qobject_cast<QPushButton*>(&widget)) {
                const QSize text = QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text());
                EXPECT_LE(text.width(), button->width()) << where;
                EXPECT_LE(text.height(), button->height()) << where;
            }
            EXPECT_TRUE(dialog.rect().contains(widget.geometry())) << where;
        }
    }
}

// A dialog with a handler that fails to read, and a counter the handler sets before it.
class FailingDialog final : public TemplateDialog {
public:
    explicit FailingDialog(Prompts& prompts) : TemplateDialog(DialogTemplateOf(kIddLauncher), prompts, nullptr) {
        OnClicked(kIdcAbout, &FailingDialog::OnFail);
    }
    std::string m_strMissing;
    // Set: the handler fails as a library might, with something other than a file error.
    std::function<void()> m_throw;

protected:
    std::string ActionFile() const override { return "hero.spr"; }

private:
    void OnFail() {
        if (m_throw) m_throw();
        File::OpenRead(m_strMissing);
    }
};

TEST_F(BuilderTest, AnyOtherFailureInAHandlerIsToldWithTheActionAndTheFileAndTheDialogStays) {
    FailingDialog dialog(m_prompts);
    dialog.InitDialog();
    dialog.show();
    const QString caption = dialog.DlgItem<QPushButton>(kIdcAbout)->text().remove('&');
    for (const auto& [thrower, reason] : std::vector<std::pair<std::function<void()>, std::string>>{
             {[] { throw std::runtime_error("PNG encoder: missing IHDR chunk"); }, "PNG encoder: missing IHDR chunk"},
             {[] { throw std::bad_alloc(); }, "内存不足"},
             {[] { throw 42; }, "未知错误"}}) {
        dialog.m_throw = thrower;
        dialog.DlgItem<QPushButton>(kIdcAbout)->click();
        ASSERT_FALSE(m_prompts.Messages().empty());
        EXPECT_EQ(m_prompts.Messages().back().text,
                  caption.toStdString() + " hero.spr时出现意外错误，没有完成：" + reason);
        EXPECT_EQ(m_prompts.Messages().back().icon, MessageIcon::Stop);
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_EQ(m_prompts.Messages().size(), 3u);
}

TEST_F(BuilderTest, FileErrorInAHandlerShowsTheStandardBoxAndTheDialogStays) {
    TempDir dir;
    FailingDialog dialog(m_prompts);
    dialog.m_strMissing = dir.Path("missing.spr");
    dialog.InitDialog();
    dialog.show();
    dialog.DlgItem<QPushButton>(kIdcAbout)->click();
    ASSERT_EQ(m_prompts.Messages().size(), 1u);
    EXPECT_EQ(m_prompts.Messages()[0].icon, MessageIcon::Stop);
    try {
        File::OpenRead(dialog.m_strMissing);
    } catch (const FileError& error) {
        EXPECT_EQ(m_prompts.Messages()[0].text, DescribeFileError(error));
    }
    EXPECT_NE(m_prompts.Messages()[0].text.find("missing.spr"), std::string::npos);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(ScriptedPrompts, ConfirmedChoicesMoveTheCurrentFolderAndCancelsDoNot) {
    const std::filesystem::path start = std::filesystem::current_path();
    TempDir dir;
    std::filesystem::create_directories(dir.Path("sub"));
    ScriptedPrompts prompts;
    prompts.Answer(dir.Path("sub/a.spr"));
    prompts.Cancel();
    prompts.Answer(dir.Path("b.bmp"));

    EXPECT_EQ(prompts.OpenFile("X|*.x||"), dir.Path("sub/a.spr"));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.Path("sub")));
    EXPECT_EQ(prompts.SaveFile("Y|*.y||", "name"), std::nullopt);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.Path("sub")));
    EXPECT_EQ(prompts.SaveFile("Y|*.y||", ""), dir.Path("b.bmp"));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.Root()));
    // Nothing left to answer with: cancelled, and still recorded.
    EXPECT_TRUE(prompts.OpenFiles("Z|*.z||").empty());
    ASSERT_EQ(prompts.Questions().size(), 4u);
    EXPECT_EQ(prompts.Questions()[1].initialName, "name");
    EXPECT_EQ(prompts.Questions()[3].kind, QuestionKind::OpenFiles);
    std::filesystem::current_path(start);
}

// A short message's box is as wide as its caption needs, so that the title bar shows
// "Zandrel" whole beside its buttons; a question's too.
TEST(QtPromptsTest, MessageBoxesAreWideEnoughForTheirCaption) {
    QtPrompts prompts;
    const int caption = QFontMetrics(QApplication::font()).horizontalAdvance(QApplication::applicationName());
    for (const bool question : {false, true}) {
        int width = 0;
        Soon([&] {
            QWidget* box = TopModal();
            width = box->width();
            PressKey(*box, Qt::Key_Escape);
        });
        if (question) {
            EXPECT_FALSE(prompts.AskYesNo("是?"));  // Escape answers No
        } else {
            prompts.ShowMessage("好", MessageIcon::None);
        }
        EXPECT_GE(width, caption + 100) << question;
    }
}

// File dialogs open at the current folder, which the last chosen file set, and not at
// the folder Qt remembers from its own last dialog.
TEST(QtPromptsTest, FileDialogsOpenAtTheCurrentFolder) {
    TempDir dir;
    std::filesystem::create_directories(PathFromUtf8(dir.Path("a")));
    std::filesystem::create_directories(PathFromUtf8(dir.Path("b")));
    WriteBytes(dir.Path("a/x.spr"), Bytes{1});
    const std::filesystem::path start = std::filesystem::current_path();
    QtPrompts prompts;
    QString opened;
    const auto answer = [&](const QString& file) {
        Soon([&opened, file] {
            auto* dialog = qobject_cast<QFileDialog*>(TopModal());
            if (dialog == nullptr) return;
            opened = dialog->directory().absolutePath();
            if (file.isEmpty()) return dialog->reject();
            dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
        });
    };
    std::filesystem::current_path(PathFromUtf8(dir.Path("a")));
    answer(QStringLiteral("x.spr"));
    EXPECT_EQ(prompts.OpenFile("SPR(*.spr)|*.spr||"), dir.Path("a") + kPathSeparator + "x.spr");
    std::filesystem::current_path(PathFromUtf8(dir.Path("b")));
    for (const bool save : {false, true}) {
        answer({});
        if (save) {
            EXPECT_EQ(prompts.SaveFile("SPR(*.spr)|*.spr||", {}), std::nullopt);
        } else {
            EXPECT_EQ(prompts.OpenFile("SPR(*.spr)|*.spr||"), std::nullopt);
        }
        EXPECT_EQ(opened.toStdString(), QDir(QString::fromStdString(dir.Path("b"))).absolutePath().toStdString())
            << save;
    }
    std::filesystem::current_path(start);
}

// Qt's own dialog names the chosen filter as it shows it, without the hidden patterns;
// the choice must still come back as the entry's place in the program's filter.
TEST(QtPromptsTest, SaveDialogsTellWhichFilterEntryWasChosen) {
    TempDir dir;
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path(PathFromUtf8(dir.Root()));
    QtPrompts prompts;
    for (const qsizetype entry : {2, 0, 1}) {
        Soon([entry] {
            auto* dialog = qobject_cast<QFileDialog*>(TopModal());
            if (dialog == nullptr) return;
            dialog->selectNameFilter(dialog->nameFilters().at(entry));
            dialog->selectFile(QStringLiteral("colours"));
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
        });
        const std::optional<Prompts::SaveChoice> choice =
            prompts.SaveFileOfType("JASC(*.pal)|*.pal|GIMP(*.gpl)|*.gpl|Adobe(*.act)|*.act||", {});
        ASSERT_TRUE(choice.has_value());
        EXPECT_EQ(choice->filterIndex, static_cast<std::size_t>(entry));
    }
    std::filesystem::current_path(start);
}

}  // namespace
}  // namespace zandrel::test
