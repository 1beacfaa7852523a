// The SMTP client: connect, deliver one message, disconnect.
#pragma once

#include "sending/message.h"
#include "sending/tagsocket.h"

class TmsSMTP
{
public:
    TmsSMTP();

    TagSocket socket; // Server, DefaultPort, encryption, time-out
    // With a user name the message is sent after AUTH (PLAIN or LOGIN, as the server offers).
    QString UserName;
    QString Password;
    // Signing in without encryption shows the password to the network; only when asked for.
    bool AllowPlainPassword = false;

    // Sends the message; the connection is closed afterwards, also after a failure.
    TransportResult send(const TmsMessage &message);

    QString lastReply() const { return socket.lastReply; }

private:
    Reply command(const QByteArray &line);
    void expect(const Reply &reply, int hundreds);
    void hello();
    QStringList extendedHello(const QByteArray &localName);
    void authenticate(const QStringList &extensions);
    void deliver(const TmsMessage &message, const QByteArray &encoded);
};
