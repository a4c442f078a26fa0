#include "InspectHost.h"

#include <QDebug>

void InspectHost::insertRecord(const QString& text)
{
    qWarning().noquote() << text;
}

namespace {
InspectHost* gHost = nullptr;
}

InspectHost& InspectHost::instance()
{
    static InspectHost fallback;
    return gHost ? *gHost : fallback;
}

void InspectHost::setInstance(InspectHost* host)
{
    gHost = host;
}
