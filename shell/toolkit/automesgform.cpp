#include "shell/toolkit/automesgform.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "resources/strings.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/prompter.h"
#include "shell/toolkit/ticktimer.h"

namespace dmm {

namespace {
constexpr int kClientWidth = 379;
constexpr int kClientHeight = 159;
constexpr int kLabelLeft = 72;
constexpr int kLabelWidth = 288;
constexpr int kSmallestPointSize = 6;
// A detail line (the system's reason of a line failure) takes a row below the buttons.
constexpr int kDetailTop = 154;
constexpr int kDetailHeight = 18;

// The labels hold one line of fixed width each: when a text is too long for it, all three
// are set in a smaller font rather than cut off.
QFont FittingFont(QFont font, const QStringList& texts, int width) {
    for (const QString& text : texts) {
        while (QFontMetrics(font).horizontalAdvance(text) > width &&
               font.pointSizeF() > kSmallestPointSize)
            font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    return font;
}
}  // namespace

TAutoMsgForm::TAutoMsgForm(QWidget* parent, TickTimer* timer)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setFixedSize(kClientWidth, kClientHeight);

    Image1 = new QLabel(this);
    const int iconSize = 32;
    Image1->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    Image1->setGeometry(20, 18, iconSize, iconSize);

    auto makeLabel = [this](int top) {
        auto* label = new QLabel(this);
        label->setGeometry(kLabelLeft, top, kLabelWidth, 18);
        label->setWordWrap(false);
        return label;
    };
    lbMsg1 = makeLabel(16);
    lbMsg2 = makeLabel(40);
    lbMsg3 = makeLabel(64);
    QPalette black = lbMsg1->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lbMsg1->setPalette(black);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, kCountdownSteps);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(kLabelLeft, 90, kLabelWidth, 14);

    bbtnAbort = new QPushButton(style()->standardIcon(QStyle::SP_BrowserStop),
                                QStringLiteral("Abort"), this);
    bbtnAbort->setGeometry(92, 118, 92, 28);
    bbtnAbort->setAutoDefault(false);
    connect(bbtnAbort, &QPushButton::clicked, this, [this] { done(ResultAbort); });

    bbtnYes = new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), Str(str::ContinueButton),
                              this);
    bbtnYes->setGeometry(196, 118, 92, 28);
    bbtnYes->setDefault(true);
    connect(bbtnYes, &QPushButton::clicked, this, [this] { done(ResultRetry); });

    lbDetail = new QLabel(this);
    lbDetail->setGeometry(12, kDetailTop, kClientWidth - 24, kDetailHeight);
    lbDetail->setAlignment(Qt::AlignCenter);
    QPalette grey = lbDetail->palette();
    grey.setColor(QPalette::WindowText, Qt::darkGray);
    lbDetail->setPalette(grey);
    lbDetail->hide();

    Timer1 = timer ? timer : new QtTickTimer(this);
    Timer1->setParent(this);
    Timer1->setInterval(100);
    connect(Timer1, &TickTimer::timeout, this, &TAutoMsgForm::Timer1Timer);
}

int TAutoMsgForm::ShowMessage(int captionNumber, const QString& msg1, const QString& msg2,
                              const QString& msg3, const QString& detail) {
    setWindowTitle(QString::fromStdString(MessageCaption(str::WarningCaption, captionNumber)));
    const QFont fitting = FittingFont(font(), {msg1, msg2, msg3}, kLabelWidth);
    for (QLabel* label : {lbMsg1, lbMsg2, lbMsg3}) label->setFont(fitting);
    lbMsg1->setText(msg1);
    lbMsg2->setText(msg2);
    lbMsg3->setText(msg3);
    lbDetail->setFont(FittingFont(font(), {detail}, lbDetail->width()));
    lbDetail->setText(detail);
    lbDetail->setVisible(!detail.isEmpty());
    setFixedSize(kClientWidth, detail.isEmpty() ? kClientHeight : kDetailTop + kDetailHeight + 4);
    return Prompt().execDialog(*this);
}

void TAutoMsgForm::reject() {
    done(ResultRetry);
}

void TAutoMsgForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    // Every showing counts down from the start, even when the last one's timer still runs.
    ProgressBar->setValue(0);
    Timer1->start();
}

void TAutoMsgForm::Timer1Timer() {
    ProgressBar->setValue(ProgressBar->value() + 1);
    if (ProgressBar->value() < ProgressBar->maximum()) return;
    Timer1->stop();
    // After a button press the count runs on with the window hidden; then there is nothing
    // left to close.
    if (isVisible()) done(ResultYes);
}

}  // namespace dmm
