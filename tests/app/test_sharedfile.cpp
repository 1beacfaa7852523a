// The record window and a second program on one database file: the question when the file is
// open elsewhere, read-only opening, the check before a save, and the copy a stopped save kept.
#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "recordwindow/tview.h"
#include "store/datafile.h"
#include "store/filelock.h"
#include "store/safewrite.h"
#include "tests/support/apptest.h"
#include "tests/support/writefailures.h"

using Answer = Dialogs::Answer;
using namespace Qt::StringLiterals;

namespace {

QString writeDb(const QString &path, const QStringList &names)
{
    RecordStore s;
    for (const QString &n : names) {
        ItemRecord r;
        r.setName(n);
        s.append(r);
    }
    if (!DataFile::writeDatabase(path, s).ok)
        qFatal("cannot write fixture");
    return path;
}

QStringList namesIn(const QString &path)
{
    RecordStore s;
    QStringList names;
    if (DataFile::readDatabase(path, s, false).ok())
        for (int i = 0; i < s.count(); ++i)
            names.append(s.at(i).name());
    return names;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Another program holding a lock on the file, as a second window of the program does, until
// it is destroyed.
class OtherProgram
{
public:
    explicit OtherProgram(const QString &path)
    {
        m_process.start(u"flock"_s, { u"--shared"_s, path, u"-c"_s, u"echo held; exec cat"_s });
        // It says so once the lock is taken; it lets go when its input ends.
        m_held = m_process.waitForStarted() && m_process.waitForReadyRead(30000)
            && m_process.readAllStandardOutput() == "held\n";
    }
    ~OtherProgram()
    {
        m_process.closeWriteChannel();
        m_process.waitForFinished(30000);
    }
    bool held() const { return m_held; }

private:
    QProcess m_process;
    bool m_held = false;
};

QString openElsewhereText(const QString &path)
{
    return path
        + u" is open in another program.\n\nOpen it read-only, or open it anyway? Saving it then "
          "can overwrite what the other program saves, or be overwritten by it.|Open Read-Only|"
          "Open Anyway"_s;
}

void rename(TView &v, const QString &name)
{
    v.findChild<QLineEdit *>(u"RecordName"_s)->setText(name);
}

} // namespace

class TestSharedFile : public QObject
{
    Q_OBJECT
private slots:
    void openElsewhereAsks_data();
    void openElsewhereAsks();
    void saveChecksTheFileOnDisk_data();
    void saveChecksTheFileOnDisk();
    void damagedFileOffersTheKeptCopy();
};

void TestSharedFile::openElsewhereAsks_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::newRow("open read-only") << Answer::Yes;
    QTest::newRow("open anyway") << Answer::No;
    QTest::newRow("cancel") << Answer::Cancel;
}

void TestSharedFile::openElsewhereAsks()
{
    QFETCH(Answer, answer);
    AppTest t;
    const QString first = writeDb(t.path(u"first.dat"_s), { u"Desk"_s });
    const QString shared = writeDb(t.path(u"shared.dat"_s), { u"Lamp"_s });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(first);
    QVERIFY(v.OpenClick());

    OtherProgram other(shared);
    QVERIFY(other.held());
    t.dialogs.answer(Answer::Yes); // changes since the last save may be lost
    t.dialogs.file(shared);
    t.dialogs.answer(answer);
    QCOMPARE(v.OpenClick(), answer != Answer::Cancel);
    QVERIFY(t.dialogs.allUsed());
    const auto asked = std::find_if(t.dialogs.shown.cbegin(), t.dialogs.shown.cend(),
        [](const FakeDialogs::Shown &s) { return s.kind == u"choice"_s; });
    QVERIFY(asked != t.dialogs.shown.cend());
    QCOMPARE(asked->text, openElsewhereText(shared));
    if (answer == Answer::Cancel) {
        QCOMPARE(t.store.fileName, first);
        QCOMPARE(t.store.at(0).name(), u"Desk"_s);
        return;
    }
    QCOMPARE(t.store.fileName, shared);
    QCOMPARE(t.store.at(0).name(), u"Lamp"_s);
    QCOMPARE(v.windowTitle().endsWith(u" (read-only)"_s), answer == Answer::Yes);

    // Read-only never writes over the file: Save asks where to (here: nowhere).
    const QByteArray before = fileBytes(shared);
    rename(v, u"Brass lamp"_s);
    if (answer == Answer::Yes)
        t.dialogs.file(QString());
    QCOMPARE(v.SaveClick(), answer == Answer::No);
    QCOMPARE(t.dialogs.shown.last().kind, answer == Answer::Yes ? u"save"_s : u"status"_s);
    QVERIFY(t.dialogs.allUsed());
    QCOMPARE(fileBytes(shared) == before, answer == Answer::Yes);
}

void TestSharedFile::saveChecksTheFileOnDisk_data()
{
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<QStringList>("onDisk");
    QTest::addColumn<QStringList>("savedElsewhere");
    QTest::newRow("save anyway") << Answer::Yes << QStringList { u"Brass lamp"_s } << QStringList();
    QTest::newRow("save as") << Answer::No << QStringList { u"Chair"_s, u"Table"_s }
                             << QStringList { u"Brass lamp"_s };
    QTest::newRow("cancel") << Answer::Cancel << QStringList { u"Chair"_s, u"Table"_s }
                            << QStringList();
}

// Another program (one that takes no lock) writes the file the window has open: the window's
// next save asks instead of silently overwriting the other program's work.
void TestSharedFile::saveChecksTheFileOnDisk()
{
    QFETCH(Answer, answer);
    QFETCH(QStringList, onDisk);
    QFETCH(QStringList, savedElsewhere);
    AppTest t;
    const QString path = writeDb(t.path(u"inv.dat"_s), { u"Lamp"_s });
    const QString theirs = writeDb(t.path(u"theirs.dat"_s), { u"Chair"_s, u"Table"_s });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(path);
    QVERIFY(v.OpenClick());
    // An unchanged file saves without a question.
    rename(v, u"Oil lamp"_s);
    QVERIFY(v.SaveClick());
    QCOMPARE(t.dialogs.lastText(), u"File Saved"_s);

    QProcess cp;
    cp.start(u"cp"_s, { theirs, path });
    QVERIFY(cp.waitForFinished(30000) && cp.exitCode() == 0);

    rename(v, u"Brass lamp"_s);
    t.dialogs.answer(answer);
    const QString elsewhere = t.path(u"mine.dat"_s);
    if (answer == Answer::No)
        t.dialogs.file(elsewhere);
    QCOMPARE(v.SaveClick(), answer != Answer::Cancel);
    QVERIFY(t.dialogs.allUsed());
    const auto asked = std::find_if(t.dialogs.shown.cbegin(), t.dialogs.shown.cend(),
        [](const FakeDialogs::Shown &s) { return s.kind == u"choice"_s; });
    QVERIFY(asked != t.dialogs.shown.cend());
    QCOMPARE(asked->text,
        path
            + u" was changed by another program since it was opened here.\n\nSave anyway (the "
              "other program's changes are lost), or save under another name?|Save Anyway|"
              "Save As..."_s);
    QCOMPARE(namesIn(path), onDisk);
    QCOMPARE(namesIn(elsewhere), savedElsewhere);

    // A cancelled save keeps the database: File > New does not drop it unsaved.
    if (answer == Answer::Cancel) {
        t.dialogs.answer(Answer::Yes); // save before the new one?
        t.dialogs.answer(Answer::Cancel); // changed on disk: cancel
        v.NewClick();
        QVERIFY(t.dialogs.allUsed());
        QCOMPARE(t.store.fileName, path);
        QCOMPARE(t.store.at(0).name(), u"Brass lamp"_s);
    }
}

// A save in place killed half-way left a file that does not read: opening it names the copy
// kept of it and offers it; Save then puts it back.
void TestSharedFile::damagedFileOffersTheKeptCopy()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(SafeWrite::keptFolder()).removeRecursively();
    AppTest t;
    const QString folder = t.path(u"shared"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString path = writeDb(folder + u"/inv.dat"_s, { u"Lamp"_s, u"Chair"_s });
    const QByteArray old = fileBytes(path);
    {
        ClosedFolder closed(folder);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            SafeWrite::write(path, [](QIODevice &out) {
                out.write(QByteArray(10, 'n'));
                ::raise(SIGKILL);
                return true;
            });
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
    }
    const QString kept = SafeWrite::keptCopyOf(path);
    QVERIFY(!kept.isEmpty());

    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(path);
    t.dialogs.answer(Answer::Yes); // open the copy
    QVERIFY(v.OpenClick());
    QVERIFY(t.dialogs.allUsed());
    const auto asked = t.dialogs.shown.at(t.dialogs.shown.size() - 2);
    QCOMPARE(asked.kind, u"yesno"_s);
    QCOMPARE(asked.text,
        path
            + u" is not a valid Larkspur Cataloguer file.\n\nA save that was stopped half-way "
              "kept the file as it was before in\n"_s
            + kept + u"\n\nOpen that copy ? Saving then puts it back in its place."_s);
    QCOMPARE(t.store.fileName, path);
    QCOMPARE(t.store.count(), 2);
    QCOMPARE(v.findChild<QLineEdit *>(u"RecordName"_s)->text(), u"Lamp"_s);

    QVERIFY(v.SaveClick());
    QCOMPARE(t.dialogs.lastText(), u"File Saved"_s);
    QCOMPARE(fileBytes(path), old);
    QDir(SafeWrite::keptFolder()).removeRecursively();
}

QTEST_MAIN(TestSharedFile)
#include "test_sharedfile.moc"
