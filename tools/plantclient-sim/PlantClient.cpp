#include "PlantClient.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <sys/sem.h>
#include <sys/shm.h>

PlantClient::PlantClient(const Options& options, QObject* parent)
    : QObject(parent)
    , m_opt(options)
{
    connect(&m_socket, &QTcpSocket::connected, this, [this] {
        m_everConnected = true;
        m_connectTimer.stop();
        print("CONNECTED");
        if (m_opt.heartMs > 0)
            m_heartTimer.start(m_opt.heartMs);
    });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
        m_heartTimer.stop();
        print("DISCONNECTED");
    });
    connect(&m_socket, &QTcpSocket::readyRead, this, &PlantClient::onData);
    connect(&m_connectTimer, &QTimer::timeout, this, &PlantClient::tryConnect);
    connect(&m_heartTimer, &QTimer::timeout, this, [this] { queueReply(VurFrame::Reply("/heart/")); });
    connect(&m_replyTimer, &QTimer::timeout, this, &PlantClient::sendNextReply);
    m_connectTimer.start(200);
    tryConnect();
}

void PlantClient::print(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PlantClient::tryConnect()
{
    // Connects once; after a disconnection the monitor restarts its client.
    if (m_everConnected || m_socket.state() != QAbstractSocket::UnconnectedState)
        return;
    m_socket.connectToHost(QHostAddress::LocalHost, m_opt.port);
}

void PlantClient::onData()
{
    m_parser.feed(m_socket.readAll());
    int type = 0;
    QByteArray body;
    while (m_parser.next(&type, &body)) {
        ++m_frames;
        print("RX " + QByteArray::number(type) + ' ' + QByteArray::number(body.size()) + ' ' + body.toBase64());
        if (m_opt.ack)
            queueReply(VurFrame::Reply("/back/ 200"));
        if (type == VurFrame::TypeProductRequest)
            queueReply(VurFrame::Reply("/product/\r\nSessionId: 14", m_opt.products));
        else if (type == VurFrame::TypeRemindRequest)
            queueReply(VurFrame::Reply("/remind/\r\nSessionId: 17", m_opt.reminds));
        else if (type == VurFrame::TypeMemoryInfo)
            m_memoryInfo = body;
    }
}

void PlantClient::queueReply(const QByteArray& reply)
{
    m_replies.append(reply);
    if (!m_replyTimer.isActive()) {
        sendNextReply();
        m_replyTimer.start(20);
    }
}

void PlantClient::sendNextReply()
{
    if (m_replies.isEmpty()) {
        m_replyTimer.stop();
        return;
    }
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.write(m_replies.takeFirst());
        m_socket.flush();
    } else {
        m_replies.clear();
    }
}

void PlantClient::command(const QByteArray& raw)
{
    const QByteArray line = raw.trimmed();
    if (line == "heart")
        queueReply(VurFrame::Reply("/heart/"));
    else if (line == "reline")
        queueReply(VurFrame::Reply("/reline/"));
    else if (line == "ack on")
        m_opt.ack = true;
    else if (line == "ack off")
        m_opt.ack = false;
    else if (line.startsWith("reply "))
        queueReply(QByteArray::fromBase64(line.mid(6)));
    else if (line == "grab")
        grab();
    else if (line == "status")
        print("STATUS " + QByteArray::number(m_frames));
    else if (line == "quit")
        std::exit(0);
}

void PlantClient::grab()
{
    const QJsonArray list = QJsonDocument::fromJson(m_memoryInfo).object().value(QStringLiteral("memoryinfo")).toArray();
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        const int camera = o.value(QStringLiteral("cameraid")).toInt();
        const int shmid = o.value(QStringLiteral("shmid")).toInt(-1);
        const int semid = o.value(QStringLiteral("semid")).toInt(-1);
        const int size = o.value(QStringLiteral("size")).toInt();
        const QByteArray fail = "GRAB " + QByteArray::number(camera) + " FAIL";
        void* addr = shmid >= 0 ? shmat(shmid, nullptr, SHM_RDONLY) : reinterpret_cast<void*>(-1);
        if (addr == reinterpret_cast<void*>(-1) || semid < 0 || size <= 0) {
            print(fail);
            continue;
        }
        // Read under the share's semaphore, as the monitor writes under it.
        sembuf take{0, -1, SEM_UNDO};
        sembuf give{0, 1, SEM_UNDO};
        timespec wait{2, 0};
        if (semtimedop(semid, &take, 1, &wait) != 0) {
            shmdt(addr);
            print(fail);
            continue;
        }
        const QByteArray frame(static_cast<const char*>(addr), size);
        semop(semid, &give, 1);
        shmdt(addr);
        const QString path = QDir(m_opt.grabDir).filePath(QStringLiteral("share%1.i420").arg(camera));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(frame) != frame.size()) {
            print(fail);
            continue;
        }
        print("GRAB " + QByteArray::number(camera) + ' ' + QByteArray::number(size) + ' ' + QFile::encodeName(path));
    }
}
