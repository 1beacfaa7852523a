// Scripted dialogs for tests: records every text with its style and answers from queues; a dialog
// that the test did not script fails the test.
#pragma once

#include <deque>
#include <optional>
#include <utility>

#include <QList>
#include <QString>

#include "platform/dialogs.h"

class FakeDialogs : public Dialogs
{
public:
    struct Shown
    {
        QString kind; // "information", "status", "error", "action", "yesno", "yesnocancel",
                      // "choice", "input", "open", "save", "font", "colour", "print"
        QString text; // message, or "title|prompt|preset" for input boxes, or the dialog title
        FileDialogOptions file; // for "open" and "save"
        QWidget *parent = nullptr; // the window it opened over, as the real dialog would
    };

    QList<Shown> shown;
    std::deque<Answer> answers;
    std::deque<int> choices; // answers to askChoice: the index of the button
    std::deque<QString> inputs; // answers to input boxes
    std::deque<QString> files; // answers to file dialogs; "" means cancelled
    std::deque<std::optional<FontChoice>> fonts; // answers to font dialogs; nullopt means cancelled
    std::deque<std::optional<QColor>> colours; // answers to colour dialogs
    std::deque<std::optional<std::pair<int, int>>> printRanges; // nullopt means cancelled
    FontChoice lastFontPreset; // what the last font dialog was preset to
    QColor lastColourPreset;
    QString lastAction; // the extra button of the last informationWithAction box

    void answer(Answer a) { answers.push_back(a); }
    void input(const QString &text) { inputs.push_back(text); }
    void file(const QString &path) { files.push_back(path); }
    void font(std::optional<FontChoice> choice) { fonts.push_back(std::move(choice)); }
    void colour(std::optional<QColor> c) { colours.push_back(std::move(c)); }

    // The texts of all shown message and question boxes, in order.
    QStringList texts() const;
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    // True when every scripted answer has been used.
    bool allUsed() const
    {
        return answers.empty() && choices.empty() && inputs.empty() && files.empty()
            && fonts.empty() && colours.empty() && printRanges.empty();
    }
    void reset();

    void information(const QString &text) override;
    // Recorded with the window it went to; no box, so activation does not move.
    void status(QWidget *window, const QString &text) override;
    QList<QWidget *> statusWindows; // one per "status" entry, in order
    void error(const QString &text) override;
    // Shown as "action" with the text; answered from answers: Yes chooses the action.
    bool informationWithAction(const QString &text, const QString &action) override;
    Answer askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;
    // Shown as "choice" with the text followed by "|" and the buttons joined by "|".
    int askChoice(const QString &text, const QStringList &buttons) override;
    // Recorded as "choice" with the text and then "|yesText|noText".
    Answer askChoice(const QString &text, const QString &yesText, const QString &noText) override;
    QString inputBox(const QString &title, const QString &prompt, const QString &preset) override;
    QString openFileName(const FileDialogOptions &options) override;
    QString saveFileName(const FileDialogOptions &options) override;
    // Answered from files, shown as "folder".
    QString folderName(const FileDialogOptions &options) override;
    bool chooseFont(FontChoice &choice, int maxPointSize = 0) override;
    bool chooseColour(QColor &colour) override;
    bool printRange(int pageCount, int &from, int &to) override;

private:
    void add(const QString &kind, const QString &text, const FileDialogOptions &file = {});
    Answer nextAnswer(const QString &text);
};
