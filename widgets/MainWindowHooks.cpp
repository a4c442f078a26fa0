#include "MainWindowHooks.h"

namespace {
MainWindowHooks gDefault;
MainWindowHooks* gCurrent = nullptr;
}

MainWindowHooks& MainWindowHooks::instance()
{
    return gCurrent ? *gCurrent : gDefault;
}

void MainWindowHooks::setInstance(MainWindowHooks* hooks)
{
    gCurrent = hooks;
}
