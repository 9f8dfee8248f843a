#include "logger/dialogs/dlgoption.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "logger/data/intervaloption.h"
#include "resources/pictures/recorderglyphs.h"
#include "resources/strings.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {

constexpr int kPictureSize = 40;

// The list holds the items in this order.
constexpr int kFullSpeedItem = 0;
constexpr int kCustomizationItem = 1;

// The input box and the error message of the interval rules, through the prompter.
class DialogPrompter : public IntervalPrompter {
public:
    explicit DialogPrompter(QWidget* owner) : owner_(owner) {}

    std::string InputBox(const std::string& caption, const std::string& prompt,
                         const std::string& text) override {
        std::optional<QString> answer =
            Prompt().inputBox(owner_, QString::fromStdString(caption),
                              QString::fromStdString(prompt), QString::fromStdString(text));
        return answer ? answer->toStdString() : text;
    }
    void ShowStringMessage(int captionFormat, int textNumber) override {
        dmm::ShowStringMessage(owner_, captionFormat, textNumber);
    }

private:
    QWidget* owner_;
};

}  // namespace

TDialogOption::TDialogOption(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Str(str::IntervalDialogCaption));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    Image1 = new QLabel(this);
    Image1->setPixmap(IntervalOptionPicture(kPictureSize));
    Image1->setFixedSize(kPictureSize, kPictureSize);

    rgIntervalMode = new QGroupBox(Str(str::AcquisitionModeGroup), this);
    rbtnManual = new QRadioButton(Str(str::ManualMode), rgIntervalMode);
    rbtnAutomatic = new QRadioButton(Str(str::AutomaticChoice), rgIntervalMode);
    cbxInterval = new QComboBox(rgIntervalMode);
    cbxInterval->setEditable(false);
    cbxInterval->addItem(Str(str::FullSpeedMode));
    cbxInterval->addItem(Str(str::CustomizationChoice));
    cbxInterval->setFixedWidth(
        cbxInterval->fontMetrics().horizontalAdvance(Str(str::CustomizationChoice)) + 35);

    auto* modes = new QGridLayout(rgIntervalMode);
    modes->setContentsMargins(14, 10, 14, 12);
    modes->setHorizontalSpacing(12);
    modes->setVerticalSpacing(10);
    modes->addWidget(rbtnManual, 0, 0);
    modes->addWidget(rbtnAutomatic, 1, 0);
    modes->addWidget(cbxInterval, 1, 1);
    modes->setColumnStretch(2, 1);

    btnOk = new QPushButton(tr("OK"), this);
    btnOk->setDefault(true);
    bbtnCancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("Cancel"), this);
    for (QPushButton* b : {btnOk, bbtnCancel}) b->setMinimumWidth(84);

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(Image1, 0, Qt::AlignVCenter);
    top->addWidget(rgIntervalMode, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(bbtnCancel);

    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(16, 14, 16, 14);
    all->setSpacing(14);
    all->addLayout(top);
    all->addLayout(buttons);
    all->setSizeConstraint(QLayout::SetFixedSize);

    connect(rbtnManual, &QRadioButton::clicked, this, &TDialogOption::rbtnClick);
    connect(rbtnAutomatic, &QRadioButton::clicked, this, &TDialogOption::rbtnClick);
    // Picking "Customization..." again asks for a new number of seconds.
    connect(cbxInterval, &QComboBox::activated, this, &TDialogOption::cbxIntervalChange);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    FormShow();
}

void TDialogOption::FormShow() {
    const IntervalOption option({bOptManual, iOptSeconds});
    rbtnManual->setChecked(bOptManual);
    rbtnAutomatic->setChecked(!bOptManual);
    cbxInterval->setEnabled(option.IntervalListEnabled());
    showSelection();
}

void TDialogOption::rbtnClick() {
    IntervalOption option({bOptManual, iOptSeconds});
    option.SetManual(rbtnManual->isChecked());
    bOptManual = option.choice.bOptManual;
    cbxInterval->setEnabled(option.IntervalListEnabled());
}

void TDialogOption::cbxIntervalChange() {
    IntervalOption option({bOptManual, iOptSeconds});
    const IntervalItem item = cbxInterval->currentIndex() == kCustomizationItem
                                  ? IntervalItem::Customization
                                  : IntervalItem::FullSpeed;
    DialogPrompter prompter(this);
    option.SelectItem(item, prompter);
    iOptSeconds = option.choice.iOptSeconds;
    showSelection();
}

void TDialogOption::showSelection() {
    const IntervalOption option({bOptManual, iOptSeconds});
    const QSignalBlocker quiet(cbxInterval);
    cbxInterval->setCurrentIndex(
        option.Selection() == IntervalItem::Customization ? kCustomizationItem : kFullSpeedItem);
}

void TDialogOption::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
    CentreOnScreen(this);
}

}  // namespace dmm
