#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslServer>
#include <QUrl>
#include <memory>

// What the server answers to one request.
struct ScriptedReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    bool neverAnswer = false; // hold the connection open without a reply
    QByteArray location = {}; // sent as a Location header when set
};

// One request as it arrived on the wire.
struct ReceivedRequest
{
    QByteArray requestLine;
    QMap<QByteArray, QByteArray> headers; // names lower-cased
    QByteArray body;
};

// An HTTPS server on 127.0.0.1 with the checked-in test certificate,
// answering each request with the next scripted reply (the last one repeats).
class LocalHttpsServer : public QObject
{
public:
    LocalHttpsServer();
    ~LocalHttpsServer() override;

    bool listening() const { return m_server.isListening(); }
    QUrl baseURL() const;
    void script(QList<ScriptedReply> replies) { m_replies = std::move(replies); }
    const QList<ReceivedRequest>& requests() const { return m_requests; }

    // Client TLS settings that trust the test certificate and nothing else.
    static QSslConfiguration trustingClientConfiguration();

private:
    void accept();
    void serve(QSslSocket* socket, std::shared_ptr<QByteArray> buffer);

    QSslServer m_server;
    QList<ScriptedReply> m_replies;
    QList<ReceivedRequest> m_requests;
};
