#include "shell/dialogs/dlgabout.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <algorithm>

#include "resources/pictures/icons.h"
#include "resources/strnum.h"
#include "shell/rules/aboutinfo.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {
constexpr int kIconSize = 32;
constexpr int kMemoLeft = 60;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 92;
constexpr int kButtonHeight = 28;
}  // namespace

TDlgAboutForm::TDlgAboutForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(Str(str::AboutCaption));
    setWindowIcon(ProgramIcon());

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Image1 = new QLabel(Panel1);

    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFrameStyle(QFrame::NoFrame);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setItalic(true);
    font.setPixelSize(12);
    Memo1->setFont(font);
    QPalette pal = Memo1->palette();
    pal.setColor(QPalette::Text, Qt::blue);
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    Memo1->setPalette(pal);

    OKButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TDlgAboutForm::FormCreate() {
    QStringList lines;
    for (const std::string& line : AboutLines(CurrentSystemLine()))
        lines << QString::fromStdString(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    Memo1->setReadOnly(true);

    // The memo is made just large enough for its lines, so that no scroll bar shows.
    const QFontMetrics fm(Memo1->font());
    int textWidth = 0;
    for (const QString& line : lines) textWidth = std::max(textWidth, fm.horizontalAdvance(line));
    const int margins = 2 * int(Memo1->document()->documentMargin()) + 2 * Memo1->frameWidth();
    const int memoWidth = textWidth + margins + fm.averageCharWidth();
    const int memoHeight = (int(lines.size()) + 1) * fm.lineSpacing() + margins;
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setGeometry(kMemoLeft, kMargin, memoWidth, memoHeight);
    Panel1->setGeometry(kMargin, kMargin, kMemoLeft + memoWidth + kMargin,
                        memoHeight + 2 * kMargin);
    OKButton->setGeometry((Panel1->width() + 2 * kMargin - kButtonWidth) / 2,
                          Panel1->geometry().bottom() + 1 + 10, kButtonWidth, kButtonHeight);
    setFixedSize(Panel1->width() + 2 * kMargin, OKButton->geometry().bottom() + 1 + 10);

    // The icon at its own size, centred in the strip left of the memo and in the panel's height.
    Image1->setPixmap(ProgramIcon().pixmap(kIconSize, kIconSize));
    Image1->setGeometry((Memo1->x() - kIconSize) / 2, Panel1->height() / 2 - kIconSize / 2,
                        kIconSize, kIconSize);

    CentreOnScreen(this);
}

void TDlgAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace dmm
