#ifndef PM_MAINWINDOW_H
#define PM_MAINWINDOW_H

#include "dialogs/datadialog.h"

#include <QFont>
#include <QIcon>
#include <QMainWindow>
#include <QPoint>
#include <QSqlDatabase>
#include <QString>

#include <optional>

class QMenu;
class QSqlError;
class Ui_MainWindow;

// The program's one window. Built, it has opened the vault, set up what a
// first start left missing and passed the master password gate; closing
// the gate closes it. It then lists the entries by domain, finds one by
// its exact domain, generates passwords, and runs the entry dialog and the
// list's context actions, each of which works on one whole row and reaches
// the vault only through a row's own whole-number id.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Before the application object is made.
    static void scaleWithScreen();

    void reloadTable();

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void tableWidgetContextMenu(QPoint pos);
    void cm_CopyPass();
    void cm_Edit();
    void cm_Delete();
    void cm_CopyLogin();
    void cm_CopyDomain();

private:
    static QIcon applicationIcon();
    static QFont applicationFont();
    bool openVault();
    void reportFailure(const QString &what, const QSqlError &error);
    void showStatusMessage(const QString &text);
    static void showMessage(const QString &text);
    bool unlockVault();
    void setUpWindow();
    void setUpStatusBar();
    void setUpEntryTable();
    void setUpEntryKeys();
    void setUpButtons();
    void setUpGenerator();
    void setUpSearch();
    void setUpCreditLine();

    int actionRow() const;
    std::optional<qint64> entryIdAt(int row);
    QString cellText(int row, int column) const;
    void openMenuAtCurrentCell();
    void addMenuAction(QMenu *menu, const QString &text, void (MainWindow::*slot)());

    Ui_MainWindow *ui;
    QSqlDatabase db;
    QString masterKey;
    DataDialog dataDialog;
};

#endif // PM_MAINWINDOW_H
