// The NNTP dialogue: POST with AUTHINFO when the server asks for it, QUIT when done.
#include "sending/nntp.h"

using namespace Qt::StringLiterals;

TmsNNTP::TmsNNTP()
{
    socket.DefaultPort = 119;
    socket.ServiceName = u"nntp"_s;
}

TmsNNTP::~TmsNNTP()
{
    quit();
}

Reply TmsNNTP::command(const QByteArray &line)
{
    return socket.command(line, false);
}

TransportResult TmsNNTP::post(const TmsArticle &article)
{
    try {
        if (socket.Server.trimmed().isEmpty())
            throw TransportError { u"Server property is required"_s };
        if (const auto bad = MessageEncoder::checkArticle(article))
            throw TransportError { *bad };
        // The sign-in goes into command lines as it stands.
        for (const QString &s : { UserName, Password }) {
            if (s.contains(u'\r') || s.contains(u'\n'))
                throw TransportError { u"The user name and password cannot hold a line break"_s };
        }
        if (Authenticate && socket.encryption == Encryption::None && !AllowPlainPassword)
            throw TransportError { plainPasswordRefusal(socket.hostPart()) };
        const MessageEncoder::Encoded encoded = MessageEncoder::encodeArticle(article);
        if (!encoded.error.isEmpty())
            throw TransportError { encoded.error };

        // A connection the server has closed since the last post is opened again.
        if (!socket.isConnected()) {
            socket.connectToServer();
            const Reply greeting = socket.readReply(false);
            if (greeting.code != 200 && greeting.code != 201)
                throw TransportError { greeting.last() };
        }
        m_signedIn = false;
        Reply reply = postOnce(encoded.text);
        // Asked to sign in after the article: the server has dropped it, so it goes again whole.
        if (reply.code == 480)
            reply = withAuthentication(reply, [&] { return postOnce(encoded.text); });
        if (reply.code != 240)
            throw TransportError { reply.last() };
        return {};
    } catch (const TransportError &e) {
        return { false, e.message };
    }
}

Reply TmsNNTP::postOnce(const QByteArray &encoded)
{
    const Reply reply = withAuthentication(command("POST"), [&] { return command("POST"); });
    if (reply.code != 340)
        throw TransportError { reply.last() };
    socket.sendData(encoded);
    return command(".");
}

Reply TmsNNTP::withAuthentication(Reply reply, const std::function<Reply()> &again)
{
    if (reply.code != 480 || !Authenticate || m_signedIn)
        return reply;
    m_signedIn = true;
    const Reply user = command("AUTHINFO USER " + UserName.toUtf8());
    if (user.code == 281)
        return again();
    if (user.code != 381)
        return user;
    const Reply password = command("AUTHINFO PASS " + Password.toUtf8());
    return password.code == 281 ? again() : password;
}

TransportResult TmsNNTP::quit()
{
    if (!socket.isConnected())
        return {};
    try {
        const Reply reply = command("QUIT");
        socket.close();
        if (reply.code != 205)
            return { false, reply.last() };
        return {};
    } catch (const TransportError &e) {
        socket.close();
        return { false, e.message };
    }
}
