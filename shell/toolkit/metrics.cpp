#include "shell/toolkit/metrics.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace dmm {

namespace {
std::optional<SystemMetrics> g_override;
}

SystemMetrics CurrentSystemMetrics() {
    if (g_override) return *g_override;
    SystemMetrics m;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect full = screen->geometry();
        QRect avail = screen->availableGeometry();
        m.screenWidth = full.width();
        m.screenHeight = full.height();
        m.TaskbarHeight = std::max(0, full.height() - avail.height());
    }
    m.cyDlgFrame = 3;
    m.cyFrame = 4;
    QStyle* style = QApplication::style();
    m.cyCaption = style ? style->pixelMetric(QStyle::PM_TitleBarHeight) : 19;
    if (m.cyCaption <= 0) m.cyCaption = 19;
    QMenuBar probe;
    probe.addMenu(QStringLiteral("&File"));
    m.cyMenu = probe.sizeHint().height();
    return m;
}

void SetSystemMetricsOverride(std::optional<SystemMetrics> metrics) {
    g_override = metrics;
}

void ApplyOuterGeometry(QWidget* window, const WindowRect& r) {
    SystemMetrics m = CurrentSystemMetrics();
    int clientW = std::max(1, r.width - 2 * m.cyDlgFrame);
    int clientH = std::max(1, r.height - m.cyCaption - 2 * m.cyDlgFrame);
    window->move(r.left, r.top);
    // A window that the user may not resize keeps a fixed size: placing it fixes the new one.
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(clientW, clientH);
    else
        window->resize(clientW, clientH);
}

int OuterHeight(const QWidget* window) {
    SystemMetrics m = CurrentSystemMetrics();
    return window->height() + m.cyCaption + 2 * m.cyDlgFrame;
}

void KeepMaximisedIn(QWidget* window, QEvent* event, MaximisedRect rect) {
    if (event->type() != QEvent::WindowStateChange ||
        !(window->windowState() & Qt::WindowMaximized))
        return;
    // After the window system has finished its own change of state.
    QMetaObject::invokeMethod(
        window,
        [window, rect] {
            if (!(window->windowState() & Qt::WindowMaximized)) return;
            window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
            ApplyOuterGeometry(window, rect(CurrentSystemMetrics()));
        },
        Qt::QueuedConnection);
}

}  // namespace dmm
