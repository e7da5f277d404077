#include "palette/pal_format_dlg.h"

#include <QRadioButton>
#include <optional>
#include <string>

#include "palette/palette_convert.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/prompts.h"

namespace zandrel {

CPalFormatDlg::CPalFormatDlg(Prompts& prompts, const SprPalette& palette, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddPalFormat), prompts, parent), m_pPalette(&palette) {}

bool CPalFormatDlg::OnInitDialog() {
    DlgItem<QRadioButton>(kIdcVelmarkLayout)->setChecked(true);
    return true;
}

PaletteFileFormat CPalFormatDlg::Layout() const {
    return DlgItem<QRadioButton>(kIdcMicrosoftLayout)->isChecked() ? PaletteFileFormat::Microsoft
                                                                   : PaletteFileFormat::Velmark;
}

void CPalFormatDlg::OnOK() {
    const std::optional<std::string> path = ThePrompts().SaveFile(kPaletteFileFilter, {});
    if (!path) return;
    ExportPalette(*path, *m_pPalette, Layout());
    EndDialog(Accepted);
}

}  // namespace zandrel
