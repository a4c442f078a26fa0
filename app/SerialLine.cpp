#include "SerialLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

SerialLine::~SerialLine()
{
    close();
}

bool SerialLine::open(const QString& path)
{
    close();
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    termios tio {};
    if (tcgetattr(fd, &tio) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Reads never wait: the thread asks how many bytes are there first.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    m_error.clear();
    return true;
}

void SerialLine::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int SerialLine::bytesAvailable()
{
    if (m_fd < 0)
        return 0;
    int n = 0;
    if (ioctl(m_fd, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return n;
}

int SerialLine::read(unsigned char* data, int max)
{
    if (m_fd < 0 || max <= 0)
        return 0;
    const ssize_t n = ::read(m_fd, data, size_t(max));
    return n > 0 ? int(n) : 0;
}

int SerialLine::write(const unsigned char* data, int len)
{
    if (m_fd < 0)
        return -1;
    const ssize_t n = ::write(m_fd, data, size_t(len));
    return n >= 0 ? int(n) : -1;
}
