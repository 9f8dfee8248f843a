// A Prompter for window tests: answers from scripts and records what was asked.
#pragma once

#include <QDialog>
#include <QPrinter>
#include <deque>
#include <functional>
#include <vector>

#include "shell/toolkit/prompter.h"

namespace dmm::test {

class ScriptedPrompter : public Prompter {
public:
    struct Asked {
        QString
            kind;  // "box", "input", "open", "save", "colour", "print", "setup", "dialog", "error"
        Box box;   // for "box"; caption/text also filled for the others where they apply
    };

    ScriptedPrompter() { SetPrompter(this); }
    ~ScriptedPrompter() override { SetPrompter(nullptr); }

    // Answers, taken in order; when a queue is empty a box answers its default
    // button, an input box is cancelled, a file dialog is cancelled, a dialog is rejected.
    std::deque<int> boxAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<QString> fileAnswers;
    std::deque<std::optional<QColor>> colourAnswers;
    std::deque<std::function<bool(QPrinter&)>> printAnswers;
    std::deque<std::function<int(QDialog&)>> dialogAnswers;

    std::vector<Asked> asked;

    // The boxes shown, in order.
    std::vector<Box> boxes() const {
        std::vector<Box> out;
        for (const auto& a : asked)
            if (a.kind == "box") out.push_back(a.box);
        return out;
    }
    int count(const QString& kind) const {
        int n = 0;
        for (const auto& a : asked) n += a.kind == kind;
        return n;
    }
    // Whether a box with this caption was shown.
    bool shown(const QString& caption) const {
        for (const auto& a : asked)
            if (a.kind == "box" && a.box.caption == caption) return true;
        return false;
    }
    FileDialog lastFileDialog;

    int messageBox(const Box& box) override {
        asked.push_back({"box", box});
        if (boxAnswers.empty()) return box.defaultButton;
        int a = boxAnswers.front();
        boxAnswers.pop_front();
        return a;
    }
    std::optional<QString> inputBox(QWidget*, const QString& caption, const QString& prompt,
                                    const QString& text) override {
        Box b;
        b.caption = caption;
        b.text = prompt;
        b.detail = text;  // the default text offered
        asked.push_back({"input", b});
        if (inputAnswers.empty()) return std::nullopt;
        auto a = inputAnswers.front();
        inputAnswers.pop_front();
        return a;
    }
    QString openFileName(const FileDialog& d) override { return file("open", d); }
    QString saveFileName(const FileDialog& d) override { return file("save", d); }
    std::optional<QColor> colour(QWidget*, const QColor&) override {
        asked.push_back({"colour", {}});
        if (colourAnswers.empty()) return std::nullopt;
        auto a = colourAnswers.front();
        colourAnswers.pop_front();
        return a;
    }
    bool printDialog(QWidget*, QPrinter& printer) override { return print("print", printer); }
    bool printerSetup(QWidget*, QPrinter& printer) override { return print("setup", printer); }
    int execDialog(QDialog& dialog) override {
        Box b;
        b.caption = dialog.windowTitle();
        asked.push_back({"dialog", b});
        if (dialogAnswers.empty()) return QDialog::Rejected;
        auto a = dialogAnswers.front();
        dialogAnswers.pop_front();
        return a(dialog);
    }
    void errorBox(QWidget*, const QString& text) override {
        Box b;
        b.text = text;
        asked.push_back({"error", b});
    }

private:
    QString file(const char* kind, const FileDialog& d) {
        lastFileDialog = d;
        Box b;
        b.caption = d.title;
        b.text = d.fileName;
        asked.push_back({kind, b});
        if (fileAnswers.empty()) return {};
        QString a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
    bool print(const char* kind, QPrinter& printer) {
        asked.push_back({kind, {}});
        if (printAnswers.empty()) return false;
        auto a = printAnswers.front();
        printAnswers.pop_front();
        return a(printer);
    }
};

}  // namespace dmm::test
