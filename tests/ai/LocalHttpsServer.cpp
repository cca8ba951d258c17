#include "LocalHttpsServer.h"

#include "TestSupport.h"

#include <QFile>
#include <QSslKey>
#include <QSslSocket>

namespace {

QByteArray fixture(const char* name)
{
    QFile file(testsupport::sourceDir() + QStringLiteral("/tests/ai/tls/") +
               QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslCertificate testCertificate()
{
    return QSslCertificate(fixture("test-server.crt"), QSsl::Pem);
}

} // namespace

LocalHttpsServer::LocalHttpsServer()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(testCertificate());
    configuration.setPrivateKey(QSslKey(fixture("test-server.key"), QSsl::Rsa, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(configuration);
    QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, this,
                     &LocalHttpsServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
}

LocalHttpsServer::~LocalHttpsServer() = default;

QUrl LocalHttpsServer::baseURL() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(m_server.serverPort()));
}

QSslConfiguration LocalHttpsServer::trustingClientConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates({testCertificate()});
    return configuration;
}

void LocalHttpsServer::accept()
{
    while (m_server.hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(m_server.nextPendingConnection());
        if (!socket)
            continue;
        socket->setParent(this);
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QIODevice::readyRead, this,
                         [this, socket, buffer] { serve(socket, buffer); });
        QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        serve(socket, buffer);
    }
}

void LocalHttpsServer::serve(QSslSocket* socket, std::shared_ptr<QByteArray> buffer)
{
    buffer->append(socket->readAll());
    const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    ReceivedRequest request;
    const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
    request.requestLine = lines.value(0).trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length").toLongLong();
    if (buffer->size() < headerEnd + 4 + length)
        return;
    request.body = buffer->mid(headerEnd + 4, length);
    buffer->remove(0, headerEnd + 4 + length);
    m_requests << request;

    const ScriptedReply reply = m_replies.isEmpty()
                                    ? ScriptedReply{}
                                    : m_replies.value(m_requests.size() - 1, m_replies.last());
    if (reply.neverAnswer)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                     (reply.status == 200 ? "OK" : "Status") +
                     "\r\nContent-Type: " + reply.contentType +
                     "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                     (reply.location.isEmpty() ? QByteArray() : "\r\nLocation: " + reply.location) +
                     "\r\nConnection: close\r\n\r\n" + reply.body;
    socket->write(out);
    socket->flush();
    socket->disconnectFromHost();
}
