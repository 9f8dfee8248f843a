#include "shell/panels.h"

#include <QLabel>
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

}  // namespace dmm
