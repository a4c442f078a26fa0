#include "AlarmHost.h"

#include "foundation/uitext.h"

namespace {
AlarmHost* gHost = nullptr;
}

AlarmHost* AlarmHost::instance()
{
    return gHost;
}

void AlarmHost::setInstance(AlarmHost* host)
{
    gHost = host;
}

QString AlarmText(int id)
{
    const QString& text = LanStr(id);
    return text.isEmpty() ? gaLanStr[id * 3] : text;
}
