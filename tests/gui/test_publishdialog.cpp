// "Publish readings...": the test button answers without blocking, OK keeps what was typed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "shell/dialogs/dlgpublish.h"
#include "support/broker.h"
#include "support/tempdir.h"

namespace dmm {
namespace {

// Lets the dialog's timer run until the label stops asking, at most `ms` milliseconds.
QString AnswerWithin(TDlgPublishForm& d, int ms) {
    QElapsedTimer t;
    t.start();
    while (d.lblResult->text() == QStringLiteral("asking the broker...") && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return d.lblResult->text();
}

TEST(PublishDialog, TheTestButtonAnswersWithoutBlockingAndOkKeepsTheSettings) {
    test::TempDir dir;
    test::Broker broker(dir.path());
    TDlgPublishForm d;
    d.show();
    const struct Case {
        std::string url;
        const char* says;
    } cases[] = {
        {"http://x", "must start with mqtt://"},
        {"mqtt://127.0.0.1:" + std::to_string(test::FreeLoopbackPort()), "no answer"},
        {broker.url("lab"), "the broker answered"},
    };
    for (const Case& c : cases) {
        d.editUrl->setText(QString::fromStdString(c.url));
        QElapsedTimer clicked;
        clicked.start();
        d.btnTest->click();
        EXPECT_LT(clicked.elapsed(), 1000) << c.url;
        EXPECT_TRUE(AnswerWithin(d, 10000).contains(QString::fromLatin1(c.says)))
            << c.url << ": " << d.lblResult->text().toStdString();
    }
    d.editName->setText(QStringLiteral(" bench 2 "));
    d.cbxOn->setChecked(true);
    d.bbtnOk->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Values.url, broker.url("lab"));
    EXPECT_EQ(d.Values.name, "bench 2");
    EXPECT_TRUE(d.Values.on);
}

TEST(PublishDialog, OkRefusesABadUrlWhilePublishingIsOn) {
    TDlgPublishForm d;
    d.show();
    d.editUrl->setText(QStringLiteral("mqtt://h:99999"));
    d.cbxOn->setChecked(true);
    d.bbtnOk->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.lblResult->text().contains(QStringLiteral("port")));
}

}  // namespace
}  // namespace dmm
