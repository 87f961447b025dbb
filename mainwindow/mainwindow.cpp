#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "crypto/aescipher.h"
#include "dialogs/enterdialog.h"
#include "generator/passwordgenerator.h"
#include "vault/storedsecret.h"
#include "vault/vaultfile.h"
#include "vault/vaultstatements.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegExpValidator>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>

#include <algorithm>
#include <vector>

namespace {
constexpr int rowHeight = 20;
constexpr int idColumn = 0;
constexpr int domainColumn = 1;
constexpr int loginColumn = 2;
constexpr int columnCount = 3;
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui_MainWindow)
{
    // Every window of the program, message boxes and menus included, shows
    // the icon and uses the font its fixed geometry was drawn for.
    QApplication::setWindowIcon(applicationIcon());
    QApplication::setFont(applicationFont());
    // A desktop theme may put its own font in place later, as qt5ct does
    // once the event loop runs and whenever its settings change.
    connect(qApp, &QGuiApplication::fontChanged, this, [] { QApplication::setFont(applicationFont()); });

    // Made here, before the driver would make it with the umask's mode.
    const QByteArray createdVault = VaultFile::createOwnerOnly();
    const bool firstRun = !createdVault.isEmpty();
    if (!openVault() || (firstRun && !createSchema())) {
        // Left behind, a vault without tables would pass for an existing one
        // at every later start, and no password could ever be set.
        db.close();
        VaultFile::removeCreated(createdVault);
        showMessage(QStringLiteral("Error Connect to DataBasse"));
        return;
    }

    if (!unlockVault()) {
        QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
        return;
    }
    dataDialog.setKey(masterKey);
    setUpWindow();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::reloadTable()
{
    QSqlQuery query;
    query.setForwardOnly(true);
    // A list that cannot be read keeps the rows it showed: an empty one
    // would look like a vault that lost its entries. So every row is read
    // before the old ones go, as plain values that cost less than items.
    query.exec(VaultStatements::selectEntryList());
    std::vector<QString> cells;
    std::vector<qint64> ids;
    while (query.next()) {
        ids.push_back(query.value(idColumn).toLongLong());
        cells.push_back(query.value(idColumn).toString());
        cells.push_back(StoredSecret::nameText(query.value(domainColumn)));
        cells.push_back(StoredSecret::nameText(query.value(loginColumn)));
    }
    if (query.lastError().isValid()) {
        reportFailure(tr("The entries could not be read"), query.lastError());
        return;
    }
    statusBar()->clearMessage();

    QTableWidget *table = ui->tableWidget;
    table->clearContents();
    table->setRowCount(0);
    // Rows appended one at a time cost the model and both headers a round
    // of notifications each; all of them at once cost one.
    const int rows = static_cast<int>(ids.size());
    table->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        table->setRowHeight(row, rowHeight);
        for (int column = 0; column < columnCount; ++column) {
            auto *item = new QTableWidgetItem(cells[static_cast<std::size_t>(row * columnCount + column)]);
            if (column == idColumn) {
                // The id is what statements are built from: it must not be editable.
                item->setData(Qt::UserRole, ids[static_cast<std::size_t>(row)]);
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            }
            table->setItem(row, column, item);
        }
    }
}

void MainWindow::on_pushButton_clicked()
{
    const int length = ui->lineEdit_2->text().toInt();
    PasswordGenerator generator(ui->checkBox->isChecked(), ui->checkBox_2->isChecked(),
                                ui->checkBox_4->isChecked(), ui->checkBox_3->isChecked(), length);
    ui->lineEdit->setText(generator.generate());
}

void MainWindow::on_pushButton_2_clicked()
{
    QTableWidget *table = ui->tableWidget;
    const int rows = table->rowCount();
    const QString wanted = ui->lineEdit_4->text().trimmed();
    for (int row = 0; row < rows; ++row) {
        if (cellText(row, domainColumn) == wanted) {
            table->selectRow(row);
            return;
        }
    }
    showMessage(QStringLiteral("Not Found"));
}

void MainWindow::on_pushButton_3_clicked()
{
    dataDialog.reset(false);
    dataDialog.exec();
    reloadTable();
}

void MainWindow::tableWidgetContextMenu(QPoint pos)
{
    if (ui->tableWidget->selectedItems().isEmpty())
        return;
    auto *menu = new QMenu(this);
    // A menu per request; it goes, with its actions, once it has closed.
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    addMenuAction(menu, tr("Copy Domain"), &MainWindow::cm_CopyDomain);
    addMenuAction(menu, tr("Copy Login"), &MainWindow::cm_CopyLogin);
    addMenuAction(menu, tr("Copy Pass"), &MainWindow::cm_CopyPass);
    addMenuAction(menu, tr("Edit"), &MainWindow::cm_Edit);
    addMenuAction(menu, tr("Delete"), &MainWindow::cm_Delete);
    menu->popup(ui->tableWidget->viewport()->mapToGlobal(pos));
}

void MainWindow::cm_CopyPass()
{
    const int row = actionRow();
    if (row < 0)
        return;
    QSqlQuery query;
    const bool found = query.exec(VaultStatements::selectEntryPass(entryIdAt(row))) && query.next();
    if (query.lastError().isValid()) {
        // Whatever was copied before must not be pasted as this password.
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
        reportFailure(tr("The password could not be read"), query.lastError());
        return;
    }
    statusBar()->clearMessage();
    const QByteArray stored = found ? query.value(0).toByteArray() : QByteArray();
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(masterKey);
    auto *data = new QMimeData;
    data->setText(StoredSecret::passText(StoredSecret::open(stored, key)));
    // Asks clipboard managers not to keep the password in their history.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

void MainWindow::cm_Edit()
{
    const int row = actionRow();
    if (row < 0)
        return;
    dataDialog.reset(true);
    dataDialog.loadEntry(QString::number(entryIdAt(row)));
    dataDialog.exec();
    reloadTable();
}

void MainWindow::cm_Delete()
{
    const int row = actionRow();
    if (row >= 0) {
        QSqlQuery query;
        if (!query.exec(VaultStatements::deleteEntry(entryIdAt(row)))) {
            // The entry is still there: the list and its selection stay.
            reportFailure(tr("The entry could not be deleted"), query.lastError());
            return;
        }
    }
    reloadTable();
}

void MainWindow::cm_CopyLogin()
{
    const int row = actionRow();
    if (row >= 0)
        QGuiApplication::clipboard()->setText(cellText(row, loginColumn), QClipboard::Clipboard);
}

void MainWindow::cm_CopyDomain()
{
    const int row = actionRow();
    if (row >= 0)
        QGuiApplication::clipboard()->setText(cellText(row, domainColumn), QClipboard::Clipboard);
}

void MainWindow::scaleWithScreen()
{
    // Fixed pixel geometry stays in proportion on a dense screen only if Qt
    // scales it as a whole: text, check boxes and icons alike, and by the
    // screen's own factor. Rounded, a factor of 1.5 would make the windows a
    // third larger than the rest of the desktop, and one of 1.25 would leave
    // them unscaled beside check boxes drawn a quarter larger.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

QIcon MainWindow::applicationIcon()
{
    // The resources live in a static library: nothing else would pull them in.
    Q_INIT_RESOURCE(resources);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/passwordmanager-%1.png").arg(size), QSize(size, size));
    return icon;
}

QFont MainWindow::applicationFont()
{
    // The windows place their captions at fixed pixel positions, drawn for a
    // font about 11 px high. A narrow face sized in pixels fits them whatever
    // the desktop's font and dpi.
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPixelSize(11);
    return font;
}

bool MainWindow::openVault()
{
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(VaultFile::name());
    return db.open();
}

bool MainWindow::createSchema()
{
    return !db.exec(VaultStatements::createDataTable()).lastError().isValid()
        && !db.exec(VaultStatements::createSPassTable()).lastError().isValid();
}

void MainWindow::reportFailure(const QString &what, const QSqlError &error)
{
    const QString reason = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    showStatusMessage(QStringLiteral("%1: %2.").arg(what, reason));
}

// Every message of the status bar goes through here. It stays until the
// next one replaces it or a later success clears it: there are no timers.
void MainWindow::showStatusMessage(const QString &text)
{
    statusBar()->showMessage(text);
}

void MainWindow::showMessage(const QString &text)
{
    QMessageBox box;
    box.setText(text);
    box.exec();
}

bool MainWindow::unlockVault()
{
    EnterDialog gate;
    gate.setKeyTarget(&masterKey);
    return gate.exec() == QDialog::Accepted;
}

void MainWindow::setUpWindow()
{
    ui->setupUi(this);
    setUpEntryTable();
    setUpGenerator();
    setUpSearch();
    reloadTable();
    setUpCreditLine();
}

void MainWindow::setUpEntryTable()
{
    QTableWidget *table = ui->tableWidget;
    table->setColumnCount(columnCount);
    table->setHorizontalHeaderItem(idColumn, new QTableWidgetItem(tr("id")));
    table->setHorizontalHeaderItem(domainColumn, new QTableWidgetItem(tr("Domain")));
    table->setHorizontalHeaderItem(loginColumn, new QTableWidgetItem(tr("Login")));
    // Left alone, the headers would widen the id column to a character's
    // width and make rows as tall as the font asks.
    table->horizontalHeader()->setMinimumSectionSize(0);
    table->verticalHeader()->setMinimumSectionSize(rowHeight);
    // New rows then come with their height, which keeps reloading linear.
    table->verticalHeader()->setDefaultSectionSize(rowHeight);
    table->setColumnWidth(idColumn, 0);
    table->setColumnWidth(domainColumn, 260);
    table->setColumnWidth(loginColumn, 180);
    table->horizontalHeader()->setSectionResizeMode(loginColumn, QHeaderView::Stretch);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setShowGrid(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(table, &QWidget::customContextMenuRequested, this, &MainWindow::tableWidgetContextMenu);
}

void MainWindow::setUpGenerator()
{
    ui->checkBox->setChecked(true);
    ui->checkBox_2->setChecked(true);
    ui->checkBox_3->setChecked(true);
    ui->lineEdit_2->setText(QStringLiteral("10"));
    ui->lineEdit_2->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("^[0-9]{1,100}")), this));
    ui->label->setBuddy(ui->lineEdit_2);
    ui->lineEdit_2->setAccessibleName(tr("Password length"));
    ui->lineEdit->setAccessibleName(tr("Generated password"));
}

void MainWindow::setUpSearch()
{
    ui->label_3->setBuddy(ui->lineEdit_4);
    ui->lineEdit_4->setAccessibleName(tr("Find domain"));
    connect(ui->lineEdit_4, &QLineEdit::returnPressed, this, &MainWindow::on_pushButton_2_clicked);
}

void MainWindow::setUpCreditLine()
{
    ui->label_2->setOpenExternalLinks(true);
    ui->label_2->setText(tr("By <a href=\"https://example.org/pm\">the PM team</a>, mail:"));
    QPalette palette;
    const QColor background = ui->lineEdit_3->parentWidget()->palette().color(QPalette::Window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    ui->lineEdit_3->setPalette(palette);
    ui->lineEdit_3->setText(QStringLiteral("pm@example.org"));
}

int MainWindow::actionRow() const
{
    // With several rows selected every action works on one whole row.
    QSet<int> selectedRows;
    for (const QTableWidgetItem *item : ui->tableWidget->selectedItems())
        selectedRows.insert(item->row());
    if (selectedRows.isEmpty())
        return -1;
    const int current = ui->tableWidget->currentRow();
    if (selectedRows.contains(current))
        return current;
    return *std::min_element(selectedRows.cbegin(), selectedRows.cend());
}

qint64 MainWindow::entryIdAt(int row) const
{
    const QTableWidgetItem *item = ui->tableWidget->item(row, idColumn);
    return item ? item->data(Qt::UserRole).toLongLong() : -1;
}

QString MainWindow::cellText(int row, int column) const
{
    const QTableWidgetItem *item = ui->tableWidget->item(row, column);
    return item ? item->text() : QString();
}

void MainWindow::addMenuAction(QMenu *menu, const QString &text, void (MainWindow::*slot)())
{
    auto *action = new QAction(text, menu);
    connect(action, &QAction::triggered, this, slot);
    menu->addAction(action);
}
