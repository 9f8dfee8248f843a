// Every message box, question, input box and dialog of the program goes through
// the Prompter, so that tests can answer them and check what was asked.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

namespace dmm {

class Prompter {
public:
    enum class Icon { None, Information, Exclamation, Error, Question };
    // Buttons and answers; a box offers a combination of these.
    enum Button {
        Ok = 0x01,
        Cancel = 0x02,
        Yes = 0x04,
        No = 0x08,
        Abort = 0x10,
        Retry = 0x20,
    };

    struct Box {
        QWidget* owner = nullptr;  // null: owned by the application
        QString caption;
        QString text;
        Icon icon = Icon::None;
        int buttons = Ok;
        int defaultButton = Ok;
        QString detail;  // extra detail, e.g. the operating system's reason
    };

    struct FileDialog {
        QWidget* owner = nullptr;
        QString title;
        QString fileName;        // initial name, may be empty
        QString directory;       // initial folder
        QStringList filters;     // "Data Logger files(*.g26)" ...
        int selectedFilter = 0;  // index into filters
        QString defaultSuffix;   // without the dot
        bool confirmOverwrite = false;
    };

    virtual ~Prompter() = default;

    // Shows a modal box; returns the button pressed (Cancel, or No for Yes/No, when closed
    // otherwise).
    virtual int messageBox(const Box& box) = 0;
    // An input box; nothing when cancelled.
    virtual std::optional<QString> inputBox(QWidget* owner, const QString& caption,
                                            const QString& prompt, const QString& text) = 0;
    // File dialogs; an empty name when cancelled.
    virtual QString openFileName(const FileDialog& dialog) = 0;
    virtual QString saveFileName(const FileDialog& dialog) = 0;
    virtual std::optional<QColor> colour(QWidget* owner, const QColor& initial) = 0;
    // The print dialog and the printer set-up; false when cancelled.
    virtual bool printDialog(QWidget* owner, QPrinter& printer) = 0;
    virtual bool printerSetup(QWidget* owner, QPrinter& printer) = 0;
    // Runs one of the program's own modal dialogs; returns its result code.
    virtual int execDialog(QDialog& dialog) = 0;
    // The toolkit's standard error box (exceptions, "Cannot open file %s").
    virtual void errorBox(QWidget* owner, const QString& text) = 0;
};

// The prompter in force; the program installs a QtPrompter, tests a scripted one.
Prompter& Prompt();
void SetPrompter(Prompter* prompter);

// The real dialogs of the toolkit.
class QtPrompter : public Prompter {
public:
    int messageBox(const Box& box) override;
    std::optional<QString> inputBox(QWidget* owner, const QString& caption, const QString& prompt,
                                    const QString& text) override;
    QString openFileName(const FileDialog& dialog) override;
    QString saveFileName(const FileDialog& dialog) override;
    std::optional<QColor> colour(QWidget* owner, const QColor& initial) override;
    bool printDialog(QWidget* owner, QPrinter& printer) override;
    bool printerSetup(QWidget* owner, QPrinter& printer) override;
    int execDialog(QDialog& dialog) override;
    void errorBox(QWidget* owner, const QString& text) override;
};

// A box whose caption is "Error[E%d]" or "Warning[W%d]" filled with the text's number,
// the text from the string table, an OK button, the exclamation icon for warnings
// and the error icon otherwise.
Prompter::Box StringMessageBox(QWidget* owner, int captionFormat, int textNumber);
// Shows that box, with an optional detail (such as the operating system's reason).
void ShowStringMessage(QWidget* owner, int captionFormat, int textNumber,
                       const QString& detail = QString());

// Loads a string-table text as a QString.
QString Str(int number);

}  // namespace dmm
