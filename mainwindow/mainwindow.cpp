// The window: the vault opened at start, the list, the search, the generator and the context menu.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "accessibility/accessiblenotification.h"
#include "crypto/aescipher.h"
#include "dialogs/enterdialog.h"
#include "generator/passwordgenerator.h"
#include "vault/sqlerrortext.h"
#include "vault/storednames.h"
#include "vault/storedsecret.h"
#include "vault/vaultfile.h"
#include "vault/vaultlock.h"
#include "vault/vaultstatements.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegExpValidator>
#include <QSet>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>
#include <QStatusBar>

#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace {
constexpr int rowHeight = 20;
constexpr int idColumn = 0;
constexpr int domainColumn = 1;
constexpr int loginColumn = 2;
constexpr int columnCount = 3;

// How many rows each numeric id names: SQLite finds a row of id 2.0 by the
// id 2, and never one whose id is text.
QHash<double, int> rowsPerId(const std::vector<QVariant> &ids)
{
    QHash<double, int> rows;
    for (const QVariant &id : ids) {
        if (id.type() == QVariant::LongLong || id.type() == QVariant::Double)
            ++rows[id.toDouble()];
    }
    return rows;
}
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

    // Held as long as the window lives, so that passwordmanager-vault cannot
    // change the master password under the key the window works with; taken
    // before the gate reads the check value, it waits for a change under way.
    if (!openVault() || !(new VaultLock(this))->lockShared(db, nullptr)) {
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
    std::vector<QVariant> ids;
    while (query.next()) {
        ids.push_back(query.value(VaultStatements::ListId));
        cells.push_back(ids.back().toString());
        cells.push_back(StoredNames::text(query, VaultStatements::ListDomain));
        cells.push_back(StoredNames::text(query, VaultStatements::ListLogin));
    }
    if (query.lastError().isValid()) {
        reportFailure(tr("The entries could not be read"), query.lastError());
        return;
    }
    showStatusMessage(QString());

    QTableWidget *table = ui->tableWidget;
    table->clearContents();
    table->setRowCount(0);
    // Rows appended one at a time cost the model and both headers a round
    // of notifications each; all of them at once cost one.
    const int rows = static_cast<int>(ids.size());
    const QHash<double, int> idRows = rowsPerId(ids);
    table->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        table->setRowHeight(row, rowHeight);
        for (int column = 0; column < columnCount; ++column) {
            auto *item = new QTableWidgetItem(cells[static_cast<std::size_t>(row * columnCount + column)]);
            if (column == idColumn) {
                // Only a whole number that no other row has names this row
                // alone: statements are built from it.
                const QVariant &id = ids[static_cast<std::size_t>(row)];
                if (id.type() == QVariant::LongLong && idRows.value(id.toDouble()) == 1)
                    item->setData(Qt::UserRole, id);
            }
            table->setItem(row, column, item);
        }
    }
}

void MainWindow::on_pushButton_clicked()
{
    const bool useNumber = ui->checkBox->isChecked();
    const bool useChar = ui->checkBox_2->isChecked();
    const bool useUpperChar = ui->checkBox_3->isChecked();
    const bool useSpecialChar = ui->checkBox_4->isChecked();
    const int length = ui->lineEdit_2->text().toInt();
    PasswordGenerator generator(useNumber, useChar, useSpecialChar, useUpperChar, length);
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
    // Whatever was copied before must not be pasted as this password.
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    const std::optional<qint64> id = entryIdAt(row);
    if (!id)
        return;
    QSqlQuery query;
    const bool found = query.exec(VaultStatements::selectEntryPass(*id)) && query.next();
    if (query.lastError().isValid()) {
        reportFailure(tr("The password could not be read"), query.lastError());
        return;
    }
    const QByteArray stored = found ? query.value(0).toByteArray() : QByteArray();
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(masterKey);
    auto *data = new QMimeData;
    data->setText(StoredSecret::passText(StoredSecret::open(stored, key)));
    // Asks clipboard managers not to keep the password in their history.
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    showStatusMessage(found ? tr("Password of %1 copied to the clipboard.").arg(cellText(row, domainColumn))
                            : tr("The entry is no longer in the vault: the clipboard was emptied."));
}

void MainWindow::cm_Edit()
{
    const int row = actionRow();
    if (row < 0)
        return;
    const std::optional<qint64> id = entryIdAt(row);
    if (!id)
        return;
    dataDialog.reset(true);
    dataDialog.loadEntry(QString::number(*id));
    dataDialog.exec();
    reloadTable();
}

void MainWindow::cm_Delete()
{
    const int row = actionRow();
    if (row >= 0) {
        const std::optional<qint64> id = entryIdAt(row);
        if (!id)
            return;
        QSqlQuery query;
        if (!query.exec(VaultStatements::deleteEntry(*id))) {
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
    if (row < 0)
        return;
    QGuiApplication::clipboard()->setText(cellText(row, loginColumn), QClipboard::Clipboard);
    showStatusMessage(tr("Login of %1 copied to the clipboard.").arg(cellText(row, domainColumn)));
}

void MainWindow::cm_CopyDomain()
{
    const int row = actionRow();
    if (row < 0)
        return;
    QGuiApplication::clipboard()->setText(cellText(row, domainColumn), QClipboard::Clipboard);
    showStatusMessage(tr("Domain copied to the clipboard."));
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
    // Whatever SQLite creates meanwhile, a new vault above all, only its
    // owner may read; the journals it makes later take the vault's mode. The
    // umask is given back: a browser started from the credit line inherits it.
    const mode_t previousUmask = ::umask(S_IRWXG | S_IRWXO);
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(VaultFile::name());
    bool opened = db.open();
    if (opened) {
        StoredNames::keepStoredText(db);
        opened = VaultFile::createMissingTables(db);
    }
    ::umask(previousUmask);
    return opened;
}

void MainWindow::reportFailure(const QString &what, const QSqlError &error)
{
    showStatusMessage(QStringLiteral("%1: %2.").arg(what, sqlErrorText(error)));
}

// Every message of the status bar goes through here, and so is heard once.
// It stays until the next one replaces it or a later success clears it:
// there are no timers.
void MainWindow::showStatusMessage(const QString &text)
{
    AccessibleNotification::announce(statusBar()->findChild<QLabel *>(), text);
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
    setUpStatusBar();
    setUpEntryTable();
    setUpButtons();
    setUpGenerator();
    setUpSearch();
    reloadTable();
    setUpCreditLine();
}

void MainWindow::setUpStatusBar()
{
    // A label rather than the bar's own message, which screen readers cannot
    // be made to announce. Plain text: names typed by the user appear in it.
    auto *message = new QLabel;
    AccessibleNotification::attachTo(message);
    message->setTextFormat(Qt::PlainText);
    // The text sits where the bar would draw a message of its own, and a
    // long one is cut off rather than widen the window.
    message->setContentsMargins(4, 0, 0, 1);
    message->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(message, 1);
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
    table->setAccessibleName(tr("Entries"));
    connect(table, &QWidget::customContextMenuRequested, this, &MainWindow::tableWidgetContextMenu);
    setUpEntryKeys();
}

// A cell edited in place would show and copy a text the vault never got.
// The list is read-only: opening a row edits the entry, Tab leaves the list,
// and Shift+F10 does what the Menu key does.
void MainWindow::setUpEntryKeys()
{
    QTableWidget *table = ui->tableWidget;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    connect(table, &QAbstractItemView::activated, this, &MainWindow::cm_Edit);
    new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), table, this, &MainWindow::openMenuAtCurrentCell,
                  Qt::WidgetShortcut);
}

void MainWindow::setUpButtons()
{
    // Enter presses the focused button, as Space does.
    for (QPushButton *button : ui->centralwidget->findChildren<QPushButton *>())
        button->setAutoDefault(true);
}

void MainWindow::setUpGenerator()
{
    ui->checkBox->setChecked(true);
    ui->checkBox_2->setChecked(true);
    ui->checkBox_3->setChecked(true);
    ui->lineEdit_2->setText(QStringLiteral("10"));
    ui->lineEdit_2->setValidator(new QRegExpValidator(QRegExp(QStringLiteral("^[0-9]{1,100}")), this));
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
    ui->lineEdit_3->setAccessibleName(tr("Contact address"));
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

std::optional<qint64> MainWindow::entryIdAt(int row)
{
    const QTableWidgetItem *item = ui->tableWidget->item(row, idColumn);
    const QVariant id = item ? item->data(Qt::UserRole) : QVariant();
    if (!id.isValid()) {
        showStatusMessage(tr("This entry cannot be changed or copied: its id is not a whole number of its own."));
        return std::nullopt;
    }
    return id.toLongLong();
}

QString MainWindow::cellText(int row, int column) const
{
    const QTableWidgetItem *item = ui->tableWidget->item(row, column);
    return item ? item->text() : QString();
}

void MainWindow::openMenuAtCurrentCell()
{
    QTableWidget *table = ui->tableWidget;
    tableWidgetContextMenu(table->visualRect(table->currentIndex()).center());
}

void MainWindow::addMenuAction(QMenu *menu, const QString &text, void (MainWindow::*slot)())
{
    auto *action = new QAction(text, menu);
    connect(action, &QAction::triggered, this, slot);
    menu->addAction(action);
}
