// Scripted dialogs.
#include "tests/support/fakedialogs.h"

#include <QTest>

QStringList FakeDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind != u"open" && s.kind != u"save" && s.kind != u"input")
            out << s.text;
    return out;
}

void FakeDialogs::reset()
{
    shown.clear();
    statusWindows.clear();
    answers.clear();
    inputs.clear();
    files.clear();
}

void FakeDialogs::information(const QString &text)
{
    ModalScope scope(*this);
    shown.append({ QStringLiteral("information"), text, {} });
}

void FakeDialogs::status(QWidget *window, const QString &text)
{
    shown.append({ QStringLiteral("status"), text, {} });
    statusWindows.append(window);
}

void FakeDialogs::error(const QString &text)
{
    ModalScope scope(*this);
    shown.append({ QStringLiteral("error"), text, {} });
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

Dialogs::Answer FakeDialogs::askYesNo(const QString &text)
{
    ModalScope scope(*this);
    shown.append({ QStringLiteral("yesno"), text, {} });
    Answer a = nextAnswer(text);
    return a == Answer::Cancel ? Answer::No : a;
}

Dialogs::Answer FakeDialogs::askYesNoCancel(const QString &text)
{
    ModalScope scope(*this);
    shown.append({ QStringLiteral("yesnocancel"), text, {} });
    return nextAnswer(text);
}

QString FakeDialogs::inputBox(const QString &title, const QString &prompt, const QString &preset)
{
    ModalScope scope(*this);
    shown.append({ QStringLiteral("input"), title + u'|' + prompt + u'|' + preset, {} });
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
    shown.append({ QStringLiteral("open"), options.title, options });
    if (files.empty()) {
        QTest::qFail("unscripted open dialog", __FILE__, __LINE__);
        return {};
    }
    QString s = files.front();
    files.pop_front();
    return s;
}

QString FakeDialogs::saveFileName(const FileDialogOptions &options)
{
    ModalScope scope(*this);
    shown.append({ QStringLiteral("save"), options.title, options });
    if (files.empty()) {
        QTest::qFail("unscripted save dialog", __FILE__, __LINE__);
        return {};
    }
    QString s = files.front();
    files.pop_front();
    return s;
}
