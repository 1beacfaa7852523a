// Runs larkspur-tool (or any program) as a real process for tests and collects what it printed.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ToolRun
{
    int exitCode = -1; // -1 when the program did not end normally in time
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

inline ToolRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess p;
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
