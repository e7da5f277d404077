#pragma once

// Turns a dialog template into Qt widgets: one child per control, in template order, at
// its rectangle in dialog units mapped through the dialog font's metrics.

#include <vector>

#include "ui/dialog_template.h"

class QDialog;
class QFont;
class QWidget;

namespace zandrel {

struct BuiltControl {
    int id = kIdStatic;
    ControlKind kind = ControlKind::Static;
    QWidget* widget = nullptr;
};

struct BuiltDialog {
    DialogBaseUnits units;
    std::vector<BuiltControl> controls;  // template order

    // The first control with this id, or null.
    QWidget* Item(int id) const;
};

// The template's font, with the song-style typefaces that stand in for it where it is
// not installed.
QFont DialogFont(const DialogTemplate& dialogTemplate);

// A quarter of the average width of the Latin letters, and the character height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Sets the dialog's title, font and fixed client size and creates its controls. Each
// control with an id gets that id as its object name.
BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);

}  // namespace zandrel
