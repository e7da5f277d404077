#include "ui/template_dialog.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>
#include <string>

#include "ui/qt_text.h"

namespace zandrel {

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_built(BuildDialog(*this, dialogTemplate)) {
    if (auto* ok = DlgItem<QAbstractButton>(kIdOk)) connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    if (auto* cancel = DlgItem<QAbstractButton>(kIdCancel)) {
        connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    }
}

int TemplateDialog::DoModal() {
    InitDialog();
    return exec();
}

bool TemplateDialog::InitDialog() {
    if (m_bInitialised) return true;
    m_bInitialised = true;
    bool result = false;
    Guard([&] { result = OnInitDialog(); });
    for (const BuiltControl& control : m_built.controls) {
        if (control.widget->focusPolicy() == Qt::StrongFocus && control.widget->isEnabled()) {
            control.widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    return result;
}

void TemplateDialog::accept() {
    Guard([this] { OnOK(); });
}

void TemplateDialog::reject() {
    Guard([this] { OnCancel(); });
}

void TemplateDialog::done(int result) {
    QDialog::done(result);
    if (!m_bEnded) {
        m_bEnded = true;
        OnDestroy();
    }
}

void TemplateDialog::SetDlgItemText(int id, std::string_view text) {
    QWidget* item = GetDlgItem(id);
    if (auto* label = qobject_cast<QLabel*>(item)) {
        label->setText(ToQString(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(item)) {
        edit->setText(ToQString(text));
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QAbstractButton*>(item)) {
        button->setText(ToQString(text));
    } else {
        throw std::logic_error("control " + std::to_string(id) + " has no text");
    }
}

void TemplateDialog::EnableDlgItem(int id, bool enable) {
    if (QWidget* item = GetDlgItem(id)) item->setEnabled(enable);
}

void TemplateDialog::ConnectClicked(int id, std::function<void()> call) {
    auto* button = DlgItem<QAbstractButton>(id);
    if (button == nullptr) throw std::logic_error("no button " + std::to_string(id) + " to bind");
    connect(button, &QAbstractButton::clicked, this, [this, button, call = std::move(call)] {
        // The caption without its mnemonic marker: "全部输出(&A)" is told as "全部输出(A)".
        Guard(call, ToStdString(button->text().remove(QLatin1Char('&'))));
    });
}

HandlerContext TemplateDialog::DescribeAction(const std::string& operation) const {
    return {operation.empty() ? ToStdString(windowTitle()) : operation, ActionFile()};
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || event->modifiers() != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Enter presses the push button with the focus, else the default push button (a
    // disabled one swallows the key), else it is the OK command.
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
        focused->click();
        return;
    }
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->isDefault() && button->isVisible()) {
            if (button->isEnabled()) button->click();
            return;
        }
    }
    accept();
}

}  // namespace zandrel
