#include "OperatorMessage.h"

#include <QtDebug>

#include <atomic>

namespace {
// A plain pointer, constant-initialised: a sink installed while other
// libraries start up can never be lost to their start-up order.
std::atomic<OperatorMessageSink> g_sink {nullptr};
std::atomic<OperationLogSink> g_logSink {nullptr};
}  // namespace

void ShowOperatorMessage(const QString& text)
{
    if (OperatorMessageSink sink = g_sink.load())
        sink(text);
    else
        qWarning().noquote() << "Operator message:" << text;
}

void SetOperatorMessageSink(OperatorMessageSink sink)
{
    g_sink.store(sink);
}

void NoteInOperationLog(const QString& text)
{
    qWarning().noquote() << "Operation log:" << text;
    if (OperationLogSink sink = g_logSink.load())
        sink(text);
}

void SetOperationLogSink(OperationLogSink sink)
{
    g_logSink.store(sink);
}
