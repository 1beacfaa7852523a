// The record window's start-up, File menu, exit questions and settings, driven with scripted dialogs.
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "recordwindow/tview.h"
#include "store/csvfile.h"
#include "store/datafile.h"
#include "tests/support/apptest.h"
#include "tests/support/writefailures.h"

using Answer = Dialogs::Answer;

namespace {

ItemRecord named(const QString &name)
{
    ItemRecord r;
    r.setName(name);
    return r;
}

// Writes a database of the given record names (and optionally another detail caption 3).
QString writeDb(AppTest &t, const QString &file, const QStringList &names, const QString &caption3 = {})
{
    RecordStore s;
    if (!caption3.isEmpty())
        s.captions.detail[3] = caption3;
    s.categoryTexts[8] = QStringLiteral("Attic\r\n");
    for (const QString &n : names)
        s.append(named(n));
    const QString p = t.path(file);
    const auto w = DataFile::writeDatabase(p, s);
    if (!w.ok)
        qFatal("cannot write fixture");
    return p;
}

QString recordName(TView &v)
{
    return v.findChild<QLineEdit *>(QStringLiteral("RecordName"))->text();
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstActivationWithoutLastFile();
    void lastFileOffer_data();
    void lastFileOffer();
    void startupFileArgument();
    void openReadsAndEnablesMerge();
    void openInvalidGivesNewDatabase();
    void openUnreadableKeepsDatabase();
    void openOfAFifoOrDeviceGivesNewDatabase_data();
    void openOfAFifoOrDeviceGivesNewDatabase();
    void mergeAppendsCompatible();
    void mergeRefusesCaptionCase();
    void importExportedAppendsAndShowsTheFirst();
    void importExportedRefusalAppendsNothing();
    void mergeOfDamagedFileKeepsDatabase();
    void saveWritesAndReports();
    void saveFailureKeepsOldFile();
    void failedSaveAsChangesNothing_data();
    void failedSaveAsChangesNothing();
    void saveAsNames_data();
    void saveAsNames();
    void saveAsOverwriteQuestion();
    void newAsksAndResets();
    void exitQuestions();
    void closeBoxStoresSize();
    void closeLeavesSizeAndDeletesPages();
    void aboutCaption();
    void defaultSizeFitsTheDescriptionPage_data();
    void defaultSizeFitsTheDescriptionPage();
};

void TestFileCommands::firstActivationWithoutLastFile()
{
    AppTest t;
    t.writeDefaultCategory(8, QStringLiteral("House\n\tKitchen\n"));
    TView v(t.ctx);
    t.activation.activate(&v);
    QVERIFY(t.dialogs.shown.isEmpty());
    QCOMPARE(t.store.count(), 1);
    QCOMPARE(t.store.at(0).name(), QStringLiteral("Untitled 1"));
    QCOMPARE(v.windowTitle(), QStringLiteral("Untitled"));
    QCOMPARE(t.store.categoryTexts[8], QStringLiteral("House\r\n\tKitchen\r\n"));
    QVERIFY(!v.saveEnabled());
    QVERIFY(!v.mergeEnabled());
    QVERIFY(t.store.searchRefresh);
    QVERIFY(t.store.databaseOpen);
    QCOMPARE(t.store.currentIndex, 0);
}

void TestFileCommands::lastFileOffer_data()
{
    QTest::addColumn<QString>("kind"); // good, bad, missing
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("message"); // %1 = path
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("saveEnabled");
    QTest::newRow("yes loads") << "good" << int(Answer::Yes) << "%1 Loaded." << 2 << true;
    QTest::newRow("no declines") << "good" << int(Answer::No) << "" << 1 << false;
    QTest::newRow("damaged") << "bad" << int(Answer::Yes)
                             << "Sorry %1 is not valid file.  No file loaded" << 1 << false;
    QTest::newRow("deleted file: no message") << "missing" << int(Answer::Yes) << "" << 1 << false;
}

void TestFileCommands::lastFileOffer()
{
    QFETCH(QString, kind);
    QFETCH(int, answer);
    QFETCH(QString, message);
    QFETCH(int, records);
    QFETCH(bool, saveEnabled);
    AppTest t;
    QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp"), QStringLiteral("Chair") });
    if (kind == u"bad") {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database");
    } else if (kind == u"missing") {
        QFile::remove(p);
    }
    t.settings.writeString(QStringLiteral("LAST FILE"), p);
    t.dialogs.answer(Answer(answer));
    TView v(t.ctx);
    t.activation.activate(&v);
    QCOMPARE(t.dialogs.shown.first().text, QStringLiteral("Would you like to load the file ") + p + QStringLiteral(" ?"));
    const QStringList texts = t.dialogs.texts().mid(1);
    QCOMPARE(texts, message.isEmpty() ? QStringList() : QStringList { message.arg(p) });
    QCOMPARE(t.store.count(), records);
    QCOMPARE(v.saveEnabled(), saveEnabled);
    QVERIFY(!v.mergeEnabled()); // reading the last file does not enable Merge
    QCOMPARE(v.windowTitle(), saveEnabled ? p : QStringLiteral("Untitled"));
    QCOMPARE(recordName(v), saveEnabled ? QStringLiteral("Lamp") : QStringLiteral("Untitled 1"));
}

void TestFileCommands::startupFileArgument()
{
    AppTest t;
    const QString last = writeDb(t, QStringLiteral("last.dat"), { QStringLiteral("Old") });
    const QString p = writeDb(t, QStringLiteral("given.dat"), { QStringLiteral("Given") });
    t.settings.writeString(QStringLiteral("LAST FILE"), last);
    TView v(t.ctx);
    v.setStartupFile(p);
    t.activation.activate(&v);
    QVERIFY(t.dialogs.shown.isEmpty()); // no offer of the last file
    QCOMPARE(t.store.fileName, p);
    QCOMPARE(recordName(v), QStringLiteral("Given"));
    QVERIFY(v.saveEnabled());
}

void TestFileCommands::openReadsAndEnablesMerge()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp"), QStringLiteral("Chair") });
    TView v(t.ctx);
    t.activation.activate(&v);
    v.findChild<QLineEdit *>(QStringLiteral("RecordName"))->setText(QStringLiteral("typed"));
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(p);
    QVERIFY(v.OpenClick());
    QCOMPARE(t.dialogs.shown[0].text, QStringLiteral("Changes made since last save will be lost. Load anyway ?"));
    QCOMPARE(t.dialogs.shown[1].text, QStringLiteral("Load a Database"));
    QVERIFY(t.dialogs.shown[1].file.mustExist);
    QCOMPARE(t.dialogs.shown[1].file.filter, QStringLiteral("Larkspur Cataloguer File|*.dat"));
    QCOMPARE(t.dialogs.lastText(), p + QStringLiteral(" Loaded."));
    QCOMPARE(v.windowTitle(), p);
    QCOMPARE(t.store.count(), 2);
    QCOMPARE(t.store.at(0).name(), QStringLiteral("Lamp")); // the old window text was not stored into it
    QCOMPARE(recordName(v), QStringLiteral("Lamp"));
    QVERIFY(v.saveEnabled());
    QVERIFY(v.mergeEnabled());
    QVERIFY(t.store.searchRefresh);
    QVERIFY(t.dialogs.allUsed());
}

void TestFileCommands::openInvalidGivesNewDatabase()
{
    AppTest t;
    t.writeDefaultCategory(2, QStringLiteral("Tools\n"));
    const QString good = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") }, QStringLiteral("Year"));
    const QString bad = t.path(QStringLiteral("bad.dat"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\x06\x04" "1.43" "\x06\x05" "Other");
    f.close();
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(good);
    QVERIFY(v.OpenClick());
    QCOMPARE(t.store.captions.detail[3], QStringLiteral("Year"));
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(bad);
    QVERIFY(!v.OpenClick());
    QCOMPARE(t.dialogs.shown.last().kind, QStringLiteral("error"));
    QCOMPARE(t.dialogs.lastText(),
        bad + QStringLiteral(" is not a valid Larkspur Cataloguer file.  New file created."));
    QCOMPARE(t.store.count(), 1);
    QCOMPARE(t.store.at(0).name(), QStringLiteral("Untitled 1"));
    QCOMPARE(t.store.captions, FieldCaptions::defaults());
    QCOMPARE(t.store.categoryTexts[2], QStringLiteral("Tools\r\n"));
    QCOMPARE(t.store.fileName, QString());
    QCOMPARE(v.windowTitle(), QStringLiteral("Untitled"));
    QVERIFY(!v.saveEnabled());
}

void TestFileCommands::openOfAFifoOrDeviceGivesNewDatabase_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("FIFO") << true;
    QTest::newRow("device") << false;
}

// Neither is a file that could hold a database: the open returns at once instead of blocking.
void TestFileCommands::openOfAFifoOrDeviceGivesNewDatabase()
{
    QFETCH(bool, fifo);
    AppTest t;
    const QString path = fifo ? t.path(QStringLiteral("pipe.dat")) : QStringLiteral("/dev/zero");
    if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(path);
    QVERIFY(!v.OpenClick());
    QCOMPARE(t.dialogs.shown.last().kind, QStringLiteral("error"));
    QCOMPARE(t.dialogs.lastText(),
        path + QStringLiteral(" is not a valid Larkspur Cataloguer file.  New file created."));
    QCOMPARE(t.store.count(), 1);
    QCOMPARE(t.store.fileName, QString());
}

void TestFileCommands::openUnreadableKeepsDatabase()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(p);
    QVERIFY(v.OpenClick());
    const QString gone = t.path(QStringLiteral("gone.dat"));
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(gone);
    QVERIFY(!v.OpenClick());
    QCOMPARE(t.dialogs.lastText(), QStringLiteral("Cannot open file ") + gone);
    QCOMPARE(t.store.fileName, p);
    QCOMPARE(recordName(v), QStringLiteral("Lamp"));
}

void TestFileCommands::mergeAppendsCompatible()
{
    AppTest t;
    const QString five = writeDb(t, QStringLiteral("five.dat"),
        { QStringLiteral("a1"), QStringLiteral("a2"), QStringLiteral("a3"), QStringLiteral("a4"), QStringLiteral("a5") });
    const QString three = writeDb(t, QStringLiteral("three.dat"), { QStringLiteral("b1"), QStringLiteral("b2"), QStringLiteral("b3") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(five);
    QVERIFY(v.OpenClick());
    t.dialogs.file(three);
    v.MergeClick();
    QCOMPARE(t.dialogs.shown[t.dialogs.shown.size() - 2].text, QStringLiteral("Merge with File"));
    QCOMPARE(t.dialogs.lastText(), QStringLiteral("Merge Sucessful !."));
    QCOMPARE(t.store.count(), 8);
    QCOMPARE(t.store.at(5).name(), QStringLiteral("b1"));
    QCOMPARE(t.store.at(7).name(), QStringLiteral("b3"));
    QCOMPARE(t.store.fileName, five);
    QCOMPARE(recordName(v), QStringLiteral("a1"));
    QVERIFY(t.dialogs.allUsed());
}

// File > Import Exported File: the records come back as exported, the first of them is shown
// before anything can store the controls, and the outcome goes to the status bar.
void TestFileCommands::importExportedAppendsAndShowsTheFirst()
{
    AppTest t;
    const QString two = writeDb(t, QStringLiteral("two.dat"), { QStringLiteral("a1"), QStringLiteral("a2") });
    RecordStore exported;
    for (int i = 0; i < 3; ++i) {
        ItemRecord r;
        r.setDescription(1, QStringLiteral("Chair, \"Oak\" %1").arg(i));
        r.setDescription(4, QStringLiteral("two\r\nlines"));
        r.setDetail(5, QStringLiteral("SN-%1").arg(i));
        r.ForSale = i == 2;
        exported.append(r);
    }
    const QString csv = t.path(QStringLiteral("out.csv"));
    QString error;
    QVERIFY(CsvFile::exportFile(csv, exported, &error));

    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(two);
    QVERIFY(v.OpenClick());
    t.dialogs.file(csv);
    v.findChild<QAction *>(QStringLiteral("ImportExported1"))->trigger();
    QCOMPARE(t.dialogs.shown.last().kind, QStringLiteral("status"));
    QCOMPARE(t.dialogs.lastText(), QStringLiteral("3 records appended."));
    QCOMPARE(t.dialogs.statusWindows.last(), &v);
    QCOMPARE(t.dialogs.shown[t.dialogs.shown.size() - 2].kind, QStringLiteral("open"));
    QCOMPARE(t.store.count(), 5);
    QCOMPARE(t.store.currentIndex, 2);
    QCOMPARE(recordName(v), QStringLiteral("Empty"));
    QCOMPARE(v.findChild<QLineEdit *>(QStringLiteral("DescOne"))->text(), QStringLiteral("Chair, \"Oak\" 0"));
    // A box opening now stores the controls: they hold the new record, so nothing changes.
    t.dialogs.information(QStringLiteral("x"));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(t.store.at(2 + i).descriptions(), exported.at(i).descriptions());
        QCOMPARE(t.store.at(2 + i).detail(5), exported.at(i).detail(5));
        QCOMPARE(t.store.at(2 + i).ForSale, i == 2);
    }
    QCOMPARE(t.store.at(0).name(), QStringLiteral("a1"));
    QCOMPARE(t.store.fileName, two);
    QVERIFY(t.dialogs.allUsed());
}

void TestFileCommands::importExportedRefusalAppendsNothing()
{
    AppTest t;
    const QString one = writeDb(t, QStringLiteral("one.dat"), { QStringLiteral("a1") });
    const QString bad = t.path(QStringLiteral("bad.csv"));
    QFile f(bad);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("a,b\r\n");
    f.close();
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(one);
    QVERIFY(v.OpenClick());
    t.dialogs.file(bad);
    v.ImportExportedClick();
    QCOMPARE(t.dialogs.shown.last().kind, QStringLiteral("error"));
    QCOMPARE(t.dialogs.lastText(),
        bad + QStringLiteral(" is not an exported file: line 1 holds 2 fields, not 21. Nothing was imported."));
    QCOMPARE(t.store.count(), 1);
    QCOMPARE(recordName(v), QStringLiteral("a1"));
}

void TestFileCommands::mergeRefusesCaptionCase()
{
    AppTest t;
    const QString mine = writeDb(t, QStringLiteral("mine.dat"), { QStringLiteral("a1") });
    const QString other = writeDb(t, QStringLiteral("other.dat"), { QStringLiteral("b1") }, QStringLiteral("copyright"));
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(mine);
    QVERIFY(v.OpenClick());
    t.dialogs.file(other);
    v.MergeClick();
    QCOMPARE(t.dialogs.lastText(), QStringLiteral("Sorry, the files could not be merged since they are incompatiable."));
    QCOMPARE(t.store.count(), 1);
    QCOMPARE(t.store.fileName, mine);
}

void TestFileCommands::mergeOfDamagedFileKeepsDatabase()
{
    AppTest t;
    const QString mine = writeDb(t, QStringLiteral("mine.dat"), { QStringLiteral("a1"), QStringLiteral("a2") });
    const QString other = writeDb(t, QStringLiteral("other.dat"), { QStringLiteral("b1"), QStringLiteral("b2") });
    QFile f(other);
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.resize(f.size() - 3); // ends in the middle of the last record
    f.close();
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(mine);
    QVERIFY(v.OpenClick());
    t.dialogs.file(other);
    v.MergeClick();
    QCOMPARE(t.dialogs.shown.last().kind, QStringLiteral("error"));
    QCOMPARE(t.store.count(), 2);
    QCOMPARE(t.store.fileName, mine);
    QCOMPARE(t.store.categoryTexts[8], QStringLiteral("Attic\r\n"));
}

void TestFileCommands::saveWritesAndReports()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(p);
    QVERIFY(v.OpenClick());
    v.findChild<QLineEdit *>(QStringLiteral("RecordName"))->setText(QStringLiteral("Brass Lamp"));
    v.findChild<QToolButton *>(QStringLiteral("QuickSaveBtn"))->click();
    QCOMPARE(t.dialogs.lastText(), QStringLiteral("File Saved"));
    RecordStore back;
    QVERIFY(DataFile::readDatabase(p, back, false).ok());
    QCOMPARE(back.at(0).name(), QStringLiteral("Brass Lamp"));
}

void TestFileCommands::saveFailureKeepsOldFile()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(p);
    QVERIFY(v.OpenClick());
    QFile f(p);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    // The save fails part-way through the file itself (a file-size limit binds root too).
    v.findChild<QLineEdit *>(QStringLiteral("RecordName"))->setText(QString(20000, u'x'));
    {
        FileSizeLimit limit(before.size() + 1000);
        QVERIFY(limit.ok());
        QVERIFY(!v.SaveClick());
    }
    QCOMPARE(t.dialogs.shown.last().kind, QStringLiteral("error"));
    QVERIFY(!t.dialogs.texts().contains(QStringLiteral("File Saved")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestFileCommands::failedSaveAsChangesNothing_data()
{
    QTest::addColumn<bool>("titled");
    QTest::newRow("untitled") << false;
    QTest::newRow("opened file") << true;
}

// Save As to a name that cannot be written keeps the database's name, title and Save state.
void TestFileCommands::failedSaveAsChangesNothing()
{
    QFETCH(bool, titled);
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") });
    TView v(t.ctx);
    t.activation.activate(&v);
    if (titled) {
        t.dialogs.answer(Answer::Yes);
        t.dialogs.file(p);
        QVERIFY(v.OpenClick());
    }
    const QString name = t.store.fileName;
    const QString title = v.windowTitle();
    const bool saveState = v.saveEnabled();
    const QString target = t.path(QStringLiteral("nofolder/other.dat"));
    t.dialogs.file(target);
    QVERIFY(!v.SaveAsClick());
    QCOMPARE(t.dialogs.lastText(),
        QStringLiteral("Cannot create file ") + target
            + QStringLiteral(": No such file or directory"));
    QCOMPARE(t.store.fileName, name);
    QCOMPARE(v.windowTitle(), title);
    QCOMPARE(v.saveEnabled(), saveState);
    QCOMPARE(saveState, titled);
}

void TestFileCommands::saveAsNames_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("extension kept") << "inv.data" << "inv.data";
    QTest::newRow("dat added") << "inventory" << "inventory.dat";
    QTest::newRow("dotted folder") << "a.b/inventory" << "a.b/inventory.dat";
}

void TestFileCommands::saveAsNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    AppTest t;
    QDir().mkpath(t.path(QStringLiteral("a.b")));
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.file(t.path(chosen));
    QVERIFY(v.SaveAsClick());
    const QString p = t.path(written);
    QVERIFY(QFile::exists(p));
    QCOMPARE(t.dialogs.lastText(), QStringLiteral("File Saved as ") + p);
    QCOMPARE(v.windowTitle(), p);
    QCOMPARE(t.store.fileName, p);
    QVERIFY(v.saveEnabled());
}

void TestFileCommands::saveAsOverwriteQuestion()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.file(p);
    t.dialogs.answer(Answer::No); // back to the dialog
    t.dialogs.file(QString()); // then cancel
    QVERIFY(!v.SaveAsClick());
    QCOMPARE(t.dialogs.texts(), QStringList { p + QStringLiteral(" already exists.  Do you want to overwrite it ?") });
    RecordStore back;
    QVERIFY(DataFile::readDatabase(p, back, false).ok());
    QCOMPARE(back.at(0).name(), QStringLiteral("Lamp"));
    QVERIFY(t.dialogs.allUsed());
}

void TestFileCommands::newAsksAndResets()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp"), QStringLiteral("Chair") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(p);
    QVERIFY(v.OpenClick());
    t.dialogs.answer(Answer::Cancel);
    v.NewClick();
    QCOMPARE(t.store.count(), 2);
    t.dialogs.answer(Answer::No);
    v.NewClick();
    QCOMPARE(t.dialogs.texts().last(),
        QStringLiteral("Would you like to save the current database before you create a new one ?"));
    QCOMPARE(t.store.count(), 1);
    QCOMPARE(t.store.fileName, QString());
    QVERIFY(!v.saveEnabled());
    QCOMPARE(v.windowTitle(), QStringLiteral("Untitled"));
}

void TestFileCommands::exitQuestions()
{
    AppTest t;
    const QString p = writeDb(t, QStringLiteral("inv.dat"), { QStringLiteral("Lamp") });
    TView v(t.ctx);
    t.activation.activate(&v);
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(p);
    QVERIFY(v.OpenClick());
    v.findChild<QAction *>(QStringLiteral("ShortDescriptionValues1"))->trigger();
    t.store.columnOrder[0] = 5;
    v.findChild<QLineEdit *>(QStringLiteral("RecordName"))->setText(QStringLiteral("changed"));
    QSignalSpy quit(&v, &TView::quitRequested);

    t.dialogs.answer(Answer::Cancel);
    v.CloseClick();
    QCOMPARE(quit.count(), 0);
    QCOMPARE(t.settings.readString(QStringLiteral("LAST FILE"), QStringLiteral("none")), QStringLiteral("none"));

    t.dialogs.answer(Answer::No);
    v.CloseClick();
    QCOMPARE(t.dialogs.texts().last(),
        QStringLiteral("Changes made since last save will be lost. Would you like to save before exiting ?"));
    QCOMPARE(quit.count(), 1);
    QCOMPARE(t.settings.readString(QStringLiteral("last file"), QString()), p);
    QCOMPARE(t.settings.readString(QStringLiteral("DESCSTATE"), QString()), QStringLiteral("1"));
    QCOMPARE(t.settings.readInteger(QStringLiteral("SPREADSHEET:0"), -1), 5);
    QCOMPARE(t.settings.readInteger(QStringLiteral("SPREADSHEET SIZE:22"), -1), 136);
    RecordStore back;
    QVERIFY(DataFile::readDatabase(p, back, false).ok());
    QCOMPARE(back.at(0).name(), QStringLiteral("Lamp")); // No does not write the database
}

void TestFileCommands::closeBoxStoresSize()
{
    AppTest t;
    TView v(t.ctx);
    t.activation.activate(&v);
    v.resize(700, 500);
    const QSize outer = v.frameGeometry().size();
    QVERIFY(outer.width() > 700 && outer.height() > 500);
    // Yes on an untitled database asks for a name until one is given.
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(QString());
    t.dialogs.answer(Answer::Yes);
    t.dialogs.file(t.path(QStringLiteral("saved")));
    QSignalSpy quit(&v, &TView::quitRequested);
    QCloseEvent e;
    QApplication::sendEvent(&v, &e);
    QVERIFY(e.isAccepted());
    QCOMPARE(quit.count(), 1);
    QVERIFY(QFile::exists(t.path(QStringLiteral("saved.dat"))));
    QCOMPARE(t.settings.readInteger(QStringLiteral("ViewW:"), 0), outer.width());
    QCOMPARE(t.settings.readInteger(QStringLiteral("ViewH:"), 0), outer.height());
    QVERIFY(t.dialogs.allUsed());
}

void TestFileCommands::closeLeavesSizeAndDeletesPages()
{
    AppTest t;
    TView v(t.ctx);
    t.activation.activate(&v);
    for (const char *page : { "go.htm", "rphtml.htm" }) {
        QFile f(t.folder.filePath(QString::fromLatin1(page)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    t.dialogs.answer(Answer::No);
    v.CloseClick();
    QCOMPARE(t.settings.readInteger(QStringLiteral("ViewW:"), -1), -1);
    QVERIFY(!QFile::exists(t.folder.filePath(QStringLiteral("go.htm"))));
    QVERIFY(!QFile::exists(t.folder.filePath(QStringLiteral("rphtml.htm"))));
}

void TestFileCommands::aboutCaption()
{
    AppTest t;
    TView v(t.ctx);
    QCOMPARE(v.findChild<QAction *>(QStringLiteral("LarkspurCataloguer1"))->text(), QStringLiteral("Larkspur Cataloguer"));
}

void TestFileCommands::defaultSizeFitsTheDescriptionPage_data()
{
    QTest::addColumn<int>("points"); // the desktop's font
    QTest::addColumn<QSize>("stored"); // the size keys, or none
    QTest::newRow("9 point") << 9 << QSize();
    QTest::newRow("12 point") << 12 << QSize();
    QTest::newRow("16 point") << 16 << QSize();
    QTest::newRow("stored size kept") << 9 << QSize(1000, 760);
}

void TestFileCommands::defaultSizeFitsTheDescriptionPage()
{
    QFETCH(int, points);
    QFETCH(QSize, stored);
    const QFont before = QApplication::font();
    QFont font = before;
    font.setPointSize(points);
    QApplication::setFont(font);
    AppTest t;
    if (stored.isValid()) {
        t.settings.writeInteger(QStringLiteral("ViewW:"), stored.width());
        t.settings.writeInteger(QStringLiteral("ViewH:"), stored.height());
    }
    TView v(t.ctx);
    t.activation.activate(&v);
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    auto *scroll = v.findChild<QScrollArea *>(QStringLiteral("DescriptionScroll"));
    QVERIFY(scroll->isVisible());
    if (stored.isValid()) {
        QCOMPARE(v.frameGeometry().size(), stored);
    } else {
        QVERIFY(v.width() >= 634 && v.height() >= 482);
        QVERIFY(!scroll->verticalScrollBar()->isVisible());
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        // Every description and detail box is whole on screen.
        for (QWidget *box : scroll->widget()->findChildren<QLineEdit *>()) {
            const QRect r(box->mapTo(scroll->viewport(), QPoint(0, 0)), box->size());
            QVERIFY2(scroll->viewport()->rect().contains(r), qPrintable(box->objectName()));
        }
        // The toolbar has room for every button and the Find box: none waits behind its
        // extension button.
        auto *find = v.findChild<QWidget *>(QStringLiteral("QuickFindBox"));
        QVERIFY(find->isVisible());
        const QRect inWindow(find->mapTo(&v, QPoint(0, 0)), find->size());
        QVERIFY(v.rect().contains(inWindow));
        // At the size the window asks for (here the screen may be smaller), a count shows too.
        v.resize(v.sizeHint());
        QTest::keyClicks(find->findChild<QLineEdit *>(QStringLiteral("QuickFind")), QStringLiteral("lamp"));
        auto *count = find->findChild<QLabel *>(QStringLiteral("QuickFindCount"));
        QTRY_VERIFY(count->isVisible() && find->isVisible());
        QTRY_VERIFY(v.rect().contains(QRect(count->mapTo(&v, QPoint(0, 0)), count->size())));
        QVERIFY(count->width() >= count->sizeHint().width());
    }
    QApplication::setFont(before);
}

QTEST_MAIN(TestFileCommands)
#include "test_filecommands.moc"
