#include "shell/toolkit/centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace dmm {

void CentreOnScreen(QWidget* window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !window) return;
    const QRect area = screen->geometry();
    const QRect frame = window->frameGeometry();
    window->move(area.left() + (area.width() - frame.width()) / 2,
                 area.top() + (area.height() - frame.height()) / 2);
}

}  // namespace dmm
