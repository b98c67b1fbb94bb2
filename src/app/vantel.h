#pragma once
// CVantelApp: the application. InitInstance runs its whole life: it finds the application
// directory, runs the main window modally and returns when the window has ended.

#include <QApplication>
#include <QString>

// Directory of the program file, without a trailing separator; setup.ini and Style.dll are
// addressed from it. Set once by InitInstance before the main window is constructed.
extern QString g_strAppPath;

class CVantelApp : public QApplication {
public:
    CVantelApp(int& argc, char** argv);

    // Always false: the process ends when the main window has ended.
    bool InitInstance();
};
