// The test time-stamping service (tests/support/tsa_server.py: `openssl ts -reply` behind HTTP on
// 127.0.0.1) in a process of its own, with its certificate to verify replies against.
#pragma once

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

class TsaServer
{
public:
    // `options` as the script takes them: --hold, --status N, --garbage.
    explicit TsaServer(const QString &folder, const QStringList &options = {})
        : m_folder(folder)
    {
        QDir().mkpath(folder);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("python3"),
            QStringList { qEnvironmentVariable("LARKSPUR_SOURCE_DIR")
                    + QStringLiteral("/tests/support/tsa_server.py"),
                folder }
                + options);
        // The key is made first: allow for a loaded machine.
        const QByteArray line = readLine(120000);
        if (line.startsWith("PORT "))
            m_port = line.mid(5).trimmed().toInt();
    }
    ~TsaServer()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    TsaServer(const TsaServer &) = delete;
    TsaServer &operator=(const TsaServer &) = delete;

    bool listening() const { return m_port > 0; }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1/tsa").arg(m_port); }
    QString certificate() const { return m_folder + QStringLiteral("/tsa.crt"); }

    // Waits for the service to be sent a request; its size, or -1 when none came in time.
    int nextRequest(int timeoutMs = 60000)
    {
        const QByteArray line = readLine(timeoutMs);
        return line.startsWith("REQUEST ") ? line.mid(8).trimmed().toInt() : -1;
    }
    // With --hold: lets the service answer the request it holds.
    void release()
    {
        m_process.write("\n");
        m_process.waitForBytesWritten(10000);
    }
    // What the service printed and no one has read yet, without waiting.
    QByteArray unread()
    {
        m_process.waitForReadyRead(0);
        return m_process.readAllStandardOutput();
    }

private:
    QByteArray readLine(int timeoutMs)
    {
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(timeoutMs))
                return {};
        return m_process.readLine();
    }

    QString m_folder;
    QProcess m_process;
    int m_port = 0;
};
