#include "shell/dialogs/dlgpublish.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "logger/publish/livepublishing.h"
#include "logger/publish/mqttpublisher.h"
#include "shell/toolkit/prompter.h"

namespace dmm {

namespace {
constexpr int kProbePollMs = 100;
}

TDlgPublishForm::TDlgPublishForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      timerProbe_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Publish readings"));
    editUrl = new QLineEdit(this);
    editUrl->setPlaceholderText(QStringLiteral("mqtt://[user@]host[:port][/prefix]"));
    editName = new QLineEdit(this);
    editName->setPlaceholderText(QStringLiteral("the computer's name and the port"));
    editPasswordFile = new QLineEdit(this);
    editPasswordFile->setPlaceholderText(QStringLiteral("none: DMM_MQTT_PASSWORD, or no login"));
    cbxOn = new QCheckBox(QStringLiteral("Publish every reading"), this);
    btnTest = new QPushButton(QStringLiteral("Test"), this);
    lblResult = new QLabel(this);
    lblResult->setWordWrap(true);
    bbtnOk = new QPushButton(QStringLiteral("OK"), this);
    bbtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbtnOk->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Broker URL:"), editUrl);
    form->addRow(QStringLiteral("Meter name:"), editName);
    form->addRow(QStringLiteral("Password file:"), editPasswordFile);
    form->addRow(QString(), cbxOn);
    auto* test = new QHBoxLayout;
    test->addWidget(btnTest);
    test->addWidget(lblResult, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtnOk);
    buttons->addWidget(bbtnCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(test);
    all->addLayout(buttons);
    setMinimumWidth(440);

    connect(btnTest, &QPushButton::clicked, this, &TDlgPublishForm::btnTestClick);
    connect(bbtnOk, &QPushButton::clicked, this, &TDlgPublishForm::bbtnOkClick);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(timerProbe_, &QTimer::timeout, this, &TDlgPublishForm::TimerProbeTimer);
}

TDlgPublishForm::~TDlgPublishForm() = default;

void TDlgPublishForm::showEvent(QShowEvent* event) {
    editUrl->setText(QString::fromStdString(Values.url));
    editName->setText(QString::fromStdString(Values.name));
    editPasswordFile->setText(QString::fromStdString(Values.passwordFile));
    cbxOn->setChecked(Values.on);
    lblResult->setText(QString::fromStdString(DesktopPublishing().lastNotice()));
    QDialog::showEvent(event);
}

MqttSettings TDlgPublishForm::entered() const {
    MqttSettings s;
    s.url = editUrl->text().trimmed().toStdString();
    s.name = editName->text().trimmed().toStdString();
    s.passwordFile = editPasswordFile->text().trimmed().toStdString();
    s.on = cbxOn->isChecked();
    return s;
}

void TDlgPublishForm::btnTestClick() {
    const MqttSettings s = entered();
    const MqttUrlResult url = ParseMqttUrl(s.url);
    if (!url.target) {
        lblResult->setText(QString::fromStdString(url.error));
        return;
    }
    std::string password, error;
    if (!MqttPassword(s, password, error)) {
        lblResult->setText(QString::fromStdString(error));
        return;
    }
    probe_ = std::make_unique<MqttProbe>();
    probe_->Start(*url.target, password);
    lblResult->setText(QStringLiteral("asking the broker..."));
    timerProbe_->start(kProbePollMs);
}

void TDlgPublishForm::TimerProbeTimer() {
    if (!probe_) {
        timerProbe_->stop();
        return;
    }
    if (const std::optional<std::string> result = probe_->Result()) {
        timerProbe_->stop();
        lblResult->setText(QString::fromStdString(*result));
        probe_.reset();
    }
}

void TDlgPublishForm::bbtnOkClick() {
    const MqttSettings s = entered();
    if (s.on || !s.url.empty()) {
        const MqttUrlResult url = ParseMqttUrl(s.url);
        if (!url.target) {
            lblResult->setText(QString::fromStdString(url.error));
            return;
        }
    }
    Values = s;
    timerProbe_->stop();
    probe_.reset();
    accept();
}

bool EditDesktopPublishing(QWidget* parent, const std::string& portName) {
    TDlgPublishForm dialog(parent);
    dialog.Values = DesktopPublishing().settings();
    if (dialog.exec() != QDialog::Accepted) return false;
    const std::string error = DesktopPublishing().Apply(dialog.Values, portName);
    if (!error.empty()) Prompt().errorBox(parent, QString::fromStdString(error));
    return true;
}

}  // namespace dmm
