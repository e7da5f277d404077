#include "palette/pal_convert_dlg.h"

#include <QRadioButton>
#include <optional>

#include "palette/palette_convert.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "ui/prompts.h"

namespace zandrel {

CPalConvertDlg::CPalConvertDlg(Prompts& prompts, QWidget* parent)
    : TemplateDialog(DialogTemplateOf(kIddPalConvert), prompts, parent) {
    OnClicked(kIdcBrowse, &CPalConvertDlg::OnBrowse);
}

bool CPalConvertDlg::OnInitDialog() {
    DlgItem<QRadioButton>(kIdcToMicrosoft)->setChecked(true);
    return true;
}

void CPalConvertDlg::OnBrowse() {
    const std::optional<std::string> path = ThePrompts().OpenFile(kPaletteOpenFilter);
    if (!path) return;
    EnableDlgItem(kIdOk, true);
    m_strSource = *path;
    SetDlgItemText(kIdcSourcePath, m_strSource);
}

PaletteFileFormat CPalConvertDlg::Target() const {
    return DlgItem<QRadioButton>(kIdcToMicrosoft)->isChecked() ? PaletteFileFormat::Microsoft
                                                               : PaletteFileFormat::Velmark;
}

void CPalConvertDlg::OnOK() {
    // Convert is disabled until Browse has given a source; nothing else reaches here
    // without one.
    if (m_strSource.empty()) return;
    const PaletteFileFormat target = Target();
    // A source already in the chosen layout is refused before a destination is asked for.
    if (const Outcome check = CheckPaletteConversion(m_strSource, target); !check.done) {
        ThePrompts().Show(check);
        return;
    }
    const std::optional<std::string> destination = ThePrompts().SaveFile(ConvertFilterOf(target), {});
    if (!destination) return;
    m_strDest = *destination;
    const Outcome converted = ConvertPalette(m_strSource, m_strDest, target);
    ThePrompts().Show(converted);
    if (converted.done) EndDialog(Accepted);
}

}  // namespace zandrel
