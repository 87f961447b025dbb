// A SQL error as the text a message gives.

#include "vault/sqlerrortext.h"

#include <QSqlError>

QString sqlErrorText(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}
