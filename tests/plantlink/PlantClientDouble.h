#pragma once
// The plant-client double (tools/plantclient-sim) as a child process: the
// frames it received, its grabs, and commands to it.
#include <QElapsedTimer>
#include <QObject>
#include <QPair>
#include <QProcess>

#include "OutputLines.h"
#include <QStringList>

class PlantClientDouble : public QObject {
public:
    explicit PlantClientDouble(quint16 port, const QStringList& args = {})
    {
        m_proc.setProgram(QStringLiteral(PLANTCLIENT_SIM_PATH));
        m_proc.setArguments(QStringList{QStringLiteral("--port"), QString::number(port)} + args);
        QObject::connect(&m_proc, &QProcess::readyReadStandardOutput, this, &PlantClientDouble::onOutput);
        m_proc.start();
    }
    ~PlantClientDouble() override
    {
        m_proc.kill();
        m_proc.waitForFinished(2000);
    }
    void send(const QString& command) { m_proc.write(command.toUtf8() + '\n'); }
    const QStringList& lines() const { return m_out.lines(); }
    bool saw(const QString& line) const { return m_out.lines().contains(line); }
    // Frames received, in order: type and body bytes.
    QList<QPair<int, QByteArray>> frames() const
    {
        QList<QPair<int, QByteArray>> out;
        for (const QString& l : m_out.lines()) {
            if (!l.startsWith(QLatin1String("RX ")))
                continue;
            const QStringList f = l.split(QLatin1Char(' '));
            out.append({f.value(1).toInt(), QByteArray::fromBase64(f.value(3).toLatin1())});
        }
        return out;
    }
    QList<int> types() const
    {
        QList<int> t;
        for (const auto& f : frames())
            t << f.first;
        return t;
    }
    QByteArray lastBody(int type) const
    {
        QByteArray b;
        for (const auto& f : frames())
            if (f.first == type)
                b = f.second;
        return b;
    }

private:
    void onOutput() { m_out.collect(m_proc); }
    QProcess m_proc;
    OutputLines m_out;
};
