// passwordmanager: the window program, started on db.db in the working directory.

#include "mainwindow/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    MainWindow::scaleWithScreen();
    QApplication application(argc, argv);
    MainWindow window;
    window.show();
    return application.exec();
}
