// What the vault file holds reaches the screen through these steps: Base64
// text, decryption under whatever key, then the password's, the note's or a
// name's decoding. None may fail on any input, and any text the program
// seals must open to the very same text.

#include "vault/storednames.h"
#include "vault/storedsecret.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Text stored again, as Edit does, must read back as the text shown.
void checkStoresBackUnchanged(const QString &text, const QByteArray &key)
{
    check(StoredSecret::infoText(StoredSecret::bytesOf(text)) == text);
    const QByteArray sealed = StoredSecret::seal(StoredSecret::bytesOf(text), key).toLatin1();
    const QByteArray opened = StoredSecret::open(sealed, key);
    check(StoredSecret::infoText(opened) == text);
    if (!text.contains(QChar(0)))
        check(StoredSecret::passText(opened) == text);
}

// A name stored as text of these very bytes, read back as the list reads it.
QString nameStoredAsText(const QByteArray &bytes)
{
    static const QSqlDatabase db = [] {
        QSqlDatabase memory = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        memory.setDatabaseName(QStringLiteral(":memory:"));
        check(memory.open());
        StoredNames::keepStoredText(memory);
        return memory;
    }();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT CAST(? AS TEXT)"));
    query.addBindValue(bytes);
    check(query.exec() && query.next());
    return StoredNames::text(query, 0);
}

} // namespace

// The SQL driver comes as a plugin, which only an application object loads.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

// The first byte splits the rest into a key and a stored value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned selector = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    const QByteArray key = rest.left(static_cast<int>(selector % 40));
    const QByteArray stored = rest.mid(key.size());

    const QByteArray plain = StoredSecret::open(stored, key);
    const QString pass = StoredSecret::passText(plain);
    const QString info = StoredSecret::infoText(plain);
    check(!pass.contains(QChar(0)));
    const QString name = nameStoredAsText(stored);
    check(name == StoredSecret::infoText(stored));

    QByteArray sealingKey = rest.left(16);
    sealingKey.append(16 - sealingKey.size(), '\x5a');
    checkStoresBackUnchanged(info, sealingKey);
    checkStoresBackUnchanged(name, sealingKey);
    checkStoresBackUnchanged(QString::fromUtf8(rest), sealingKey);
    return 0;
}
