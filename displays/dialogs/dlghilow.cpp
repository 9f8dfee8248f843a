#include "displays/dialogs/dlghilow.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "displays/faces.h"
#include "displays/rules/limits.h"
#include "meterlink/labels.h"
#include "meterlink/numparse.h"
#include "resources/strings.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/panels.h"
#include "shell/toolkit/prompter.h"

namespace dmm {
namespace {

constexpr QSize kStaticSize(26, 24);

QLabel* LimitLabel(const QString& text, const QColor& colour, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(15);
    font.setItalic(true);
    label->setFont(font);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
    return label;
}

QLineEdit* LimitTextEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setMinimumWidth(130);
    return edit;
}

QLabel* SunkenStatic(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setFixedSize(kStaticSize);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TDlgHiLowForm::TDlgHiLowForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(Str(str::LimitDialogCaption));
    setModal(true);

    lblUpperLimit = LimitLabel(Str(str::UpperLimitLabel), QColor(0, 0, 255), this);
    lblLowerLimit = LimitLabel(Str(str::LowerLimitLabel), QColor(255, 0, 0), this);
    mkeHiLimit = LimitTextEdit(this);
    mkeLowLimit = LimitTextEdit(this);
    stxtHiUnit = SunkenStatic(this);
    stxtHiFunc = SunkenStatic(this);
    stxtLowUnit = SunkenStatic(this);
    stxtLowFunc = SunkenStatic(this);
    lblUpperLimit->setBuddy(mkeHiLimit);
    lblLowerLimit->setBuddy(mkeLowLimit);

    bbtnOk = new QPushButton(QIcon(OkGlyph()), QStringLiteral("OK"), this);
    bbtnCancel = new QPushButton(QIcon(CancelGlyph()), QStringLiteral("Cancel"), this);
    bbtnOk->setDefault(true);
    bbtnOk->setMinimumWidth(88);
    bbtnCancel->setMinimumWidth(88);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(10);
    grid->addWidget(lblUpperLimit, 0, 0);
    grid->addWidget(mkeHiLimit, 0, 1);
    grid->addWidget(stxtHiUnit, 0, 2);
    grid->addWidget(stxtHiFunc, 0, 3);
    grid->addWidget(lblLowerLimit, 1, 0);
    grid->addWidget(mkeLowLimit, 1, 1);
    grid->addWidget(stxtLowUnit, 1, 2);
    grid->addWidget(stxtLowFunc, 1, 3);
    grid->setColumnMinimumWidth(1, 130);

    auto* bevel = new QFrame(this);
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtnOk);
    buttons->addSpacing(12);
    buttons->addWidget(bbtnCancel);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addWidget(bevel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(mkeHiLimit, &QLineEdit::textChanged, this, &TDlgHiLowForm::mkeHiLimitChange);
    connect(mkeLowLimit, &QLineEdit::textChanged, this, &TDlgHiLowForm::mkeLowLimitChange);
    connect(bbtnOk, &QPushButton::clicked, this, &TDlgHiLowForm::bbtnOkClick);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TDlgHiLowForm::FormShow() {
    {
        // Filling the edits is no edit of the limits: 15 digits need not give
        // back the very same double.
        const QSignalBlocker blockHi(mkeHiLimit);
        const QSignalBlocker blockLow(mkeLowLimit);
        mkeHiLimit->setText(QString::fromStdString(FormatGeneral(HiLimit)));
        mkeLowLimit->setText(QString::fromStdString(FormatGeneral(LowLimit)));
    }
    const std::string unit = FieldString(szUnit);
    const std::string function = FieldString(szFunc);
    ShowPanelText(stxtHiUnit, unit, UnitPanelStyle(iFunc));
    ShowPanelText(stxtLowUnit, unit, UnitPanelStyle(iFunc));
    ShowPanelText(stxtHiFunc, function, FuncPanelStyle(iFunc));
    ShowPanelText(stxtLowFunc, function, FuncPanelStyle(iFunc));
}

void TDlgHiLowForm::mkeHiLimitChange() {
    ConvertEdit(mkeHiLimit, HiLimit);
}

void TDlgHiLowForm::mkeLowLimitChange() {
    ConvertEdit(mkeLowLimit, LowLimit);
}

void TDlgHiLowForm::ConvertEdit(const QLineEdit* edit, double& limit) {
    if (converting_) return;
    const LimitEdit result = ConvertLimitText(edit->text().toStdString(), limit);
    limit = result.limit;
    if (result.error) {
        converting_ = true;
        Prompt().errorBox(this, QString::fromStdString(*result.error));
        converting_ = false;
        // The dialog is painted again once the box is gone, and every paint shows the
        // limits held, not the text refused.
        FormShow();
    }
}

void TDlgHiLowForm::bbtnOkClick() {
    if (LimitsAcceptable(HiLimit, LowLimit)) {
        accept();
        return;
    }
    ShowStringMessage(this, str::ErrorCaption, str::LimitSettingError);
}

void TDlgHiLowForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    CentreOnScreen(this);
    bbtnOk->setFocus();
}

}  // namespace dmm
