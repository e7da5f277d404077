#pragma once

// The base of every dialog of the program: built from its template, controls found by
// id, every handler run inside the handler boundary. Button 1 is OK and button 2
// Cancel; Esc and the close box cancel; Enter presses the default push button, or the
// push button with the focus, and gives the OK command when there is neither.

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>

#include "ui/dialog_builder.h"
#include "ui/handler_boundary.h"

namespace zandrel {

class Prompts;

class TemplateDialog : public QDialog {
public:
    TemplateDialog(const DialogTemplate& dialogTemplate, Prompts& prompts, QWidget* parent);

    // Initialises the dialog once, then runs it modally.
    int DoModal();
    // OnInitDialog inside the boundary, once; focuses the first tab stop. Returns what
    // OnInitDialog returned (false also when it ended in a file error).
    bool InitDialog();

    QWidget* GetDlgItem(int id) const { return m_built.Item(id); }
    template <class Widget>
    Widget* DlgItem(int id) const {
        return qobject_cast<Widget*>(GetDlgItem(id));
    }
    const BuiltDialog& Built() const { return m_built; }

    void accept() override;
    void reject() override;
    void done(int result) override;

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(Accepted); }
    virtual void OnCancel() { EndDialog(Rejected); }
    // After the dialog has ended, whichever way.
    virtual void OnDestroy() {}

    void EndDialog(int result) { done(result); }
    Prompts& ThePrompts() const { return m_prompts; }

    void SetDlgItemText(int id, std::string_view text);
    void EnableDlgItem(int id, bool enable);

    // `operation` names the action in the message of a failure nobody foresaw; the
    // dialog's title stands in when it is empty.
    template <class Handler>
    void Guard(Handler&& handler, const std::string& operation = {}) {
        RunHandler(m_prompts, std::forward<Handler>(handler), [&] { return DescribeAction(operation); });
    }
    // The file the dialog's actions concern, for those messages; none by default.
    virtual std::string ActionFile() const { return {}; }

    // Binds a button's click to a handler of the dialog, inside the boundary.
    template <class Dialog>
    void OnClicked(int id, void (Dialog::*handler)()) {
        Dialog* self = static_cast<Dialog*>(this);
        ConnectClicked(id, [self, handler] { (self->*handler)(); });
    }

    // Binds any signal of a control to a handler of the dialog, inside the boundary.
    template <class Sender, class Signal, class Dialog>
    void OnSignal(Sender* sender, Signal signal, void (Dialog::*handler)()) {
        Dialog* self = static_cast<Dialog*>(this);
        QObject::connect(sender, signal, this,
                         [this, self, handler] { Guard([self, handler] { (self->*handler)(); }); });
    }

    void keyPressEvent(QKeyEvent* event) override;

private:
    HandlerContext DescribeAction(const std::string& operation) const;
    void ConnectClicked(int id, std::function<void()> call);

    Prompts& m_prompts;
    BuiltDialog m_built;
    bool m_bInitialised = false;
    bool m_bEnded = false;
};

}  // namespace zandrel
