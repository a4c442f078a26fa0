#pragma once
// The application object: a QApplication whose own behaviour is the touch
// filter in front of every window.
#include <QApplication>

class TouchFilter;

class MApplication : public QApplication {
public:
    MApplication(int& argc, char** argv);

private:
    TouchFilter* m_filter;
};
