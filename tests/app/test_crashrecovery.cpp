// The real program killed in the middle of editing: the next start offers the unsaved work, and
// Recover then Save gives the database the user had. Runs under a real X server and window
// manager, driven by keys as a user types them.
#include <csignal>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "recovery/recoveryfile.h"
#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// xdotool, bounded in time: a window that never comes fails the test instead of hanging it.
bool xdotool(const QStringList &args, QString *out = nullptr)
{
    QProcess p;
    p.start(u"timeout"_s, QStringList { u"60"_s, u"xdotool"_s } + args);
    if (!p.waitForFinished(70000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
    return true;
}

// Brings the first window whose title matches up and gives it the keyboard.
bool activate(const QString &titlePattern)
{
    QString id;
    return xdotool({ u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--name"_s, titlePattern }, &id)
        && !id.isEmpty() && xdotool({ u"windowactivate"_s, u"--sync"_s, id });
}

bool keys(const QString &keys)
{
    return xdotool({ u"key"_s, u"--clearmodifiers"_s, keys });
}

// Waits, on the folder's change notices, until done() holds; false after a minute.
bool waitInFolder(const QString &folder, const std::function<bool()> &done)
{
    QFileSystemWatcher watcher({ folder });
    QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
    const QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        changed.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

QStringList namesIn(const QByteArray &database)
{
    RecordStore s;
    if (!DataFile::readDatabaseBytes(database, s, false).ok())
        return { u"(does not read)"_s };
    QStringList names;
    for (int i = 0; i < s.count(); ++i)
        names << s.at(i).name();
    return names;
}

} // namespace

class TestCrashRecovery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedProgramsWorkIsRecovered();
};

void TestCrashRecovery::killedProgramsWorkIsRecovered()
{
    QTemporaryDir home;
    const QString config = home.filePath(u"config"_s);
    const QString recovery = home.filePath(u"data/Larkspur/recovery"_s);
    QVERIFY(QDir().mkpath(config));
    QVERIFY(QDir().mkpath(recovery));
    // Unsaved work is written within a second: the interval is the user's setting.
    QFile ini(config + u"/Larkspur.ini"_s);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[SETTINGS]\r\nRECOVERY INTERVAL=1\r\n");
    ini.close();

    RecordStore s;
    for (const QString &name : { u"Grandfather clock"_s, u"Silver teapot"_s, u"Oak desk"_s }) {
        ItemRecord r;
        r.setName(name);
        s.append(r);
    }
    const QString db = home.filePath(u"house.dat"_s);
    QVERIFY(DataFile::writeDatabase(db, s).ok);
    const QByteArray original = bytesOf(db);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, config);
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));

    // First run: a new record (Ctrl+N), then the program is killed before any save.
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(LARKSPUR_PROGRAM_PATH), { db });
    QVERIFY(first.waitForStarted());
    QVERIFY(activate(u"house\\.dat"_s));
    QVERIFY(keys(u"ctrl+n"_s));
    QByteArray had; // what the user had when the program died, as its recovery file holds it
    QVERIFY(waitInFolder(recovery, [&] {
        const QStringList files = QDir(recovery).entryList({ u"*.recovery"_s }, QDir::Files);
        if (files.size() != 1)
            return false;
        const Recovery::ReadResult r = Recovery::read(QDir(recovery).filePath(files[0]));
        if (!r.ok || namesIn(r.snapshot.database).size() != 4)
            return false;
        had = r.snapshot.database;
        return r.snapshot.databasePath == db;
    }));
    first.kill(); // SIGKILL: nothing of the program runs any more
    QVERIFY(first.waitForFinished());
    QCOMPARE(first.exitStatus(), QProcess::CrashExit);
    QCOMPARE(bytesOf(db), original);

    // Second run: the offer comes up first; Enter takes its first button, Recover; Ctrl+S
    // saves to the file the work belongs to; Ctrl+Q then No leaves normally.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(LARKSPUR_PROGRAM_PATH), QStringList());
    QVERIFY(second.waitForStarted());
    QVERIFY(activate(u"^Larkspur Cataloguer$"_s));
    QVERIFY(keys(u"Return"_s));
    QVERIFY(activate(u"house\\.dat \\*$"_s)); // unsaved, as the title says
    QVERIFY(keys(u"ctrl+s"_s));
    QVERIFY(waitInFolder(home.path(), [&] { return bytesOf(db) == had; }));
    const QStringList names = namesIn(bytesOf(db));
    QCOMPARE(names.size(), 4);
    QCOMPARE(names.mid(0, 3),
        (QStringList { u"Grandfather clock"_s, u"Silver teapot"_s, u"Oak desk"_s }));
    QVERIFY(keys(u"ctrl+q"_s));
    QVERIFY(activate(u"^Larkspur Cataloguer$"_s));
    QVERIFY(keys(u"alt+n"_s));
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    // A normal exit leaves nothing to recover.
    QCOMPARE(QDir(recovery).entryList({ u"*.recovery"_s }, QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestCrashRecovery)
#include "test_crashrecovery.moc"
