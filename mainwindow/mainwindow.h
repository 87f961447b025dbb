#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QSqlDatabase>
#include <QString>

class Ui_MainWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    bool openVault();
    void createSchema();
    void showConnectionError();

    Ui_MainWindow *ui;
    QSqlDatabase db;
    QString masterKey;
};

#endif // MAINWINDOW_H
