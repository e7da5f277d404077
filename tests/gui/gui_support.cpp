#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <filesystem>

#include "ui/template_dialog.h"

namespace zandrel::test {

void Soon(std::function<void()> step) { QTimer::singleShot(0, qApp, std::move(step)); }

QWidget* TopModal() { return QApplication::activeModalWidget(); }

void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

void ClickButton(TemplateDialog& dialog, int id) {
    dialog.DlgItem<QAbstractButton>(id)->click();
    Settle();
}

void PressKey(QWidget& window, int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = window.focusWidget() != nullptr ? window.focusWidget() : &window;
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

}  // namespace zandrel::test
