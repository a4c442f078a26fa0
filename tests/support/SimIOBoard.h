#pragma once
// The simulated IO board (tools/ioboard-sim) as a child process: its pty
// path, commands to it and every line it prints (RX frames, OUT words).
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>

#include "OutputLines.h"
#include <QStringList>

class SimBoard : public QObject {
public:
    explicit SimBoard(const QStringList& args = {})
    {
        m_proc.setProgram(QStringLiteral(IOBOARD_SIM_PATH));
        m_proc.setArguments(QStringList {QStringLiteral("--trace")} + args);
        QObject::connect(&m_proc, &QProcess::readyReadStandardOutput, this, &SimBoard::onOutput);
        m_proc.start();
    }
    ~SimBoard() override
    {
        m_proc.kill();
        m_proc.waitForFinished(2000);
    }
    bool waitForPath()
    {
        QElapsedTimer t;
        t.start();
        while (m_out.lines().isEmpty() && t.elapsed() < 5000) {
            m_proc.waitForReadyRead(100);
            onOutput();
        }
        return !m_out.lines().isEmpty() && m_out.lines().first().startsWith(QLatin1String("/dev/"));
    }
    QString path() const { return m_out.lines().value(0); }
    qint64 pid() const { return m_proc.processId(); }
    // Returns once the board has printed everything about the frames it had
    // received when this was called (it handles the line before its commands).
    bool sync()
    {
        const qsizetype before = linesStarting(QStringLiteral("STATUS ")).size();
        send(QStringLiteral("status"));
        QElapsedTimer t;
        t.start();
        while (linesStarting(QStringLiteral("STATUS ")).size() == before && t.elapsed() < 10000) {
            m_proc.waitForReadyRead(100);
            onOutput();
        }
        return linesStarting(QStringLiteral("STATUS ")).size() > before;
    }
    void send(const QString& command) { m_proc.write(command.toUtf8() + '\n'); }
    const QStringList& lines() const { return m_out.lines(); }
    QStringList linesStarting(const QString& prefix) const
    {
        QStringList out;
        for (const QString& l : m_out.lines())
            if (l.startsWith(prefix))
                out << l;
        return out;
    }
    // Received command frames without their time stamps, in order.
    QStringList frames() const
    {
        QStringList out;
        for (const QString& l : linesStarting(QStringLiteral("RX ")))
            out << l.section(QLatin1Char(' '), 2);
        return out;
    }

private:
    void onOutput() { m_out.collect(m_proc); }
    QProcess m_proc;
    OutputLines m_out;
};
