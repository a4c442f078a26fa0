#include "DevicePaths.h"

#include <QRegularExpression>

namespace {
QString env(const char* name)
{
    return qEnvironmentVariable(name);
}
}

QString DevicePaths::serialDevice(int comPort)
{
    const QString forced = env("MOJU_SERIAL_DEVICE");
    if (!forced.isEmpty()) {
#if !MOJU_PANEL
        if (forced.startsWith(QLatin1String("/dev/ttyS")))
            return QString();
#endif
        return forced;
    }
#if MOJU_PANEL
    return QStringLiteral("/dev/ttyS%1").arg(comPort);
#else
    Q_UNUSED(comPort);
    return QString();
#endif
}

QString DevicePaths::ledDevice()
{
    const QString forced = env("MOJU_LED_DEVICE");
    return forced.isEmpty() ? QStringLiteral("/dev/led") : forced;
}

QString DevicePaths::v4l2Device(int index)
{
    QString pattern = env("MOJU_V4L2_DEVICE");
    if (pattern.isEmpty())
        pattern = QStringLiteral("/dev/video%d");
    if (pattern.contains(QLatin1String("%d")))
        return QString(pattern).replace(QLatin1String("%d"), QString::number(index));
    return pattern;
}

QString DevicePaths::simCamRoot()
{
    return env("MOJU_SIMCAM");
}

QString DevicePaths::usbRoot()
{
    return env("MOJU_USB_ROOT");
}

QStringList DevicePaths::gigeInterfaces(bool* allowAll)
{
    const QString v = env("MOJU_GIGE_IFACES");
    const QStringList list = v.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
    if (allowAll)
        *allowAll = list.isEmpty() && MOJU_PANEL;
    return list;
}
