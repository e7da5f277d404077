#include "ui/dialog_builder.h"

#include <QButtonGroup>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

#include "ui/qt_text.h"

namespace zandrel {
namespace {

// The dialogs are drawn for the 9-point song typeface. Where it is not installed, these
// stand in for it; the first of them has the same 6 x 12 pixel character cell.
const QStringList kSongSubstitutes{
    "AR PL UMing CN", "AR PL UMing TW", "AR PL SungtiL GB", "Noto Serif CJK SC", "Source Han Serif SC",
    "Songti SC",      "STSong",         "Noto Sans CJK SC", "WenQuanYi Zen Hei",
};

void InstallSongSubstitutes() {
    static const bool installed = [] {
        QFont::insertSubstitutions(QStringLiteral("SimSun"), kSongSubstitutes);
        // Windows names the face 宋体 only where its language is Chinese.
        QFont::insertSubstitutions(QStringLiteral("宋体"), QStringList{QStringLiteral("SimSun")} + kSongSubstitutes);
        return true;
    }();
    (void)installed;
}

bool Has(const ControlTemplate& control, unsigned flag) { return (control.styles & flag) != 0; }

QString CaptionOf(const ControlTemplate& control) { return ToQString(control.caption); }

QWidget* MakeButton(QDialog& dialog, const ControlTemplate& control) {
    auto* button = new QPushButton(CaptionOf(control), &dialog);
    // Enter is the dialog's business (TemplateDialog): Qt's auto-default would make the
    // first button the default of a dialog that has none.
    button->setAutoDefault(false);
    button->setDefault(control.kind == ControlKind::DefPushButton);
    button->setFocusPolicy(Has(control, style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    return button;
}

QWidget* MakeStatic(QDialog& dialog, const ControlTemplate& control) {
    auto* label = new QLabel(CaptionOf(control), &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setMargin(0);
    label->setIndent(0);
    if (Has(control, style::kSunken)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
    }
    return label;
}

QWidget* MakeGroupBox(QDialog& dialog, const ControlTemplate& control) {
    auto* group = new QGroupBox(CaptionOf(control), &dialog);
    // A group box only frames its neighbours: it lies beneath them and lets their
    // clicks through, whatever its place in the template.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    group->setFocusPolicy(Qt::NoFocus);
    return group;
}

QWidget* MakeEdit(QDialog& dialog, const ControlTemplate& control) {
    auto* edit = new QLineEdit(CaptionOf(control), &dialog);
    edit->setReadOnly(Has(control, style::kReadOnly));
    edit->setFrame(Has(control, style::kBorder));
    edit->setFocusPolicy(Has(control, style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    if (edit->isReadOnly()) {
        // Read-only fields take the face colour of the dialog, as the user expects.
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
    }
    return edit;
}

QWidget* MakeListBox(QDialog& dialog, const ControlTemplate& control) {
    auto* list = new QListWidget(&dialog);
    list->setSortingEnabled(Has(control, style::kSort));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setVerticalScrollBarPolicy(Has(control, style::kVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Has(control, style::kHScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (!Has(control, style::kBorder)) list->setFrameShape(QFrame::NoFrame);
    list->setFocusPolicy(Has(control, style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    return list;
}

QWidget* MakeRadio(QDialog& dialog, const ControlTemplate& control, QButtonGroup*& group) {
    auto* radio = new QRadioButton(CaptionOf(control), &dialog);
    if (group == nullptr || Has(control, style::kGroup)) {
        group = new QButtonGroup(&dialog);
        group->setExclusive(true);
    }
    group->addButton(radio);
    // Tab reaches the checked button of a group, wherever the group starts.
    radio->setFocusPolicy(Qt::StrongFocus);
    return radio;
}

QWidget* MakeTree(QDialog& dialog, const ControlTemplate& control) {
    auto* tree = new QTreeWidget(&dialog);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    if (!Has(control, style::kBorder)) tree->setFrameShape(QFrame::NoFrame);
    tree->setFocusPolicy(Has(control, style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    return tree;
}

}  // namespace

QWidget* BuiltDialog::Item(int id) const {
    for (const BuiltControl& control : controls) {
        if (control.id == id) return control.widget;
    }
    return nullptr;
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    InstallSongSubstitutes();
    QFont font(ToQString(dialogTemplate.fontName));
    font.setPointSize(dialogTemplate.pointSize);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    dialog.setWindowTitle(ToQString(dialogTemplate.title));
    dialog.setFont(DialogFont(dialogTemplate));
    dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    BuiltDialog built;
    built.units = BaseUnitsOf(dialog.font());
    dialog.setFixedSize(DialogUnitsToPixelsX(dialogTemplate.cx, built.units),
                        DialogUnitsToPixelsY(dialogTemplate.cy, built.units));

    QButtonGroup* radioGroup = nullptr;
    QWidget* previousTabStop = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::PushButton:
            case ControlKind::DefPushButton: widget = MakeButton(dialog, control); break;
            case ControlKind::Static:
            case ControlKind::Icon: widget = MakeStatic(dialog, control); break;
            case ControlKind::GroupBox: widget = MakeGroupBox(dialog, control); break;
            case ControlKind::Edit: widget = MakeEdit(dialog, control); break;
            case ControlKind::ListBox: widget = MakeListBox(dialog, control); break;
            case ControlKind::AutoRadio: widget = MakeRadio(dialog, control, radioGroup); break;
            case ControlKind::TreeView: widget = MakeTree(dialog, control); break;
        }
        const PixelRect rect = DialogUnitsToPixels(control, built.units);
        if (control.kind == ControlKind::Icon) {
            // An icon control takes the size of the icon, not of its rectangle.
            const int size = dialog.style()->pixelMetric(QStyle::PM_LargeIconSize);
            widget->setGeometry(rect.x, rect.y, size, size);
        } else if (control.kind == ControlKind::AutoRadio) {
            // A radio caption longer than its rectangle runs on to the right as far as
            // the dialog reaches, rather than being cut off mid-word.
            const int room = dialog.width() - rect.x;
            const int width = std::max(rect.width, std::min(widget->sizeHint().width(), room));
            widget->setGeometry(rect.x, rect.y, width, rect.height);
        } else {
            widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
        }
        if (control.id != kIdStatic) widget->setObjectName(QString::number(control.id));
        widget->setEnabled(!Has(control, style::kDisabled));
        if (control.kind != ControlKind::GroupBox && control.kind != ControlKind::Static &&
            control.kind != ControlKind::Icon) {
            if (previousTabStop != nullptr) QWidget::setTabOrder(previousTabStop, widget);
            previousTabStop = widget;
        }
        built.controls.push_back({control.id, control.kind, widget});
    }
    for (const BuiltControl& control : built.controls) {
        if (control.kind == ControlKind::GroupBox) control.widget->lower();
    }
    return built;
}

}  // namespace zandrel
