#pragma once
// Byte line to the IO board. The serial device implements it; tests put a
// scripted double in its place. Written from IOThread and, for
// the output word, from the thread that flushes it, always under pMutexIO;
// read from IOThread only. Never blocking.

class IOPort {
public:
    virtual ~IOPort() = default;
    virtual bool isOpen() const = 0;
    // Bytes waiting to be read now (0 when closed or on error).
    virtual int bytesAvailable() = 0;
    // Reads up to max bytes without waiting; returns the count (0 on error).
    virtual int read(unsigned char* data, int max) = 0;
    // Writes without waiting; returns the count written, -1 on error.
    virtual int write(const unsigned char* data, int len) = 0;
    // A descriptor that turns readable when bytes arrive, for the thread to
    // wait on; -1 when there is none (the thread then reads at its passes).
    virtual int readableHandle() const { return -1; }
};
