#pragma once
// The plant client's side of the plant link, as the monitor expects it.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include "network/VUR_Frame.h"

class PlantClient : public QObject {
    Q_OBJECT
public:
    struct Options {
        quint16 port = 8890;
        int heartMs = 0;
        bool ack = true;
        QByteArray products = R"({"result":[{"product_name":"A-100"},{"product_name":"B-200"}]})";
        QByteArray reminds = R"({"result":[{"operator":"Wang","create_utc":1700000000000,"notify_utc":1700003600000,)"
                             R"("duration":30,"reminder_name":"mould cleaning"}]})";
        QString grabDir;
    };
    explicit PlantClient(const Options& options, QObject* parent = nullptr);

    void command(const QByteArray& line);

private:
    void tryConnect();
    void onData();
    void queueReply(const QByteArray& reply);
    void sendNextReply();
    void grab();
    static void print(const QByteArray& line);

    Options m_opt;
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QTimer m_heartTimer;
    QTimer m_replyTimer;
    VurFrame::Parser m_parser;
    QList<QByteArray> m_replies;
    QByteArray m_memoryInfo;
    int m_frames = 0;
    bool m_everConnected = false;
};
