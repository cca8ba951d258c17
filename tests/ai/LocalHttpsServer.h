#pragma once

#include "TestSupport.h"

#include <QMap>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
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
    LocalHttpsServer()
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(certificate());
        configuration.setPrivateKey(QSslKey(fixture("test-server.key"), QSsl::Rsa, QSsl::Pem));
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(configuration);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto* socket = qobject_cast<QSslSocket*>(m_server.nextPendingConnection())) {
                socket->setParent(this);
                auto buffer = std::make_shared<QByteArray>();
                QObject::connect(socket, &QIODevice::readyRead, this,
                                 [this, socket, buffer] { serve(socket, *buffer); });
                QObject::connect(socket, &QAbstractSocket::disconnected, socket,
                                 &QObject::deleteLater);
                serve(socket, *buffer);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QUrl baseURL() const
    {
        return QUrl(QString("https://127.0.0.1:%1").arg(m_server.serverPort()));
    }
    void script(QList<ScriptedReply> replies) { m_replies = std::move(replies); }
    const QList<ReceivedRequest>& requests() const { return m_requests; }

    // Client TLS settings that trust the test certificate and nothing else.
    static QSslConfiguration trustingClientConfiguration()
    {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates({certificate()});
        return configuration;
    }

private:
    static QByteArray fixture(const char* name)
    {
        return testsupport::readBytes(testsupport::sourceDir() + "/tests/ai/tls/" + name);
    }
    static QSslCertificate certificate() { return QSslCertificate(fixture("test-server.crt")); }

    void serve(QSslSocket* socket, QByteArray& buffer)
    {
        buffer.append(socket->readAll());
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        ReceivedRequest request;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        request.requestLine = lines.value(0).trimmed();
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                request.headers.insert(line.left(colon).trimmed().toLower(),
                                       line.mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        m_requests << request;

        const ScriptedReply reply =
            m_replies.value(m_requests.size() - 1, m_replies.value(m_replies.size() - 1));
        if (reply.neverAnswer)
            return;
        socket->write(
            "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\nContent-Type: " +
            reply.contentType + "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
            (reply.location.isEmpty() ? QByteArray() : "\r\nLocation: " + reply.location) +
            "\r\nConnection: close\r\n\r\n" + reply.body);
        socket->flush();
        socket->disconnectFromHost();
    }

    QSslServer m_server;
    QList<ScriptedReply> m_replies;
    QList<ReceivedRequest> m_requests;
};
