#include "shell/toolkit/panels.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QString>

namespace dmm {

Qt::Alignment PanelAlignment(PanelAlign align) {
    switch (align) {
        case PanelAlign::Left:
            return Qt::AlignLeft | Qt::AlignVCenter;
        case PanelAlign::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case PanelAlign::Center:
            break;
    }
    return Qt::AlignHCenter | Qt::AlignVCenter;
}

void ShowPanelText(QLabel* panel, std::string_view text, const PanelStyle& style) {
    panel->setAlignment(PanelAlignment(style.align));
    panel->setText(QString::fromStdString(PanelText(text, style)));
}

// A black read-out panel with coloured text.
QLabel* ReadoutPanel(QWidget* parent, const QColor& text, int pixelSize, Qt::Alignment align) {
    auto* panel = new QLabel(parent);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, text);
    panel->setPalette(pal);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    panel->setFont(font);
    panel->setAlignment(align | Qt::AlignVCenter);
    return panel;
}

QLabel* GroupLabel(QWidget* parent, const QString& text, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace dmm
