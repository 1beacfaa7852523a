// The SMTP dialogue; with no encryption and no user name it is the plain HELO dialogue.
#include "sending/smtp.h"

using namespace Qt::StringLiterals;

TmsSMTP::TmsSMTP()
{
    socket.DefaultPort = 25;
    socket.ServiceName = u"smtp"_s;
}

Reply TmsSMTP::command(const QByteArray &line)
{
    return socket.command(line, true);
}

void TmsSMTP::expect(const Reply &reply, int hundreds)
{
    if (!reply.is(hundreds))
        throw TransportError { reply.last() };
}

TransportResult TmsSMTP::send(const TmsMessage &message)
{
    try {
        if (socket.Server.trimmed().isEmpty())
            throw TransportError { u"Server property is required"_s };
        // Checked before connecting: a message that cannot go need not wait for the server.
        if (const auto bad = MessageEncoder::checkMessage(message))
            throw TransportError { *bad };
        if (!UserName.isEmpty() && socket.encryption == Encryption::None && !AllowPlainPassword)
            throw TransportError { plainPasswordRefusal(socket.hostPart()) };
        const MessageEncoder::Encoded encoded = MessageEncoder::encodeMessage(message);
        if (!encoded.error.isEmpty())
            throw TransportError { encoded.error };

        socket.connectToServer();
        expect(socket.readReply(true), 2);
        hello();
        deliver(message, encoded.text);
        // The server has taken the message; however it answers QUIT, the mail is sent, and
        // calling it a failure would only make the user send it twice.
        try {
            command("QUIT");
        } catch (const TransportError &) { }
        socket.close();
        return {};
    } catch (const TransportError &e) {
        socket.close();
        return { false, e.message };
    }
}

void TmsSMTP::hello()
{
    const QByteArray local = socket.localName().toLatin1();
    const bool extended = socket.encryption == Encryption::StartTls || !UserName.isEmpty();
    if (!extended) {
        if (!command("HELO " + local).is(2))
            expect(command("HELO"), 2);
        return;
    }
    QStringList extensions = extendedHello(local);
    if (socket.encryption == Encryption::StartTls) {
        // Never carry on in plain text when the secure connection was asked for.
        if (!extensions.contains(u"STARTTLS"_s, Qt::CaseInsensitive))
            throw TransportError { u"The mail server %1 does not offer STARTTLS"_s.arg(
                socket.hostPart()) };
        expect(command("STARTTLS"), 2);
        socket.startEncryption();
        extensions = extendedHello(local);
    }
    if (!UserName.isEmpty())
        authenticate(extensions);
}

QStringList TmsSMTP::extendedHello(const QByteArray &localName)
{
    const Reply reply = command("EHLO " + localName);
    expect(reply, 2);
    QStringList extensions;
    for (qsizetype i = 1; i < reply.lines.size(); ++i)
        extensions += reply.lines[i].mid(4).trimmed();
    return extensions;
}

void TmsSMTP::authenticate(const QStringList &extensions)
{
    QStringList mechanisms;
    for (const QString &e : extensions) {
        if (e.startsWith(u"AUTH "_s, Qt::CaseInsensitive)
            || e.startsWith(u"AUTH="_s, Qt::CaseInsensitive))
            mechanisms += e.mid(5).toUpper().split(u' ', Qt::SkipEmptyParts);
    }
    const QByteArray user = UserName.toUtf8();
    const QByteArray password = Password.toUtf8();
    if (mechanisms.contains(u"PLAIN"_s)) {
        const QByteArray token = QByteArray(1, '\0') + user + '\0' + password;
        expect(command("AUTH PLAIN " + token.toBase64()), 2);
    } else if (mechanisms.contains(u"LOGIN"_s)) {
        expect(command("AUTH LOGIN"), 3);
        expect(command(user.toBase64()), 3);
        expect(command(password.toBase64()), 2);
    } else {
        throw TransportError {
            u"The mail server %1 does not offer a sign-in this program knows (AUTH PLAIN or LOGIN)"_s
                .arg(socket.hostPart())
        };
    }
}

void TmsSMTP::deliver(const TmsMessage &message, const QByteArray &encoded)
{
    expect(command("MAIL FROM:<" + message.Sender.Address.toLatin1() + '>'), 2);
    for (const TmsAddressList *list : { &message.Recipients, &message.CC, &message.BCC }) {
        for (const TmsMailAddress &a : *list) {
            if (!a.Address.isEmpty())
                expect(command("RCPT TO:<" + a.Address.toLatin1() + '>'), 2);
        }
    }
    expect(command("DATA"), 3);
    socket.sendData(encoded + "\r\n");
    expect(command("."), 2);
}
