#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
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

namespace {

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

}  // namespace

void MoveMouse(QWidget& widget, QPoint at) {
    SendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    Settle();
}

void ClickAt(QWidget& widget, QPoint at) { Drag(widget, at, at); }

void Drag(QWidget& widget, QPoint from, QPoint to, Qt::MouseButton button) {
    SendMouse(widget, QEvent::MouseButtonPress, from, button, button);
    if (to != from) SendMouse(widget, QEvent::MouseMove, to, Qt::NoButton, button);
    SendMouse(widget, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    Settle();
}

}  // namespace zandrel::test
