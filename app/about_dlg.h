#pragma once

// The About box: the icon, the credit line and the project's home page, which the user
// can select and copy but not change.

#include <string>

#include "ui/template_dialog.h"

namespace zandrel {

class CAboutDlg final : public TemplateDialog {
public:
    explicit CAboutDlg(Prompts& prompts, QWidget* parent = nullptr);

protected:
    bool OnInitDialog() override;

private:
    std::string m_strUrl;
};

}  // namespace zandrel
