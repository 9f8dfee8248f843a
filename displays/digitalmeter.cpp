#include "displays/digitalmeter.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "meterlink/globalvar.h"
#include "meterlink/labels.h"
#include "meterlink/meterreading.h"
#include "resources/pictures/icons.h"
#include "resources/strnum.h"
#include "shell/rules/layout.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {
const QColor kLcdText(0, 255, 0);

void PaintLcd(QWidget* w) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, kLcdText);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QLabel* MakePanel(QWidget* parent, Qt::Alignment align) {
    auto* label = new QLabel(parent);
    PaintLcd(label);
    label->setFont(QFont(QStringLiteral("Arial")));
    label->setAlignment(align);
    return label;
}

void SetPointSize(QLabel* label, int points) {
    QFont f = label->font();
    f.setPointSize(points);
    label->setFont(f);
}

void Place(QWidget* w, const WindowRect& r) {
    w->setGeometry(r.left, r.top, r.width, r.height);
}

// A fixed-size field of the reading, read no further than its size even if unterminated.
template <std::size_t N>
std::string_view Field(const char (&field)[N]) {
    return {field, strnlen(field, N)};
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

TDigitalMeterForm::TDigitalMeterForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint) {
    // The window cannot be closed, so it must not keep the program alive once the main
    // window has gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowIcon(WindowIcon(icon::DigitalMeter));

    LcdPanel = new QFrame(this);
    LcdPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LcdPanel->setLineWidth(kLcdBevelWidth);
    LcdPanel->setFont(QFont(QStringLiteral("Arial")));
    PaintLcd(LcdPanel);
    LcdPanel->installEventFilter(this);

    DataPanel = MakePanel(LcdPanel, Qt::AlignCenter);
    UnitPanel = MakePanel(LcdPanel, Qt::AlignCenter);
    FuncPanel = MakePanel(LcdPanel, Qt::AlignCenter);
    pnlAcDc = MakePanel(FuncPanel, Qt::AlignCenter);

    // Outer sizes convert to the client area the same way as where the window is placed.
    const SystemMetrics m = CurrentSystemMetrics();
    const SizeLimits limits = DigitalMeterSizeLimits(m);
    setMinimumSize(std::max(1, limits.minTrackWidth - 2 * m.cyDlgFrame),
                   std::max(1, limits.minTrackHeight - m.cyCaption - 2 * m.cyDlgFrame));

    SetPortCaption(G().Link.iPort);
    LcdPanel->setGeometry(rect());
}

void TDigitalMeterForm::ShowReading(const MeterReading& r) {
    DataPanel->setText(Utf8(r.dataPanelText));

    ShowPanelText(UnitPanel, Field(r.szUnit), UnitPanelStyle(r.iFunc));
    ShowPanelText(FuncPanel, Field(r.szFunc), FuncPanelStyle(r.iFunc));

    pnlAcDc->setText(Utf8(AcDcLabel(r.iFunc)));
}

void TDigitalMeterForm::SetPortCaption(int port) {
    setWindowTitle(Str(str::DigitalMeterCaption) + QStringLiteral(" : COM ") +
                   QString::number(port));
}

void TDigitalMeterForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LcdPanel->setGeometry(rect());
}

bool TDigitalMeterForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LcdPanel && event->type() == QEvent::Resize) LcdPanelResize();
    return QWidget::eventFilter(watched, event);
}

void TDigitalMeterForm::LcdPanelResize() {
    const DigitalMeterLayout layout = LayoutDigitalMeter(LcdPanel->width(), LcdPanel->height());
    Place(DataPanel, layout.DataPanel);
    Place(UnitPanel, layout.UnitPanel);
    Place(FuncPanel, layout.FuncPanel);
    Place(pnlAcDc, layout.pnlAcDc);
    SetPointSize(DataPanel, layout.dataFontSize);
    SetPointSize(UnitPanel, layout.unitFontSize);
    SetPointSize(FuncPanel, layout.funcFontSize);
    SetPointSize(pnlAcDc, layout.acDcFontSize);
}

void TDigitalMeterForm::closeEvent(QCloseEvent* event) {
    // Only minimising takes the meter out of sight.
    event->ignore();
}

void TDigitalMeterForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    KeepMaximisedIn(this, event,
                    [](const SystemMetrics& m) { return DigitalMeterSizeLimits(m).maximized; });
}

}  // namespace dmm
