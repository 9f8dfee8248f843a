#include "shell/toolkit/prompter.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "resources/strings.h"

namespace dmm {

namespace {

Prompter* g_prompter = nullptr;

QMessageBox::StandardButton ToQt(int button) {
    switch (button) {
        case Prompter::Ok:
            return QMessageBox::Ok;
        case Prompter::Cancel:
            return QMessageBox::Cancel;
        case Prompter::Yes:
            return QMessageBox::Yes;
        case Prompter::No:
            return QMessageBox::No;
        case Prompter::Abort:
            return QMessageBox::Abort;
        case Prompter::Retry:
            return QMessageBox::Retry;
        default:
            return QMessageBox::NoButton;
    }
}

int FromQt(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return Prompter::Ok;
        case QMessageBox::Yes:
            return Prompter::Yes;
        case QMessageBox::No:
            return Prompter::No;
        case QMessageBox::Abort:
            return Prompter::Abort;
        case QMessageBox::Retry:
            return Prompter::Retry;
        default:
            return Prompter::Cancel;
    }
}

QString FilterString(const QStringList& filters) {
    return filters.join(";;");
}

}  // namespace

Prompter& Prompt() {
    static QtPrompter fallback;
    if (g_prompter) return *g_prompter;
    return fallback;
}

void SetPrompter(Prompter* prompter) {
    g_prompter = prompter;
}

int QtPrompter::messageBox(const Box& box) {
    QMessageBox mb(box.owner);
    mb.setWindowTitle(box.caption);
    mb.setText(box.text);
    switch (box.icon) {
        case Icon::Information:
            mb.setIcon(QMessageBox::Information);
            break;
        case Icon::Exclamation:
            mb.setIcon(QMessageBox::Warning);
            break;
        case Icon::Error:
            mb.setIcon(QMessageBox::Critical);
            break;
        case Icon::Question:
            mb.setIcon(QMessageBox::Question);
            break;
        case Icon::None:
            break;
    }
    QMessageBox::StandardButtons buttons;
    for (int b : {Ok, Cancel, Yes, No, Abort, Retry})
        if (box.buttons & b) buttons |= ToQt(b);
    mb.setStandardButtons(buttons);
    mb.setDefaultButton(ToQt(box.defaultButton));
    if (!box.detail.isEmpty()) mb.setDetailedText(box.detail);
    // A box that comes up in the middle of a long operation shows the normal cursor.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    int result = mb.exec();
    if (busy) QApplication::restoreOverrideCursor();
    if (mb.clickedButton() == nullptr) {
        // Closed with Escape or the close box: the safe answer.
        if (box.buttons & Cancel) return Cancel;
        if (box.buttons & No) return No;
        return Ok;
    }
    return FromQt(result);
}

std::optional<QString> QtPrompter::inputBox(QWidget* owner, const QString& caption,
                                            const QString& prompt, const QString& text) {
    bool ok = false;
    QString answer = QInputDialog::getText(owner, caption, prompt, QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return answer;
}

QString QtPrompter::openFileName(const FileDialog& d) {
    QFileDialog dlg(d.owner, d.title, d.directory, FilterString(d.filters));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (!d.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(d.defaultSuffix);
    if (d.selectedFilter >= 0 && d.selectedFilter < d.filters.size())
        dlg.selectNameFilter(d.filters[d.selectedFilter]);
    if (!d.fileName.isEmpty()) dlg.selectFile(d.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().first();
}

QString QtPrompter::saveFileName(const FileDialog& d) {
    QFileDialog dlg(d.owner, d.title, d.directory, FilterString(d.filters));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    if (!d.defaultSuffix.isEmpty()) dlg.setDefaultSuffix(d.defaultSuffix);
    if (d.selectedFilter >= 0 && d.selectedFilter < d.filters.size())
        dlg.selectNameFilter(d.filters[d.selectedFilter]);
    if (!d.confirmOverwrite) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (!d.fileName.isEmpty()) dlg.selectFile(d.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().first();
}

std::optional<QColor> QtPrompter::colour(QWidget* owner, const QColor& initial) {
    QColor c = QColorDialog::getColor(initial, owner);
    if (!c.isValid()) return std::nullopt;
    return c;
}

bool QtPrompter::printDialog(QWidget* owner, QPrinter& printer) {
    QPrintDialog dlg(&printer, owner);
    return dlg.exec() == QDialog::Accepted;
}

bool QtPrompter::printerSetup(QWidget* owner, QPrinter& printer) {
    QPageSetupDialog dlg(&printer, owner);
    return dlg.exec() == QDialog::Accepted;
}

int QtPrompter::execDialog(QDialog& dialog) {
    return dialog.exec();
}

void QtPrompter::errorBox(QWidget* owner, const QString& text) {
    QMessageBox::critical(owner, QStringLiteral("Error"), text);
}

Prompter::Box StringMessageBox(QWidget* owner, int captionFormat, int textNumber) {
    Prompter::Box box;
    box.owner = owner;
    box.caption = QString::fromStdString(MessageCaption(captionFormat, textNumber));
    box.text = Str(textNumber);
    box.icon =
        captionFormat == str::WarningCaption ? Prompter::Icon::Exclamation : Prompter::Icon::Error;
    return box;
}

void ShowStringMessage(QWidget* owner, int captionFormat, int textNumber, const QString& detail) {
    Prompter::Box box = StringMessageBox(owner, captionFormat, textNumber);
    box.detail = detail;
    Prompt().messageBox(box);
}

QString Str(int number) {
    return QString::fromStdString(LoadStr(number));
}

}  // namespace dmm
