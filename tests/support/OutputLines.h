#pragma once
// Whole lines of a child process's standard output, as they arrive.
#include <QByteArray>
#include <QProcess>
#include <QStringList>

class OutputLines {
public:
    // Takes what the process printed so far; a partial line waits for its end.
    void collect(QProcess& process)
    {
        m_partial += process.readAllStandardOutput();
        int nl;
        while ((nl = m_partial.indexOf('\n')) >= 0) {
            m_lines << QString::fromUtf8(m_partial.left(nl));
            m_partial.remove(0, nl + 1);
        }
    }
    const QStringList& lines() const { return m_lines; }

private:
    QByteArray m_partial;
    QStringList m_lines;
};
