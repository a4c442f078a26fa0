#include "MainWindowHooks.h"

#include "Edit.h"

namespace {
MainWindowHooks gDefault;
MainWindowHooks* gCurrent = nullptr;
}

Edit* MainWindowHooks::curEdit() const
{
    return m_curEdit.data();
}

void MainWindowHooks::setCurEdit(Edit* edit)
{
    m_curEdit = edit;
}

MainWindowHooks& MainWindowHooks::instance()
{
    return gCurrent ? *gCurrent : gDefault;
}

void MainWindowHooks::setInstance(MainWindowHooks* hooks)
{
    gCurrent = hooks;
}
