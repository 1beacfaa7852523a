// The record window's crash recovery and earlier versions: the recovery file follows unsaved
// changes, the start-up offer recovers them as unsaved work, and a save keeps what it replaces.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "recordwindow/earlierversiondialog.h"
#include "recordwindow/recoverykeeper.h"
#include "recordwindow/tview.h"
#include "recovery/earlierversions.h"
#include "recovery/recoveryfile.h"
#include "store/datafile.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

namespace {

constexpr int Recover = 0, Discard = 1, Later = 2;

QString writeDb(AppTest &t, const QString &file, const QStringList &names)
{
    RecordStore s;
    for (const QString &n : names) {
        ItemRecord r;
        r.setName(n);
        s.append(r);
    }
    const QString p = t.path(file);
    if (!DataFile::writeDatabase(p, s).ok)
        qFatal("cannot write fixture");
    return p;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList namesIn(const RecordStore &s)
{
    QStringList names;
    for (int i = 0; i < s.count(); ++i)
        names << s.at(i).name();
    return names;
}

QStringList namesInDatabase(const QByteArray &bytes)
{
    RecordStore s;
    if (!DataFile::readDatabaseBytes(bytes, s, false).ok())
        return { u"(does not read)"_s };
    return namesIn(s);
}

// Opens path in a window as the command line does.
void openAtStart(AppTest &t, TView &v, const QString &path)
{
    v.setStartupFile(path);
    t.activation.activate(&v);
    QCoreApplication::processEvents(); // the fingerprint of what was opened is taken
}

QLineEdit *nameBox(TView &v)
{
    return v.findChild<QLineEdit *>(u"RecordName"_s);
}

// The recovery file a run left behind, as a crash leaves it: written, never discarded.
QString leaveOrphan(const QString &databasePath, const QByteArray &database)
{
    Recovery::Session crashed;
    if (!crashed
             .write(
                 { databasePath, QDateTime(QDate(2026, 12, 9), QTime(18, 30), Qt::UTC), database })
             .ok())
        qFatal("cannot write recovery fixture");
    return crashed.filePath();
}

QByteArray databaseOf(const QStringList &names)
{
    RecordStore s;
    for (const QString &n : names) {
        ItemRecord r;
        r.setName(n);
        s.append(r);
    }
    return DataFile::encodeDatabase(s);
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nothingBeforeADatabaseIsOpen();
    void multiRecordStepWritesAtOnce();
    void typedEditIsKeptBeforeItIsStored();
    void takenBackEditRemovesTheFile();
    void normalExitRemovesTheFile_data();
    void normalExitRemovesTheFile();
    void startOffersRecovery_data();
    void startOffersRecovery();
    void recoveredSaveGoesToTheOriginal();
    void damagedRecoveryFileLeavesTheOriginal_data();
    void damagedRecoveryFileLeavesTheOriginal();
    void saveKeepsEarlierVersion();
    void earlierVersionOpensAsUnsavedCopy();
    void earlierVersionDialogLists();
};

void TestRecovery::nothingBeforeADatabaseIsOpen()
{
    AppTest t;
    TView v(t.ctx);
    // A tick while the start-up questions are still up: there is no database yet.
    v.recoveryKeeper().check();
    QVERIFY(!v.recoveryKeeper().hasFile());
    QVERIFY(!v.hasUnsavedChanges());
}

void TestRecovery::multiRecordStepWritesAtOnce()
{
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s, u"Clock"_s, u"Armchair"_s });
    TView v(t.ctx);
    openAtStart(t, v, db);
    QVERIFY(!v.recoveryKeeper().hasFile());
    QVERIFY(!v.hasUnsavedChanges());
    v.SortSelectClick(21); // by name: one step over every record
    QVERIFY(v.recoveryKeeper().hasFile());
    const Recovery::ReadResult r = Recovery::read(v.recoveryKeeper().filePath());
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(r.snapshot.databasePath, db);
    QCOMPARE(namesInDatabase(r.snapshot.database),
        (QStringList { u"Armchair"_s, u"Clock"_s, u"Vase"_s }));
    QVERIFY(v.hasUnsavedChanges());
    QVERIFY(v.windowTitle().endsWith(u" *"_s));
    QCOMPARE(
        bytesOf(db), databaseOf({ u"Vase"_s, u"Clock"_s, u"Armchair"_s })); // the file is as it was
}

void TestRecovery::typedEditIsKeptBeforeItIsStored()
{
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s, u"Clock"_s });
    TView v(t.ctx);
    openAtStart(t, v, db);
    // Typed, and the window never left: the record itself does not hold it yet.
    nameBox(v)->setText(u"Blue vase"_s);
    QCOMPARE(t.store.at(0).name(), u"Vase"_s);
    v.recoveryKeeper().check();
    const Recovery::ReadResult r = Recovery::read(v.recoveryKeeper().filePath());
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(namesInDatabase(r.snapshot.database), (QStringList { u"Blue vase"_s, u"Clock"_s }));
    QCOMPARE(t.store.at(0).name(), u"Vase"_s); // the snapshot stored nothing
}

void TestRecovery::takenBackEditRemovesTheFile()
{
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s });
    TView v(t.ctx);
    openAtStart(t, v, db);
    nameBox(v)->setText(u"Blue vase"_s);
    v.recoveryKeeper().check();
    QVERIFY(v.recoveryKeeper().hasFile());
    nameBox(v)->setText(u"Vase"_s);
    v.recoveryKeeper().check();
    QVERIFY(!v.recoveryKeeper().hasFile());
    QVERIFY(!v.windowTitle().endsWith(u" *"_s));
}

void TestRecovery::normalExitRemovesTheFile_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("saving") << true;
    QTest::newRow("without saving") << false;
}

void TestRecovery::normalExitRemovesTheFile()
{
    QFETCH(bool, save);
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s, u"Clock"_s });
    TView v(t.ctx);
    openAtStart(t, v, db);
    v.SortSelectClick(21);
    QVERIFY(v.recoveryKeeper().hasFile());
    t.dialogs.answer(save ? Answer::Yes : Answer::No);
    QVERIFY(v.exitQuestions());
    QVERIFY(!v.recoveryKeeper().hasFile());
    // Neither a tick nor a step on the way out writes it again.
    v.recoveryKeeper().check();
    v.SortSelectClick(1);
    QVERIFY(!v.recoveryKeeper().hasFile());
    QCOMPARE(QDir(Recovery::defaultFolder()).entryList(QDir::Files), QStringList());
    const QStringList expected
        = save ? QStringList { u"Clock"_s, u"Vase"_s } : QStringList { u"Vase"_s, u"Clock"_s };
    QCOMPARE(namesInDatabase(bytesOf(db)), expected);
}

void TestRecovery::startOffersRecovery_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("titled");
    QTest::newRow("recover") << Recover << true;
    QTest::newRow("recover untitled") << Recover << false;
    QTest::newRow("discard") << Discard << true;
    QTest::newRow("later") << Later << true;
}

void TestRecovery::startOffersRecovery()
{
    QFETCH(int, choice);
    QFETCH(bool, titled);
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s });
    const QByteArray original = bytesOf(db);
    const QString orphan
        = leaveOrphan(titled ? db : QString(), databaseOf({ u"Vase"_s, u"Grandfather clock"_s }));

    TView v(t.ctx);
    t.dialogs.choices.push_back(choice);
    if (choice != Recover)
        t.settings.writeString(u"LAST FILE"_s, QString()); // nothing else is offered
    t.activation.activate(&v);
    QCoreApplication::processEvents();

    QCOMPARE(t.dialogs.shown.first().kind, u"choice"_s);
    const QString question = t.dialogs.shown.first().text;
    QVERIFY(question.contains(titled ? db : u"an untitled database"_s));
    QVERIFY(question.endsWith(u"|Recover|Discard|Later"_s));
    QVERIFY(t.dialogs.allUsed());
    QCOMPARE(bytesOf(db), original); // whatever the answer, the file is untouched
    if (choice == Recover) {
        QCOMPARE(namesIn(t.store), (QStringList { u"Vase"_s, u"Grandfather clock"_s }));
        QCOMPARE(t.store.fileName, titled ? db : QString());
        QVERIFY(v.hasUnsavedChanges());
        QVERIFY(v.windowTitle().endsWith(u" *"_s));
        QCOMPARE(v.saveEnabled(), titled);
        // The work now lives in this run's file; the one it came from is gone.
        QVERIFY(!QFile::exists(orphan));
        QVERIFY(v.recoveryKeeper().hasFile());
        QCOMPARE(namesInDatabase(Recovery::read(v.recoveryKeeper().filePath()).snapshot.database),
            (QStringList { u"Vase"_s, u"Grandfather clock"_s }));
    } else {
        QCOMPARE(QFile::exists(orphan), choice == Later);
        QVERIFY(!v.hasUnsavedChanges());
        QCOMPARE(t.store.count(), 1);
    }
}

void TestRecovery::recoveredSaveGoesToTheOriginal()
{
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s });
    const QByteArray original = bytesOf(db);
    leaveOrphan(db, databaseOf({ u"Vase"_s, u"Grandfather clock"_s }));
    TView v(t.ctx);
    t.dialogs.choices.push_back(Recover);
    t.activation.activate(&v);
    QCoreApplication::processEvents();
    QVERIFY(v.SaveClick());
    QCOMPARE(namesInDatabase(bytesOf(db)), (QStringList { u"Vase"_s, u"Grandfather clock"_s }));
    QVERIFY(!v.hasUnsavedChanges());
    QVERIFY(!v.recoveryKeeper().hasFile());
    QVERIFY(!v.windowTitle().endsWith(u" *"_s));
    // What the save replaced is kept.
    const QList<EarlierVersions::Version> versions = EarlierVersions::list(db);
    QCOMPARE(versions.size(), 1);
    QCOMPARE(bytesOf(versions[0].path), original);
}

void TestRecovery::damagedRecoveryFileLeavesTheOriginal_data()
{
    QTest::addColumn<int>("cut"); // bytes cut off the end; 0 changes one instead
    QTest::addColumn<bool>("offered"); // whether its head still reads, so it is offered
    QTest::newRow("cut short") << 10 << true;
    QTest::newRow("a byte changed") << 0 << true;
    QTest::newRow("only the start left") << -12 << false;
}

void TestRecovery::damagedRecoveryFileLeavesTheOriginal()
{
    QFETCH(int, cut);
    QFETCH(bool, offered);
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s });
    const QByteArray original = bytesOf(db);
    const QString orphan = leaveOrphan(db, databaseOf({ u"Vase"_s, u"Clock"_s }));
    QByteArray bytes = bytesOf(orphan);
    if (cut > 0)
        bytes.chop(cut);
    else if (cut < 0)
        bytes.truncate(-cut);
    else
        bytes[bytes.size() - 40] = char(bytes[bytes.size() - 40] ^ 0x20);
    QFile f(orphan);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();

    TView v(t.ctx);
    if (offered)
        t.dialogs.choices.push_back(Recover);
    t.settings.writeString(u"LAST FILE"_s, db);
    t.dialogs.answer(Answer::Yes); // then the last file is offered as ever
    t.activation.activate(&v);
    QVERIFY(t.dialogs.allUsed());
    QStringList errors;
    for (const FakeDialogs::Shown &s : t.dialogs.shown)
        if (s.kind == u"error"_s)
            errors << s.text;
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains(u"damaged"_s));
    QCOMPARE(bytesOf(db), original);
    QCOMPARE(namesIn(t.store), QStringList { u"Vase"_s });
    // Put aside, not offered again, nothing of it deleted.
    QVERIFY(!QFile::exists(orphan));
    QCOMPARE(bytesOf(orphan + u".damaged"_s), bytes);
    QVERIFY(Recovery::orphans().isEmpty());
}

void TestRecovery::saveKeepsEarlierVersion()
{
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s, u"Clock"_s });
    const QByteArray first = bytesOf(db);
    TView v(t.ctx);
    openAtStart(t, v, db);
    nameBox(v)->setText(u"Blue vase"_s);
    QVERIFY(v.SaveClick());
    const QByteArray second = bytesOf(db);
    QVERIFY(v.SaveClick()); // nothing changed: no second copy of the same
    nameBox(v)->setText(u"Green vase"_s);
    QVERIFY(v.SaveClick());
    const QList<EarlierVersions::Version> versions = EarlierVersions::list(db);
    QCOMPARE(versions.size(), 2);
    QCOMPARE(bytesOf(versions[0].path), second);
    QCOMPARE(bytesOf(versions[1].path), first);
    QCOMPARE(versions[1].records, 2);
}

void TestRecovery::earlierVersionOpensAsUnsavedCopy()
{
    AppTest t;
    const QString db = writeDb(t, u"house.dat"_s, { u"Vase"_s, u"Clock"_s });
    TView v(t.ctx);
    openAtStart(t, v, db);
    nameBox(v)->setText(u"Blue vase"_s);
    QVERIFY(v.SaveClick());
    const QByteArray saved = bytesOf(db);

    // Through the menu: the list opens over the window and Open takes the chosen one.
    QTimer::singleShot(0, &v, [&v] {
        auto *dialog = v.findChild<EarlierVersionDialog *>();
        QVERIFY(dialog);
        auto *list = dialog->findChild<QTreeWidget *>(u"VersionList"_s);
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(2), u"2"_s);
        dialog->accept();
    });
    v.OpenEarlierVersionClick();
    QCOMPARE(namesIn(t.store), (QStringList { u"Vase"_s, u"Clock"_s }));
    QCOMPARE(nameBox(v)->text(), u"Vase"_s);
    QVERIFY(t.store.fileName.isEmpty());
    QVERIFY(!v.saveEnabled());
    QVERIFY(v.hasUnsavedChanges());
    QVERIFY(v.windowTitle().endsWith(u" *"_s));
    QCOMPARE(bytesOf(db), saved); // the file itself is not changed
}

void TestRecovery::earlierVersionDialogLists()
{
    QTemporaryDir dir;
    const QList<EarlierVersions::Version> versions {
        { dir.filePath(u"a.dat"_s), QDateTime(QDate(2026, 12, 10), QTime(9, 0), Qt::UTC), 2048,
            57 },
        { dir.filePath(u"b.dat"_s), QDateTime(QDate(2026, 12, 1), QTime(9, 0), Qt::UTC), 10, 1 },
    };
    EarlierVersionDialog dialog(u"/home/a/house.dat"_s, versions);
    auto *list = dialog.findChild<QTreeWidget *>(u"VersionList"_s);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(2), u"57"_s);
    QCOMPARE(list->topLevelItem(0)->text(1), QLocale().formattedDataSize(2048));
    QVERIFY(list->topLevelItem(0)->text(0).contains(u"2026"_s)
        || list->topLevelItem(0)->text(0).contains(u"26"_s));
    QCOMPARE(dialog.chosen(), 0); // the newest is chosen at first
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(dialog.chosen(), 1);
}

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
