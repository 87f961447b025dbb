// The export and the import of many entries in every format, run as a user
// runs passwordmanager-vault: each format's time as a ratio to csv's in the
// same run, csv's beside an earlier build of the tool where one is given,
// and the peak memory of each run; then the peak memory of imports of
// endless input, which are refused as soon as they are seen.
//
// Usage: bench_formats [--baseline TOOL] [entries]   (default 100000)

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

extern char **environ;

namespace {

constexpr int defaultEntries = 100000;
constexpr int repetitions = 3;
const QByteArray masterPassword = "bench master password";

[[noreturn]] void fail(const QString &what)
{
    Bench::fail(qPrintable(what));
}

// Wall-clock time, and the processor time the tool took, which other work
// on the machine hardly changes.
struct Run
{
    double seconds;
    double cpuSeconds;
    long peakKibibytes;
    int status;
};

// The tool as its own process, the master password on its standard input,
// its standard error kept in err.txt.
Run runTool(const QString &tool, const QStringList &arguments)
{
    std::vector<QByteArray> words{QFile::encodeName(tool), "--password-stdin"};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int input[2];
    if (::pipe(input) != 0)
        fail("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        fail("cannot start " + tool);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    const QByteArray line = masterPassword + '\n';
    if (::write(input[1], line.constData(), size_t(line.size())) != line.size())
        fail("cannot give the master password");
    ::close(input[1]);
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child)
        fail("lost the tool");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {seconds, cpuSeconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
}

// The median run of several, each on a vault copied afresh.
Run medianRun(const QString &tool, const QString &vault, const QStringList &arguments)
{
    std::vector<Run> runs;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        QFile::remove("target.db");
        QFile::remove("out");
        if (!QFile::copy(vault, "target.db"))
            fail("cannot copy " + vault);
        runs.push_back(runTool(tool, QStringList{"--vault", "target.db"} + arguments));
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run &one, const Run &other) { return one.cpuSeconds < other.cpuSeconds; });
    return runs[repetitions / 2];
}

struct Fields
{
    QString domain, login, password, note;
};

// As Bench::createVault stores them.
Fields entryFields(int number)
{
    return {QStringLiteral("site%1.example.org").arg(number, 6, 10, QLatin1Char('0')),
            QStringLiteral("user%1").arg(number), QStringLiteral("Pw-%1-x7!q").arg(number * 7919),
            QStringLiteral("Note for entry %1").arg(number)};
}

void makeVault(const QString &name, int entries)
{
    Bench::createVault(entries, QString::fromUtf8(masterPassword));
    if (!QFile::rename("db.db", name))
        fail("cannot name " + name);
}

QByteArray quoted(const QString &text)
{
    return '"' + text.toUtf8().replace('"', "\"\"") + '"';
}

// The same entries as KeePassXC and Firefox write them.
void writePeerFiles(int entries)
{
    QFile keepassxc("in.keepassxc-csv");
    QFile firefox("in.firefox-csv");
    if (!keepassxc.open(QIODevice::WriteOnly) || !firefox.open(QIODevice::WriteOnly))
        fail("cannot write the peers' files");
    keepassxc.write("\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
                    "\"Last Modified\",\"Created\"\n");
    firefox.write("\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\",\"timeCreated\","
                  "\"timeLastUsed\",\"timePasswordChanged\"");
    for (int number = 0; number < entries; ++number) {
        const Fields fields = entryFields(number);
        const QByteArray url = quoted("https://" + fields.domain);
        keepassxc.write("\"Root\"," + quoted(fields.domain) + ',' + quoted(fields.login) + ',' + quoted(fields.password)
                        + ',' + url + ',' + quoted(fields.note)
                        + ",\"\",\"0\",\"2026-12-07T09:15:12Z\",\"2026-12-07T09:15:12Z\"\n");
        firefox.write("\r\n" + url + ',' + quoted(fields.login) + ',' + quoted(fields.password) + ",," + url + ','
                      + quoted(QStringLiteral("{%1}").arg(number)) + ",\"1661675233273\",\"1661675233273\","
                      + "\"1661675233273\"");
    }
}

void writeRepeated(const QString &name, char byte, int mebibytes, const QByteArray &end)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        fail("cannot write " + name);
    for (int count = 0; count < mebibytes; ++count)
        file.write(QByteArray(1 << 20, byte));
    file.write(end);
}

QString cpuName()
{
    QFile cpuinfo("/proc/cpuinfo");
    cpuinfo.open(QIODevice::ReadOnly);
    for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
        if (line.startsWith("model name"))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    }
    return QStringLiteral("unknown");
}

void printRun(const char *label, const Run &run, double csvCpuSeconds)
{
    if (run.status != 0) {
        QFile err("err.txt");
        err.open(QIODevice::ReadOnly);
        std::printf("  %-14s exit %d: %s", label, run.status, err.readAll().constData());
        return;
    }
    std::printf("  %-14s %6.2f s  processor %6.2f s  %5.2f x csv  peak %4ld MiB\n", label, run.seconds, run.cpuSeconds,
                run.cpuSeconds / csvCpuSeconds, run.peakKibibytes / 1024);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QString baseline;
    if (arguments.value(0) == QLatin1String("--baseline")) {
        baseline = QFileInfo(arguments.value(1)).absoluteFilePath();
        arguments = arguments.mid(2);
    }
    const int entries = arguments.isEmpty() ? defaultEntries : arguments.first().toInt();
    if (entries < 1)
        fail("the number of entries must be a positive integer");
    const QString tool = QStringLiteral(PM_VAULT_TOOL);
    QTemporaryDir directory;
    if (!directory.isValid() || !QDir::setCurrent(directory.path()))
        fail("cannot enter a temporary directory");

    std::printf("CPU: %s\nentries: %d, the median of %d runs of each by processor time; ratios of processor "
                "time\n",
                qPrintable(cpuName()), entries, repetitions);
    makeVault("full.db", entries);
    makeVault("empty.db", 0);
    writePeerFiles(entries);

    const QStringList written{"csv", "keepass-xml", "bitwarden-csv", "chrome-csv"};
    double csvExport = 0;
    std::printf("export\n");
    for (const QString &format : written) {
        const Run run = medianRun(tool, "full.db", {"export", "--format", format, "--output", "out"});
        csvExport = csvExport > 0 ? csvExport : run.cpuSeconds;
        printRun(qPrintable(format), run, csvExport);
        QFile::rename("out", "in." + format);
    }
    double csvImport = 0;
    std::printf("import\n");
    for (const QString &format : written + QStringList{"keepassxc-csv", "firefox-csv"}) {
        if (!QFile::exists("in." + format))
            continue;
        const Run run = medianRun(tool, "empty.db", {"import", "--format", format, "in." + format});
        csvImport = csvImport > 0 ? csvImport : run.cpuSeconds;
        printRun(qPrintable(format), run, csvImport);
    }
    if (!baseline.isEmpty()) {
        std::printf("csv by %s\n", qPrintable(baseline));
        printRun("export", medianRun(baseline, "full.db", {"export", "--output", "out"}), csvExport);
        printRun("import", medianRun(baseline, "empty.db", {"import", "in.csv"}), csvImport);
    }

    std::printf("endless input, refused (peak memory of one run)\n");
    writeRepeated("commas", ',', 50, QByteArray());
    writeRepeated("blank-lines", '\n', 50, "x");
    for (const char *file : {"/dev/zero", "commas", "blank-lines"}) {
        const Run run = runTool(tool, {"--vault", "empty.db", "import", QString::fromLatin1(file)});
        std::printf("  %-14s exit %d  %6.2f s  peak %4ld MiB\n", file, run.status, run.seconds,
                    run.peakKibibytes / 1024);
    }
    return 0;
}
