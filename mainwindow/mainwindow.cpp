#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "vault/vaultfile.h"
#include "vault/vaultstatements.h"

#include <QMessageBox>
#include <QSqlQuery>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    // Opening the database creates the file, so the first-run test comes first.
    const bool firstRun = !VaultFile::exists();
    if (firstRun)
        VaultFile::createOwnerOnly();

    if (!openVault()) {
        showConnectionError();
        return;
    }
    if (firstRun)
        createSchema();

    // The master password gate runs here; only an unlocked vault gets the window set-up.
}

MainWindow::~MainWindow()
{
    delete ui;
}

bool MainWindow::openVault()
{
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(VaultFile::name());
    return db.open();
}

void MainWindow::createSchema()
{
    db.exec(VaultStatements::createDataTable());
    db.exec(VaultStatements::createSPassTable());
}

void MainWindow::showConnectionError()
{
    QMessageBox box;
    box.setText(QStringLiteral("Error Connect to DataBasse"));
    box.exec();
}
