// Opening an entry whose note is one very long line in the entry dialog:
// loading it and showing the dialog until the note is laid out, then saving
// it back unchanged. The note must come back byte for byte.

#include "benchsupport.h"
#include "crypto/aescipher.h"
#include "dialogs/datadialog.h"
#include "vault/storedsecret.h"
#include "vault/vaultstatements.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using namespace Bench;

namespace {

constexpr int repetitions = 3;
const QString masterKey = QStringLiteral("00112233445566778899aabbccddeeff");

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Hexadecimal digits give a line breaking rules find no place to break.
QByteArray hexLine(int bytes)
{
    std::mt19937 random(20240601);
    QByteArray raw(bytes / 2, '\0');
    for (char &byte : raw)
        byte = static_cast<char>(random());
    return raw.toHex();
}

QByteArray wordsLine(int bytes)
{
    QByteArray line;
    line.reserve(bytes);
    while (line.size() < bytes)
        line += "lorem ipsum dolor sit amet ";
    return line.left(bytes);
}

QByteArray storedInfo(qint64 id)
{
    QSqlQuery query;
    if (!query.exec(VaultStatements::selectEntry(id)) || !query.next())
        fail("cannot read the stored note");
    return query.value(3).toByteArray();
}

void measure(const char *label, const QByteArray &note)
{
    AesCipher cipher;
    const QByteArray key = cipher.keyFromHex(masterKey);
    QSqlQuery query;
    if (!query.exec(VaultStatements::insertEntry(QStringLiteral("example.org"), QStringLiteral("login"),
                                                 StoredSecret::seal("pass", key), StoredSecret::seal(note, key))))
        fail("cannot store the entry");
    const qint64 id = query.lastInsertId().toLongLong();
    const QByteArray stored = storedInfo(id);

    std::vector<double> openTimes;
    std::vector<double> saveTimes;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        DataDialog dialog;
        dialog.setKey(masterKey);
        auto *infoEdit = dialog.findChild<QPlainTextEdit *>(QStringLiteral("infoEdit"));
        const auto opening = std::chrono::steady_clock::now();
        dialog.reset(true);
        dialog.loadEntry(QString::number(id));
        dialog.show();
        QApplication::processEvents();
        if (infoEdit->document()->firstBlock().layout()->lineCount() == 0)
            fail("the note was not laid out");
        openTimes.push_back(secondsSince(opening));
        if (infoEdit->toPlainText().toUtf8() != note)
            fail("the note shown is not the note stored");

        const auto saving = std::chrono::steady_clock::now();
        dialog.findChild<QPushButton *>(QStringLiteral("saveButton"))->click();
        saveTimes.push_back(secondsSince(saving));
        if (!dialog.findChild<QLabel *>(QStringLiteral("statusLabel"))->text().contains("Successful")
            || storedInfo(id) != stored)
            fail("the note was not saved back byte for byte");
    }
    std::sort(openTimes.begin(), openTimes.end());
    std::sort(saveTimes.begin(), saveTimes.end());
    std::printf("%-32s open %7.2f s   save %6.2f s   (median of %d)\n", label, openTimes[repetitions / 2],
                saveTimes[repetitions / 2], repetitions);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    QTemporaryDir directory;
    if (!directory.isValid() || !QDir::setCurrent(directory.path()))
        fail("cannot enter a temporary directory");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral("db.db"));
    QSqlQuery schema(db);
    if (!db.open() || !schema.exec(VaultStatements::createDataTable()))
        fail("cannot create the vault");

    constexpr int megabyte = 1 << 20;
    measure("1 MB, one line of hex digits", hexLine(megabyte));
    measure("10 MB, one line of hex digits", hexLine(10 * megabyte));
    measure("1 MB, one line of words", wordsLine(megabyte));
    return 0;
}
