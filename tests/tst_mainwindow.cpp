#include "mainwindow/mainwindow.h"

#include "modaldriver.h"
#include "testmain.h"
#include "workingdirectory.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <sys/stat.h>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartCreatesBothTablesDataFirst();
    void existingEmptyFileGetsNoTables();
    void unopenableVaultShowsOneErrorAndAnEmptyWindow();
    void newVaultFileIsReadableByItsOwnerOnly_data();
    void newVaultFileIsReadableByItsOwnerOnly();
    void existingVaultKeepsItsMode();

private:
    static QStringList tableNamesInCreationOrder();
    static int fileMode(const QString &path);

    std::unique_ptr<WorkingDirectory> workDir;
};

void TestMainWindow::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    QVERIFY(workDir->isValid());
}

void TestMainWindow::cleanup()
{
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    workDir.reset();
}

void TestMainWindow::firstStartCreatesBothTablesDataFirst()
{
    QVERIFY(!QFile::exists("db.db"));
    {
        MainWindow window;
    }
    QVERIFY(QFile::exists("db.db"));
    const QStringList tables = tableNamesInCreationOrder();
    QVERIFY(tables.contains("Data"));
    QVERIFY(tables.contains("SPass"));
    QVERIFY(tables.indexOf("Data") < tables.indexOf("SPass"));
}

void TestMainWindow::existingEmptyFileGetsNoTables()
{
    QFile file("db.db");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    {
        ModalDriver driver;
        MainWindow window;
        QVERIFY(driver.unexpectedModals().isEmpty());
    }
    QCOMPARE(tableNamesInCreationOrder(), QStringList());
}

void TestMainWindow::unopenableVaultShowsOneErrorAndAnEmptyWindow()
{
    QVERIFY(QDir().mkdir("db.db"));

    ModalDriver driver;
    QStringList shown;
    driver.then([&](QWidget *modal) {
        shown << ModalDriver::textOf(modal);
        modal->close();
    });
    MainWindow window;
    QVERIFY(driver.allStepsRan());
    QCOMPARE(shown, QStringList("Error Connect to DataBasse"));
    QVERIFY(driver.unexpectedModals().isEmpty());
    QVERIFY(window.windowTitle() != "Password Manager v 1.1");
    QVERIFY(!window.findChild<QWidget *>("centralwidget"));

    // Closing the empty window ends the program normally.
    window.show();
    QTimer::singleShot(0, &window, &QWidget::close);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(driver.unexpectedModals().isEmpty());
}

void TestMainWindow::newVaultFileIsReadableByItsOwnerOnly_data()
{
    QTest::addColumn<int>("umask");
    QTest::newRow("permissive umask") << 0;
    QTest::newRow("usual umask") << 022;
}

void TestMainWindow::newVaultFileIsReadableByItsOwnerOnly()
{
    QFETCH(int, umask);
    const mode_t previous = ::umask(static_cast<mode_t>(umask));
    {
        MainWindow window;
    }
    ::umask(previous);
    QCOMPARE(fileMode("db.db"), 0600);
}

void TestMainWindow::existingVaultKeepsItsMode()
{
    QFile file("db.db");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(::chmod("db.db", 0640) == 0);
    {
        MainWindow window;
    }
    QCOMPARE(fileMode("db.db"), 0640);
}

QStringList TestMainWindow::tableNamesInCreationOrder()
{
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "inspect");
        db.setDatabaseName("db.db");
        if (db.open()) {
            QSqlQuery query(db);
            query.exec("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
            while (query.next())
                names << query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase("inspect");
    names.removeAll("sqlite_sequence");
    return names;
}

int TestMainWindow::fileMode(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}

PM_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
