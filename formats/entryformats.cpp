// The formats by their --format names, and a reader or writer for each.

#include "formats/entryformats.h"

#include "formats/bitwardencsvreader.h"
#include "formats/bitwardencsvwriter.h"
#include "formats/chromecsvreader.h"
#include "formats/chromecsvwriter.h"
#include "formats/detectingreader.h"
#include "formats/firefoxcsvreader.h"
#include "formats/keepassxccsvreader.h"
#include "formats/keepassxmlreader.h"
#include "formats/keepassxmlwriter.h"
#include "formats/vaultcsvreader.h"
#include "formats/vaultcsvwriter.h"

const QString EntryFormats::automatic = QStringLiteral("auto");
const QString EntryFormats::keepassXml = QStringLiteral("keepass-xml");

QStringList EntryFormats::readable()
{
    QStringList names{QStringLiteral("csv"), keepassXml};
    for (const auto &reader : csvReaders()) {
        if (!names.contains(reader->name()))
            names << reader->name();
    }
    return names;
}

QStringList EntryFormats::writable()
{
    return {QStringLiteral("csv"), keepassXml, QStringLiteral("bitwarden-csv"), QStringLiteral("chrome-csv")};
}

std::unique_ptr<EntryReader> EntryFormats::reader(const QString &name)
{
    if (name == automatic)
        return std::make_unique<DetectingReader>();
    if (name == keepassXml)
        return std::make_unique<KeePassXmlReader>();
    for (auto &reader : csvReaders()) {
        if (reader->name() == name)
            return std::move(reader);
    }
    return nullptr;
}

std::unique_ptr<EntryWriter> EntryFormats::writer(const QString &name)
{
    if (name == keepassXml)
        return std::make_unique<KeePassXmlWriter>();
    if (name == QLatin1String("csv"))
        return std::make_unique<VaultCsvWriter>();
    if (name == QLatin1String("bitwarden-csv"))
        return std::make_unique<BitwardenCsvWriter>();
    if (name == QLatin1String("chrome-csv"))
        return std::make_unique<ChromeCsvWriter>();
    return nullptr;
}

std::vector<std::unique_ptr<CsvEntryReader>> EntryFormats::csvReaders()
{
    std::vector<std::unique_ptr<CsvEntryReader>> readers;
    readers.push_back(std::make_unique<VaultCsvReader>());
    readers.push_back(std::make_unique<KeePassXcCsvReader>());
    readers.push_back(std::make_unique<BitwardenCsvReader>());
    readers.push_back(std::make_unique<ChromeCsvReader>());
    readers.push_back(std::make_unique<FirefoxCsvReader>());
    return readers;
}
