#pragma once
// Messages the operator must read before work goes on, raised by code below
// the widgets (parameter and ROI-set loads). The widget toolkit routes them
// to the shared message popup once that exists; before that, and in programs
// without widgets, they become a log line.
#include <QString>

// Shows the text and returns once the operator has closed it.
void ShowOperatorMessage(const QString& text);

// Installs where the messages go; nullptr returns to the log line.
using OperatorMessageSink = void (*)(const QString& text);
void SetOperatorMessageSink(OperatorMessageSink sink);

// Lines for the operation log from code below the main window (a damaged
// file refused at load). Until the main window installs the log they are
// diagnostics lines only.
void NoteInOperationLog(const QString& text);
using OperationLogSink = void (*)(const QString& text);
void SetOperationLogSink(OperationLogSink sink);
