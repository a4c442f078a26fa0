#include "MainWindowHooks.h"

#include <QLineEdit>

namespace {
MainWindowHooks gDefault;
MainWindowHooks* gCurrent = nullptr;
}

QLineEdit* MainWindowHooks::curEdit() const
{
    return m_curEdit.data();
}

void MainWindowHooks::setCurEdit(QLineEdit* edit)
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
