// The NNTP client: posts articles over one connection that stays open until it is destroyed.
#pragma once

#include <functional>

#include "sending/message.h"
#include "sending/tagsocket.h"

class TmsNNTP
{
public:
    TmsNNTP();
    // Says QUIT when still connected.
    ~TmsNNTP();
    TmsNNTP(const TmsNNTP &) = delete;
    TmsNNTP &operator=(const TmsNNTP &) = delete;

    TagSocket socket;
    bool Authenticate = false;
    QString UserName;
    QString Password;
    // Signing in without encryption shows the password to the network; only when asked for.
    bool AllowPlainPassword = false;

    // Connects if not connected and posts; the connection stays open for further posts.
    TransportResult post(const TmsArticle &article);
    // QUIT (answered 205) and close; nothing happens when not connected.
    TransportResult quit();

    bool isConnected() const { return socket.isConnected(); }
    QString lastReply() const { return socket.lastReply; }

private:
    Reply command(const QByteArray &line);
    Reply withAuthentication(Reply reply, const std::function<Reply()> &again);
    Reply postOnce(const QByteArray &encoded);

    bool m_signedIn = false; // one sign-in per post, whatever the server answers
};
