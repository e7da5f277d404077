// The standard dialogs and buttons in the program's language, as the desktop program
// installs them.

#include "app/translations.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTranslator>

namespace zandrel::test {
namespace {

TEST(QtTranslations, StandardButtonsSpeakChinese) {
    QTranslator* translator = InstallQtTranslations(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "Qt's Chinese catalogue (qt6-translations-l10n) is missing";
    QMessageBox box(QMessageBox::NoIcon, "Zandrel", "text", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), "确定");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "取消");
    // The other tests read Qt's own texts.
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

}  // namespace
}  // namespace zandrel::test
