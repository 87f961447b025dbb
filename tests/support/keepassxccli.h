#ifndef PM_KEEPASSXCCLI_H
#define PM_KEEPASSXCCLI_H

#include "formats/csvtable.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QVector>

// KeePassXC's command-line tool, the independent peer the KeePass formats
// are checked against, on databases in the working directory whose password
// is "pw". A run that fails ends the test program: nothing can be checked
// after it.
class KeePassXcCli
{
public:
    // Standard output; passwords go in on standard input, a line each.
    static QByteArray run(const QStringList &arguments, const QByteArray &input = "pw\n")
    {
        QProcess process;
        process.start(PM_KEEPASSXC_CLI, QStringList{arguments.first(), "-q"} + arguments.mid(1));
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            qFatal("keepassxc-cli %s: %s", qPrintable(arguments.join(' ')), process.readAllStandardError().constData());
        return process.readAllStandardOutput();
    }

    static void import(const QByteArray &xml, const QString &database)
    {
        QFile file("import.xml");
        if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size())
            qFatal("cannot write import.xml");
        file.close();
        run({"import", "-p", "import.xml", database}, "pw\npw\n");
    }

    // Each row of its CSV export, the fields under their columns' names.
    static QVector<QHash<QString, QString>> exportCsv(const QString &database)
    {
        QVector<CsvTable::Record> records;
        QString error;
        if (!CsvTable::parse(run({"export", "-f", "csv", database}), &records, &error))
            qFatal("keepassxc-cli export -f csv: %s", qPrintable(error));
        QVector<QHash<QString, QString>> rows;
        for (const CsvTable::Record &record : records.mid(1)) {
            QHash<QString, QString> row;
            for (int i = 0; i < record.fields.size(); ++i)
                row.insert(records.first().fields.value(i), record.fields.at(i));
            rows << row;
        }
        return rows;
    }
};

#endif // PM_KEEPASSXCCLI_H
