#pragma once
// Words shared between the GUI thread and IOThread, and the frame helpers of
// the IO-board line (the frames themselves are defined in IOFrame.h).
#include "IOFrame.h"

#include <QtGlobal>
#include <QString>

#include <atomic>
#include <memory>

class QMutex;
class IOPort;
class SerialLine;

// Guards the word copies below; created by main before the main window.
// The words are atomics as well, so a reader without the lock (the lamp
// display, the on-screen input buttons) never sees a torn value.
extern QMutex* pMutexIO;
// Raw input levels of the board, bits 0-9 (1 = active).
extern std::atomic<quint32> gDataIn;
// Physical output levels the board must hold, bits 0-8.
extern std::atomic<quint32> gDataOut;
// The output word the board's last state reply echoed (what it holds).
extern std::atomic<quint32> gDataEcho;
// When IOThread last read an input word that differed from the one before,
// and last wrote a changed output word to the line (steady clock, ns: the
// cameras' FrameClockNs). For a benchmark's trace of the link's share.
extern std::atomic<qint64> gDataInReadNs;
extern std::atomic<qint64> gDataOutSentNs;
// 1 while the link counts as lost; written by IOThread only.
extern std::atomic<int> gisLostCom;
// Values of reply types 3 and 4.
extern std::atomic<quint32> gFTemp[16];
// The open line of the board (owned by the port object that opened it).
extern IOPort* gpCom;
// Serial port number n of /dev/ttyS<n>, from the system parameters.
extern int gisCOM;
// IO back-end selector: 1 serial board (the only one built).
extern int gIOID;
// Set when the safety door opens; the polling loop clears it at a cycle start.
extern int gisSafeDoorOpen;

// The steady clock of the stamps above, ns.
qint64 LinkClockNs();
// Sum of the bytes modulo 256.
unsigned char calcLRC(const unsigned char* data, quint16 len);
// Writes one command frame to a port; the result is the write's count (-1 without a port).
int SendCommand(IOPort* port, int command, int value);
// Writes one command frame to gpCom.
void ComSend(int command, int value);
// Opens the board's line: the given device, else the one of port gisCOM.
// A failed open is logged and yields a closed line; the link then shows as
// lost after its empty passes, as with a board that does not answer.
std::unique_ptr<SerialLine> ComInit(const QString& device = QString());

// Sets or clears one input bit as if the board reported it (on-screen input
// buttons); the next state reply overwrites it.
void IOSetInputBit(int bit, bool active);
