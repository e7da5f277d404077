#include "app/about_dlg.h"

#include <QLabel>

#include "app/app_icon.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "res/version.h"

namespace zandrel {
CAboutDlg::CAboutDlg(Prompts& prompts, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddAboutBox), prompts, parent) {}

bool CAboutDlg::OnInitDialog() {
    for (const BuiltControl& control : Built().controls) {
        if (control.kind != ControlKind::Icon) continue;
        auto* icon = qobject_cast<QLabel*>(control.widget);
        icon->setPixmap(ZandrelIcon().pixmap(icon->size()));
    }
    m_strUrl = kHomePage;
    SetDlgItemText(kIdcUrl, m_strUrl);
    return true;
}

}  // namespace zandrel
