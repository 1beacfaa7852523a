// Scripted dialogs.
#include "tests/support/fakedialogs.h"

#include <QTest>

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind != u"open" && s.kind != u"save" && s.kind != u"input" && s.kind != u"font"
            && s.kind != u"colour" && s.kind != u"print")
            out << s.text;
    return out;
}

void FakeDialogs::reset()
{
    shown.clear();
    statusWindows.clear();
    answers.clear();
    choices.clear();
    inputs.clear();
    files.clear();
    fonts.clear();
    colours.clear();
    printRanges.clear();
}

void FakeDialogs::add(const QString &kind, const QString &text, const FileDialogOptions &file)
{
    shown.append({ kind, text, file, parentWindow() });
}

void FakeDialogs::information(const QString &text)
{
    ModalScope scope(*this);
    add(QStringLiteral("information"), text);
}

void FakeDialogs::status(QWidget *window, const QString &text)
{
    add(QStringLiteral("status"), text);
    shown.last().parent = window;
    statusWindows.append(window);
}

void FakeDialogs::error(const QString &text)
{
    ModalScope scope(*this);
    add(QStringLiteral("error"), text);
}

Dialogs::Answer FakeDialogs::nextAnswer(const QString &text)
{
    if (answers.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("unscripted question: ") + text), __FILE__, __LINE__);
        return Answer::Cancel;
    }
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

bool FakeDialogs::informationWithAction(const QString &text, const QString &action)
{
    ModalScope scope(*this);
    add(QStringLiteral("action"), text);
    lastAction = action;
    return nextAnswer(text) == Answer::Yes;
}

Dialogs::Answer FakeDialogs::askYesNo(const QString &text)
{
    ModalScope scope(*this);
    add(QStringLiteral("yesno"), text);
    Answer a = nextAnswer(text);
    return a == Answer::Cancel ? Answer::No : a;
}

Dialogs::Answer FakeDialogs::askYesNoCancel(const QString &text)
{
    ModalScope scope(*this);
    add(QStringLiteral("yesnocancel"), text);
    return nextAnswer(text);
}

int FakeDialogs::askChoice(const QString &text, const QStringList &buttons)
{
    ModalScope scope(*this);
    add(QStringLiteral("choice"), text + u'|' + buttons.join(u'|'));
    if (choices.empty()) {
        QTest::qFail(
            qPrintable(QStringLiteral("unscripted question: ") + text), __FILE__, __LINE__);
        return int(buttons.size()) - 1;
    }
    const int c = choices.front();
    choices.pop_front();
    return c;
}

Dialogs::Answer FakeDialogs::askChoice(
    const QString &text, const QString &yesText, const QString &noText)
{
    ModalScope scope(*this);
    add(QStringLiteral("choice"), text + u'|' + yesText + u'|' + noText);
    return nextAnswer(text);
}

QString FakeDialogs::inputBox(const QString &title, const QString &prompt, const QString &preset)
{
    ModalScope scope(*this);
    add(QStringLiteral("input"), title + u'|' + prompt + u'|' + preset);
    if (inputs.empty()) {
        QTest::qFail(qPrintable(QStringLiteral("unscripted input box: ") + title), __FILE__, __LINE__);
        return preset;
    }
    QString s = inputs.front();
    inputs.pop_front();
    return s;
}

QString FakeDialogs::openFileName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    add(QStringLiteral("open"), options.title, options);
    if (files.empty()) {
        QTest::qFail("unscripted open dialog", __FILE__, __LINE__);
        return {};
    }
    QString s = files.front();
    files.pop_front();
    return s;
}

QString FakeDialogs::folderName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    add(QStringLiteral("folder"), options.title, options);
    if (files.empty()) {
        QTest::qFail("unscripted folder dialog", __FILE__, __LINE__);
        return {};
    }
    QString s = files.front();
    files.pop_front();
    return s;
}

QString FakeDialogs::saveFileName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    add(QStringLiteral("save"), options.title, options);
    if (files.empty()) {
        QTest::qFail("unscripted save dialog", __FILE__, __LINE__);
        return {};
    }
    QString s = files.front();
    files.pop_front();
    return s;
}

bool FakeDialogs::chooseFont(FontChoice &choice, int maxPointSize)
{
    ModalScope scope(*this);
    add(QStringLiteral("font"), QString::number(maxPointSize));
    lastFontPreset = choice;
    if (fonts.empty()) {
        QTest::qFail("unscripted font dialog", __FILE__, __LINE__);
        return false;
    }
    const std::optional<FontChoice> answer = fonts.front();
    fonts.pop_front();
    if (!answer)
        return false;
    choice = *answer;
    if (maxPointSize > 0 && choice.font.pointSize() > maxPointSize)
        choice.font.setPointSize(maxPointSize);
    return true;
}

bool FakeDialogs::chooseColour(QColor &colour)
{
    ModalScope scope(*this);
    add(QStringLiteral("colour"), colour.name());
    lastColourPreset = colour;
    if (colours.empty()) {
        QTest::qFail("unscripted colour dialog", __FILE__, __LINE__);
        return false;
    }
    const std::optional<QColor> answer = colours.front();
    colours.pop_front();
    if (!answer)
        return false;
    colour = *answer;
    return true;
}

bool FakeDialogs::printRange(int pageCount, int &from, int &to)
{
    ModalScope scope(*this);
    add(QStringLiteral("print"), QStringLiteral("%1|%2|%3").arg(pageCount).arg(from).arg(to));
    if (printRanges.empty()) {
        QTest::qFail("unscripted print dialog", __FILE__, __LINE__);
        return false;
    }
    const std::optional<std::pair<int, int>> answer = printRanges.front();
    printRanges.pop_front();
    if (!answer)
        return false;
    from = answer->first;
    to = answer->second;
    return true;
}
