#pragma once
// A small HTTP server on 127.0.0.1 at a port the system picks, for the update check: each path
// answers with a fixed status, body and headers, or cuts the connection half-way.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

class LocalHttpServer : public QTcpServer
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
        qint64 announcedLength = -1; // -1: the body's own length
        bool dropMidBody = false;    // send half the body, then close
    };

    LocalHttpServer()
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString host() const { return QStringLiteral("127.0.0.1"); }
    QString portText() const { return QString::number(serverPort()); }
    QString url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path); }

    QHash<QByteArray, Answer> answers; // by path with query
    QList<QByteArray> asked;

private:
    void answer(QTcpSocket* socket)
    {
        QByteArray& request = pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray path = request.split(' ').value(1);
        pending.remove(socket);
        asked << path;
        const Answer a = answers.value(path, Answer{404, "not here"});
        const qint64 length = a.announcedLength >= 0 ? a.announcedLength : a.body.size();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + " X\r\nContent-Length: " +
                          QByteArray::number(length) + "\r\nConnection: close\r\n\r\n";
        socket->write(head);
        socket->write(a.dropMidBody ? a.body.left(a.body.size() / 2) : a.body);
        socket->flush();
        socket->disconnectFromHost();
    }
    QHash<QTcpSocket*, QByteArray> pending;
};
