#include "viewer/palette_panel.h"

#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "os/outcome.h"
#include "ui/qt_text.h"

namespace zandrel {

CPaletteGrid::CPaletteGrid(QWidget* parent) : QWidget(parent) {
    setFixedSize(kColumns * kCell + 1, kColumns * kCell + 1);
    setCursor(Qt::PointingHandCursor);
}

void CPaletteGrid::SetPalette(const SprPalette& palette) {
    m_palette = palette;
    update();
}

void CPaletteGrid::SetPicked(std::optional<std::uint8_t> index) {
    m_picked = index;
    update();
}

QRect CPaletteGrid::SwatchRect(int index) {
    return {1 + (index % kColumns) * kCell, 1 + (index / kColumns) * kCell, kSwatch, kSwatch};
}

std::optional<std::uint8_t> CPaletteGrid::IndexAt(QPoint point) {
    if (point.x() < 1 || point.y() < 1) return std::nullopt;
    const int column = (point.x() - 1) / kCell;
    const int row = (point.y() - 1) / kCell;
    if (column >= kColumns || row >= kColumns) return std::nullopt;
    const int index = row * kColumns + column;
    if (!SwatchRect(index).contains(point)) return std::nullopt;
    return static_cast<std::uint8_t>(index);
}

bool CPaletteGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const std::optional<std::uint8_t> index = IndexAt(help->pos())) {
            const SprPaletteEntry& entry = m_palette[*index];
            QToolTip::showText(help->globalPos(),
                               ToQString(FormatText(kSwatchFormat, *index, entry.red, entry.green, entry.blue)), this,
                               SwatchRect(*index));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void CPaletteGrid::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    for (int index = 0; index < static_cast<int>(kPaletteEntries); ++index) {
        const SprPaletteEntry& entry = m_palette[static_cast<std::size_t>(index)];
        painter.fillRect(SwatchRect(index), QColor(entry.red, entry.green, entry.blue));
    }
    if (m_picked) {
        // Black inside white, so that the pick shows on every colour.
        const QRect picked = SwatchRect(*m_picked);
        painter.setPen(Qt::white);
        painter.drawRect(picked.adjusted(-1, -1, 0, 0));
        painter.setPen(Qt::black);
        painter.drawRect(picked.adjusted(0, 0, -1, -1));
    }
}

void CPaletteGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::optional<std::uint8_t> index = IndexAt(event->position().toPoint());
    if (!index) return;
    SetPicked(m_picked == index ? std::nullopt : index);
    if (onPicked) onPicked(m_picked);
}

CPalettePanel::CPalettePanel(QWidget* parent) : QWidget(parent) {
    auto* group = new QGroupBox(ToQString(kPaletteTitleText), this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(group);
    auto* inner = new QVBoxLayout(group);
    m_grid = new CPaletteGrid(group);
    m_source = new QLabel(group);
    m_source->setTextFormat(Qt::PlainText);
    m_source->setWordWrap(true);
    m_restore = new QPushButton(ToQString(kRestorePaletteText), group);
    m_restore->setAutoDefault(false);
    inner->addWidget(m_grid);
    inner->addWidget(m_source);
    inner->addWidget(m_restore, 0, Qt::AlignLeft);
    inner->addStretch();
    setFixedWidth(sizeHint().width());
}

void CPalettePanel::Show(const SprPalette& palette, const std::string& sourceName) {
    m_grid->SetPalette(palette);
    m_source->setText(ToQString(sourceName.empty() ? std::string(kOwnPaletteText)
                                                   : FormatText(kImportedPaletteFormat, sourceName.c_str())));
    m_restore->setEnabled(!sourceName.empty());
}

}  // namespace zandrel
