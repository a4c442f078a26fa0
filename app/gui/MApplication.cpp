#include "MApplication.h"

#include "TouchFilter.h"

MApplication::MApplication(int& argc, char** argv)
    : QApplication(argc, argv)
    , m_filter(new TouchFilter(this))
{
    installEventFilter(m_filter);
}
