#include "shell/toolkit/mesgform.h"

#include <qdrawutil.h>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "meterlink/globalvar.h"
#include "resources/strings.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {
constexpr int kClientWidth = 466;
constexpr int kClientHeight = 148;
const QColor kTeal(0, 128, 128);
}  // namespace

TMsgForm::TMsgForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setModal(false);
    setFixedSize(kClientWidth, kClientHeight);

    MsgPanel = new QLabel(this);
    MsgPanel->setGeometry(10, 10, kClientWidth - 20, 44);
    MsgPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MsgPanel->setAlignment(Qt::AlignCenter);
    QFont headline(QStringLiteral("Times New Roman"));
    headline.setPixelSize(18);
    MsgPanel->setFont(headline);
    SetHeadline(QString(), Qt::blue);

    Label1 = new QLabel(Str(str::DataAddedText), this);
    Label1->setGeometry(10, 62, kClientWidth - 20, 18);
    Label1->setAlignment(Qt::AlignCenter);
    QPalette teal = Label1->palette();
    teal.setColor(QPalette::WindowText, kTeal);
    Label1->setPalette(teal);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setGeometry(10, 86, kClientWidth - 20, 16);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    bbtnAbort = new QPushButton(style()->standardIcon(QStyle::SP_BrowserStop),
                                QStringLiteral("Abort"), this);
    bbtnAbort->setGeometry((kClientWidth - 92) / 2, 110, 92, 28);
    bbtnAbort->setAutoDefault(false);
    connect(bbtnAbort, &QPushButton::clicked, this, &TMsgForm::bbtnAbortClick);
}

void TMsgForm::SetHeadline(const QString& text, const QColor& colour) {
    QPalette pal = MsgPanel->palette();
    pal.setColor(QPalette::WindowText, colour);
    MsgPanel->setPalette(pal);
    MsgPanel->setText(text);
}

void TMsgForm::bbtnAbortClick() {
    Prompter::Box box;
    box.owner = nullptr;
    box.caption =
        QString::fromStdString(MessageCaption(str::WarningCaption, str::ReallyAbortImport));
    box.text = Str(str::ReallyAbortImport);
    box.icon = Prompter::Icon::Question;
    box.buttons = Prompter::Yes | Prompter::No;
    box.defaultButton = Prompter::No;
    if (Prompt().messageBox(box) == Prompter::Yes) G().Link.EndTransfer();
}

void TMsgForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

void TMsgForm::keyPressEvent(QKeyEvent* event) {
    // Escape would hide the window while the transfer runs on, leaving no way to abort it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TMsgForm::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Without a title bar the window draws its own raised edge.
    QPainter p(this);
    qDrawWinPanel(&p, rect(), palette(), false);
}

}  // namespace dmm
