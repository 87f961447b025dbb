#ifndef PM_SQLERRORTEXT_H
#define PM_SQLERRORTEXT_H

#include <QString>

class QSqlError;

// What went wrong, in SQLite's own words where it gave any, for a message.
QString sqlErrorText(const QSqlError &error);

#endif // PM_SQLERRORTEXT_H
