#pragma once

// The palette converter: one palette file, chosen with Browse, written again in the
// other layout under a name from the save dialog. A source that tells its format (one
// of the layouts by its length and header, or a paint program's palette) converts from
// that, and one already in the chosen layout is refused; for any other file the
// direction is the user's word about it.

#include <string>

#include "formats/palette_files.h"
#include "ui/template_dialog.h"

namespace zandrel {

class CPalConvertDlg final : public TemplateDialog {
public:
    explicit CPalConvertDlg(Prompts& prompts, QWidget* parent = nullptr);

    const std::string& Source() const { return m_strSource; }
    // Empty until a conversion has been started.
    const std::string& Destination() const { return m_strDest; }

protected:
    bool OnInitDialog() override;
    // Convert: asks for the destination, converts, reports and closes.
    void OnOK() override;

private:
    void OnBrowse();
    PaletteFileFormat Target() const;

    std::string m_strDest;
    std::string m_strSource;
};

}  // namespace zandrel
