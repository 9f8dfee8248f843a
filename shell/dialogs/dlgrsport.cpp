#include "shell/dialogs/dlgrsport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "meterlink/globalvar.h"
#include "meterlink/portnames.h"
#include "resources/pictures/icons.h"
#include "resources/strings.h"
#include "shell/rules/meterchoice.h"
#include "shell/toolkit/centre.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {
constexpr int kClientWidth = 372;
constexpr int kClientHeight = 254;
constexpr int kMeterRowHeight = 32;
constexpr int kPictureSize = 64;
constexpr int kColumnWidth = 124;
constexpr int kRowHeight = 46;

// What the label under a radio button shows: the device, or where a link (a by-id name,
// an entry in the program folder) leads, since that is the name users know.
QString DeviceText(const std::string& device) {
    if (device.empty()) return QStringLiteral("(none)");
    std::error_code ec;
    const std::filesystem::path path(device);
    if (std::filesystem::is_symlink(path, ec)) {
        std::filesystem::path target = std::filesystem::canonical(path, ec);
        if (!ec) return QString::fromStdString(target.string());
    }
    return QString::fromStdString(device);
}
}  // namespace

TDlgRsPortForm::TDlgRsPortForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(Str(str::PortDialogCaption));
    setFixedSize(kClientWidth, kClientHeight);
    setWindowIcon(ToolGlyph(QStringLiteral("port")));

    Image1 = new QLabel(this);
    Image1->setPixmap(SerialConnectorPicture(kPictureSize));
    Image1->setGeometry(14, 24, kPictureSize, kPictureSize);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(92, 12, 2 * kColumnWidth + 20, 3 * kRowHeight + 14);

    group_ = new QButtonGroup(this);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.5));
    for (int i = 0; i < kDialogPortCount; ++i) {
        // COM1, COM3, COM5 in the left column; COM2, COM4, COM6 in the right one.
        const int x = 12 + (i % 2) * kColumnWidth;
        const int y = 8 + (i / 2) * kRowHeight;
        auto* radio = new QRadioButton(QString::fromStdString(PortName(i + 1)), Panel1);
        radio->setGeometry(x, y, kColumnWidth - 8, 20);
        group_->addButton(radio, i + 1);

        auto* device = new QLabel(Panel1);
        device->setGeometry(x + 20, y + 20, kColumnWidth - 24, 16);
        device->setFont(small);
        device->setForegroundRole(QPalette::PlaceholderText);
        DeviceLabels[i] = device;
    }
    rbtnCom1 = static_cast<QRadioButton*>(group_->button(1));
    rbtnCom2 = static_cast<QRadioButton*>(group_->button(2));
    rbtnCom3 = static_cast<QRadioButton*>(group_->button(3));
    rbtnCom4 = static_cast<QRadioButton*>(group_->button(4));
    rbtnCom5 = static_cast<QRadioButton*>(group_->button(5));
    rbtnCom6 = static_cast<QRadioButton*>(group_->button(6));

    // The meter, under the ports: its label level with the panel's left edge.
    const int meterTop = Panel1->geometry().bottom() + 8;
    lblMeter = new QLabel(Str(str::MeterLabel), this);
    lblMeter->setGeometry(Panel1->x(), meterTop + 4, 60, 20);
    cbxMeter = new QComboBox(this);
    for (const MeterChoice& choice : MeterChoices()) cbxMeter->addItem(Str(choice.text));
    cbxMeter->setGeometry(Panel1->x() + 64, meterTop, Panel1->width() - 64, 26);
    lblMeter->setBuddy(cbxMeter);

    const int bevelTop = meterTop + kMeterRowHeight;
    Bevel1 = new QFrame(this);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(10, bevelTop, kClientWidth - 20, 2);

    const int buttonTop = bevelTop + 10;
    bbtnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                 QStringLiteral("Cancel"), this);
    bbtnCancel->setGeometry(kClientWidth - 12 - 92, buttonTop, 92, 28);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    bbtnOk = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"),
                             this);
    bbtnOk->setGeometry(kClientWidth - 12 - 92 - 8 - 92, buttonTop, 92, 28);
    bbtnOk->setDefault(true);
    connect(bbtnOk, &QPushButton::clicked, this, &TDlgRsPortForm::bbtnOkClick);
}

std::array<QRadioButton*, 6> TDlgRsPortForm::PortButtons() const {
    return {rbtnCom1, rbtnCom2, rbtnCom3, rbtnCom4, rbtnCom5, rbtnCom6};
}

void TDlgRsPortForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen(this);
    FormShow();
}

void TDlgRsPortForm::FormShow() {
    const auto buttons = PortButtons();
    // An exclusive group never lets the last checked button go: lift exclusivity to clear
    // all, so that a port outside 1..6 selects none.
    group_->setExclusive(false);
    for (int i = 0; i < kDialogPortCount; ++i) {
        buttons[i]->setEnabled(G().PortAvailable[i] != 0);
        buttons[i]->setChecked(i + 1 == SelectedPort);
    }
    group_->setExclusive(true);
    cbxMeter->setCurrentIndex(MeterChoiceRow(SelectedMeter));
    ShowDevices();
}

void TDlgRsPortForm::ShowDevices() {
    // Devices come and go (USB adaptors), so look again at every showing.
    for (int i = 0; i < kDialogPortCount; ++i) {
        const std::string device = ResolvePortDevice(i + 1, G().ProgramDir);
        const QString text = DeviceText(device);
        QLabel* label = DeviceLabels[i];
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideLeft, label->width()));
        QString tip = QString::fromStdString(device);
        if (!device.empty() && tip != text) tip += QStringLiteral(" -> ") + text;
        label->setToolTip(tip.isEmpty() ? text : tip);
        PortButtons()[i]->setToolTip(label->toolTip());
    }
}

void TDlgRsPortForm::bbtnOkClick() {
    const auto buttons = PortButtons();
    for (int i = 0; i < kDialogPortCount; ++i) {
        if (buttons[i]->isChecked()) {
            SelectedPort = i + 1;
            break;
        }
    }
    SelectedMeter = MeterOfRow(cbxMeter->currentIndex());
    accept();
}

}  // namespace dmm
