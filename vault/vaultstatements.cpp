// The text of every SQL statement the program runs.

#include "vault/vaultstatements.h"

QString VaultStatements::createDataTable()
{
    return QStringLiteral("CREATE TABLE Data (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                          "domain VARCHAR (100), login VARCHAR (100), pass VARCHAR (100), "
                          "info VARCHAR (600));");
}

QString VaultStatements::createSPassTable()
{
    return QStringLiteral("CREATE TABLE SPass (pass VARCHAR (100));");
}

QString VaultStatements::selectEntryList()
{
    return QStringLiteral("SELECT `id`,`domain`,`login` FROM `Data` ORDER BY `domain` ");
}

QString VaultStatements::selectEntry(qint64 id)
{
    return QStringLiteral("SELECT `domain`,`login`,`pass`,`info` FROM `Data` WHERE `id` = ") + idText(id);
}

QString VaultStatements::selectEntryPass(qint64 id)
{
    return QStringLiteral("SELECT `pass` FROM `Data` WHERE `id` = ") + idText(id);
}

QString VaultStatements::selectStoredEntries()
{
    return QStringLiteral("SELECT `id`,`domain`,`login`,`pass`,`info`,`rowid` FROM `Data` ORDER BY `domain`");
}

QString VaultStatements::selectSealedEntries()
{
    return QStringLiteral("SELECT `id`,`pass`,`info`,`rowid` FROM `Data` ORDER BY `rowid`");
}

QString VaultStatements::selectSealedValues(qint64 rowid)
{
    return QStringLiteral("SELECT `pass`,`info` FROM `Data` WHERE `rowid` = ") + idText(rowid);
}

QString VaultStatements::updateSealedValues(const QString &pass, const QString &info, qint64 rowid)
{
    return QStringLiteral("UPDATE `Data` SET `pass` = '") + literalBody(pass) + QStringLiteral("',`info` = '")
        + literalBody(info) + QStringLiteral("' WHERE `rowid` = ") + idText(rowid);
}

QString VaultStatements::deleteEntry(qint64 id)
{
    return QStringLiteral("DELETE FROM `Data` WHERE `id` = ") + idText(id);
}

QString VaultStatements::insertEntry(const QString &domain, const QString &login, const QString &pass,
                                     const QString &info)
{
    return QStringLiteral("INSERT INTO `Data`(`domain`,`login`,`pass`,`info`) VALUES ('") + literalBody(domain)
        + QStringLiteral("','") + literalBody(login) + QStringLiteral("','") + literalBody(pass) + QStringLiteral("','")
        + literalBody(info) + QStringLiteral("')");
}

QString VaultStatements::updateEntry(const QString &domain, const QString &login, const QString &pass,
                                     const QString &info, qint64 id)
{
    return QStringLiteral("UPDATE `Data` SET `domain` = '") + literalBody(domain) + QStringLiteral("',`login` = '")
        + literalBody(login) + QStringLiteral("' ,`pass` = '") + literalBody(pass) + QStringLiteral("',`info` = '")
        + literalBody(info) + QStringLiteral("' where `id` = ") + idText(id);
}

QString VaultStatements::countCheckValues()
{
    return QStringLiteral("SELECT count(`pass`) FROM `SPass`");
}

QString VaultStatements::selectCheckValue()
{
    return QStringLiteral("SELECT count(`pass`)cnt, `pass` FROM `SPass`");
}

QString VaultStatements::insertCheckValue(const QString &checkValue)
{
    return QStringLiteral("INSERT INTO `SPass`(`pass`) VALUES ('") + literalBody(checkValue) + QStringLiteral("')");
}

QString VaultStatements::updateCheckValue(const QString &checkValue)
{
    return QStringLiteral("UPDATE `SPass` SET `pass` = '") + literalBody(checkValue) + QStringLiteral("'");
}

QString VaultStatements::checkIntegrity()
{
    return QStringLiteral("PRAGMA integrity_check");
}

QString VaultStatements::selectSchemaObjects()
{
    return QStringLiteral("SELECT `type`,`name` FROM `sqlite_master`");
}

QString VaultStatements::selectColumnNames(const QString &table)
{
    return QStringLiteral("SELECT `name` FROM pragma_table_xinfo('") + literalBody(table) + QStringLiteral("')");
}

QString VaultStatements::literalBody(const QString &text)
{
    QString body = text;
    return body.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString VaultStatements::idText(qint64 id)
{
    return QString::number(id);
}
