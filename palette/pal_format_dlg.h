#pragma once

// The layout choice of a palette export: the user picks the layout, then the file in
// the save dialog, and the palette is written as it is in memory. Cancelling the save
// dialog comes back here.

#include "formats/palette_files.h"
#include "formats/spr_file.h"
#include "ui/template_dialog.h"

namespace zandrel {

class CPalFormatDlg final : public TemplateDialog {
public:
    // Borrows the palette, which must outlive the dialog.
    CPalFormatDlg(Prompts& prompts, const SprPalette& palette, QWidget* parent = nullptr);

protected:
    bool OnInitDialog() override;
    // Next: asks for the file, writes it and closes, with no message.
    void OnOK() override;

private:
    PaletteFileFormat Layout() const;

    const SprPalette* m_pPalette;
};

}  // namespace zandrel
