// The sample household: the shipped file is what its sources make, it reads cleanly, and the
// copy a first start or Help > Open Sample Catalogue makes finds every picture.
#include <QAction>
#include <QDirIterator>
#include <functional>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include "recordwindow/tview.h"
#include "store/categorytree.h"
#include "store/datafile.h"
#include "store/samplecatalogue.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

namespace {

QString sourceSample()
{
    return qEnvironmentVariable("LARKSPUR_SOURCE_DIR") + u"/data/sample"_s;
}

QString tool()
{
    return qEnvironmentVariable("LARKSPUR_DATA_DIR") + u"/larkspur-tool"_s;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
};

Run run(const QStringList &args)
{
    QProcess p;
    p.start(tool(), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Copies the shipped sample into a program folder, as the build and an installation lay it out.
bool layOut(const QString &programFolder)
{
    const QDir from(sourceSample());
    QDirIterator it(from.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString to = programFolder + u"/sample/"_s + from.relativeFilePath(file);
        if (!QDir().mkpath(QFileInfo(to).path()) || !QFile::copy(file, to))
            return false;
    }
    return true;
}

QStringList picturePaths(const RecordStore &store)
{
    QStringList paths;
    for (int i = 0; i < store.count(); ++i)
        for (int slot = 1; slot <= ItemRecord::PictureCount; ++slot)
            if (!store.at(i).pictureFile(slot).isEmpty())
                paths << store.at(i).pictureFile(slot);
    return paths;
}

} // namespace

class TestSample : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shippedFileIsWhatItsSourceMakes();
    void readsWithoutWarningAndPicksFromItsTrees();
    void copyFindsEveryPicture();
    void setsArePricedWhole_data();
    void setsArePricedWhole();
    void failedCopyKeepsTheOldOne();
    void linkedFolderIsNeverDeletedThrough();
    void firstStartOpensTheCopyAndSaysSo();
    void firstStartTellsOfAKeptCopy();
    void helpMenuOpensAFreshCopy();
};

void TestSample::shippedFileIsWhatItsSourceMakes()
{
    QTemporaryDir dir;
    const QString built = dir.filePath(u"household.dat"_s);
    const Run r = run({ u"build"_s, sourceSample() + u"/household.json"_s, built });
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData()); // no text the single-byte file cannot hold
    const QByteArray shipped = readAll(sourceSample() + u"/household.dat"_s);
    QVERIFY(!shipped.isEmpty());
    QVERIFY2(readAll(built) == shipped,
        "data/sample/household.dat differs from household.json: run data/sample/make-sample.sh");
}

void TestSample::readsWithoutWarningAndPicksFromItsTrees()
{
    const QString shipped = sourceSample() + u"/household.dat"_s;
    const Run r = run({ u"check"_s, shipped });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());

    RecordStore store;
    QVERIFY(DataFile::readDatabase(shipped, store, false).ok());
    QVERIFY(store.count() >= 50);
    // Every description is a node of its tree, as the pick menus would have stored it.
    for (int k = 1; k <= 10; ++k) {
        QSet<QString> names;
        const CategoryTree tree = store.categoryTree(k);
        QVERIFY(!tree.empty());
        std::function<void(const CategoryTree &, QStringList)> walk
            = [&](const CategoryTree &nodes, const QStringList &ancestors) {
                  for (const CategoryNode &node : nodes) {
                      const QStringList chain = QStringList { node.text } + ancestors;
                      names.insert(categoryFullName(chain));
                      walk(node.children, chain);
                  }
              };
        walk(tree, {});
        for (int i = 0; i < store.count(); ++i) {
            const QString &value = store.at(i).description(k);
            QVERIFY2(value.isEmpty() || names.contains(value),
                qPrintable(store.at(i).name() + u": "_s + value));
        }
    }
}

void TestSample::copyFindsEveryPicture()
{
    QTemporaryDir dir;
    const SampleCatalogue::CopyResult copy
        = SampleCatalogue::copy(sourceSample(), dir.filePath(u"Larkspur/sample"_s));
    QVERIFY2(copy.ok, qPrintable(copy.message));
    RecordStore store;
    QVERIFY(DataFile::readDatabase(copy.path, store, false).ok());
    const QStringList pictures = picturePaths(store);
    QVERIFY(pictures.size() >= 15);
    for (const QString &p : pictures) {
        QVERIFY2(QFileInfo(p).isAbsolute() && p.startsWith(dir.path()), qPrintable(p));
        QVERIFY2(QFileInfo::exists(p), qPrintable(p));
    }
    // The program's own picture check: every picture is there and decodes.
    const Run r = run({ u"pictures"_s, copy.path });
    QVERIFY2(r.exitCode == 0, r.out.constData());
}

void TestSample::setsArePricedWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("amount"); // detail 1
    QTest::addColumn<QString>("quantity");
    // Their notes say the price is for the whole set: one of each, at that price.
    QTest::newRow("cutlery") << u"Silver Cutlery Set"_s << u"$700.00"_s << u"1"_s;
    QTest::newRow("coins") << u"Silver Coin Collection"_s << u"$1,450.00"_s << u"1"_s;
}

void TestSample::setsArePricedWhole()
{
    QFETCH(QString, name);
    QFETCH(QString, amount);
    QFETCH(QString, quantity);
    RecordStore store;
    QVERIFY(DataFile::readDatabase(sourceSample() + u"/household.dat"_s, store, false).ok());
    int found = 0;
    for (int i = 0; i < store.count(); ++i) {
        const ItemRecord &r = store.at(i);
        if (r.name() != name)
            continue;
        ++found;
        QCOMPARE(r.detail(1), amount);
        QCOMPARE(r.detail(9), quantity);
        QVERIFY(r.notes().join(u' ').contains(u"whole"_s));
    }
    QCOMPARE(found, 1);
    // The catalogue's totals as the tool sums them (amount times quantity over every record).
    const Run totals = run({ u"totals"_s, sourceSample() + u"/household.dat"_s, u"2"_s });
    QCOMPARE(totals.exitCode, 0);
    QVERIFY2(totals.out.endsWith("Paid\t$32439.00\nValue\t$26129.00\n"), totals.out.constData());
}

void TestSample::failedCopyKeepsTheOldOne()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"sample"_s);
    QVERIFY(SampleCatalogue::copy(sourceSample(), target).ok);
    const QByteArray before = readAll(target + u"/household.dat"_s);

    // A sample without its database: nothing is replaced, and the message names the file.
    QTemporaryDir broken;
    const SampleCatalogue::CopyResult failed = SampleCatalogue::copy(broken.path(), target);
    QVERIFY(!failed.ok);
    QVERIFY2(failed.message.contains(u"household.dat"_s), qPrintable(failed.message));
    QCOMPARE(readAll(target + u"/household.dat"_s), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList { u"sample"_s }); // no half-made folder left beside it
}

void TestSample::linkedFolderIsNeverDeletedThrough()
{
    // The sample's place is a link to a folder of the user's: the link is set aside, and nothing
    // in the folder it points at is touched.
    QTemporaryDir dir;
    const QString mine = dir.filePath(u"my catalogues"_s);
    QVERIFY(QDir().mkpath(mine));
    {
        QFile f(mine + u"/household.dat"_s);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("my own") == 6);
    }
    const QString target = dir.filePath(u"Larkspur/sample"_s);
    QVERIFY(QDir().mkpath(dir.filePath(u"Larkspur"_s)));
    QVERIFY(QFile::link(mine, target));
    const SampleCatalogue::CopyResult copy = SampleCatalogue::copy(sourceSample(), target);
    QVERIFY2(copy.ok, qPrintable(copy.message));
    QCOMPARE(copy.kept, target + u" (earlier copy)"_s);
    QVERIFY(QFileInfo(copy.kept).isSymLink());
    QCOMPARE(readAll(mine + u"/household.dat"_s), QByteArray("my own"));
    QVERIFY(!QFileInfo(target).isSymLink());
    RecordStore store;
    QVERIFY(DataFile::readDatabase(copy.path, store, false).ok());
}

void TestSample::firstStartOpensTheCopyAndSaysSo()
{
    AppTest t;
    QVERIFY(layOut(t.folder.path()));
    const SampleCatalogue::CopyResult copy = SampleCatalogue::copy(
        SampleCatalogue::shippedFolder(t.folder.dataPath()), t.path(u"user/sample"_s));
    QVERIFY(copy.ok);
    TView v(t.ctx);
    v.setStartupSample(copy.path);
    t.activation.activate(&v);
    QCOMPARE(t.dialogs.shown.size(), 1);
    QCOMPARE(t.dialogs.shown.constFirst().kind, u"status"_s);
    QVERIFY(t.dialogs.shown.constFirst().text.contains(u"File > New starts an empty database"_s));
    QCOMPARE(t.store.fileName, copy.path);
    QVERIFY(t.store.count() >= 50);
    QCOMPARE(v.findChild<QLineEdit *>(u"RecordName"_s)->text(), t.store.at(0).name());
}

void TestSample::firstStartTellsOfAKeptCopy()
{
    // A copy from an earlier installation, with a file of the user's in it: set aside, and said.
    AppTest t;
    QVERIFY(layOut(t.folder.path()));
    const QString shipped = SampleCatalogue::shippedFolder(t.folder.dataPath());
    const QString target = t.path(u"user/sample"_s);
    QVERIFY(SampleCatalogue::copy(shipped, target).ok);
    {
        QFile notes(target + u"/notes.txt"_s);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("mine") == 4);
    }
    const SampleCatalogue::CopyResult copy = SampleCatalogue::copy(shipped, target);
    QVERIFY(copy.ok);
    QCOMPARE(copy.kept, target + u" (earlier copy)"_s);
    QCOMPARE(readAll(copy.kept + u"/notes.txt"_s), QByteArray("mine"));
    QVERIFY(!QFileInfo::exists(target + u"/notes.txt"_s));
    TView v(t.ctx);
    v.setStartupSample(copy.path, copy.kept);
    t.activation.activate(&v);
    QCOMPARE(t.dialogs.shown.constLast().kind, u"information"_s);
    QVERIFY2(t.dialogs.lastText().contains(copy.kept), qPrintable(t.dialogs.lastText()));
    QCOMPARE(t.store.fileName, copy.path);
}

void TestSample::helpMenuOpensAFreshCopy()
{
    AppTest t;
    QVERIFY(layOut(t.folder.path()));
    qputenv("XDG_DATA_HOME", t.path(u"xdg"_s).toLocal8Bit());
    TView v(t.ctx);
    t.activation.activate(&v);
    QAction *open = v.findChild<QAction *>(u"OpenSampleCatalogue1"_s);
    QVERIFY(open);
    QCOMPARE(open->text(), u"Open Sample Catalogue"_s);

    // No: the open database stays.
    t.dialogs.answer(Answer::No);
    open->trigger();
    QCOMPARE(t.store.count(), 1);

    t.dialogs.answer(Answer::Yes);
    open->trigger();
    const QString expected = t.path(u"xdg/Larkspur/sample/household.dat"_s);
    QCOMPARE(t.store.fileName, expected);
    QVERIFY(t.store.count() >= 50);
    QCOMPARE(t.dialogs.shown.constLast().kind, u"status"_s);
    for (const QString &p : picturePaths(t.store))
        QVERIFY2(QFileInfo::exists(p) && p.startsWith(t.path(u"xdg"_s)), qPrintable(p));

    // Opened again unchanged: replaced, with nothing left beside it and nothing to tell.
    const QDir base(t.path(u"xdg/Larkspur"_s));
    const auto beside = [&base] {
        return base.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };
    t.dialogs.answer(Answer::Yes);
    open->trigger();
    QCOMPARE(beside(), QStringList { u"sample"_s });
    QCOMPARE(t.dialogs.shown.constLast().kind, u"status"_s);

    // Changed and saved, a pack written beside it, then opened again: a fresh copy, and the
    // saved work kept under a new name, which the user is told.
    t.store.at(0).setName(u"Changed"_s);
    QVERIFY(DataFile::writeDatabase(expected, t.store).ok);
    QVERIFY(QDir().mkpath(t.path(u"xdg/Larkspur/sample/Insurance Pack"_s)));
    {
        QFile pdf(t.path(u"xdg/Larkspur/sample/Insurance Pack/inventory.pdf"_s));
        QVERIFY(pdf.open(QIODevice::WriteOnly) && pdf.write("%PDF-1.4\n") > 0);
    }
    t.dialogs.answer(Answer::Yes);
    open->trigger();
    QVERIFY(t.store.at(0).name() != u"Changed"_s);
    const QString kept = t.path(u"xdg/Larkspur/sample (earlier copy)"_s);
    QCOMPARE(t.dialogs.shown.constLast().kind, u"information"_s);
    QVERIFY2(t.dialogs.lastText().contains(kept), qPrintable(t.dialogs.lastText()));
    RecordStore saved;
    QVERIFY(DataFile::readDatabase(kept + u"/household.dat"_s, saved, false).ok());
    QCOMPARE(saved.at(0).name(), u"Changed"_s);
    QCOMPARE(readAll(kept + u"/Insurance Pack/inventory.pdf"_s), QByteArray("%PDF-1.4\n"));

    // A second time: the next free name; the first kept copy stays as it was.
    t.store.at(0).setName(u"Changed again"_s);
    QVERIFY(DataFile::writeDatabase(expected, t.store).ok);
    t.dialogs.answer(Answer::Yes);
    open->trigger();
    QCOMPARE(beside(),
        (QStringList { u"sample"_s, u"sample (earlier copy 2)"_s, u"sample (earlier copy)"_s }));
    RecordStore second, first;
    QVERIFY(DataFile::readDatabase(
        t.path(u"xdg/Larkspur/sample (earlier copy 2)/household.dat"_s), second, false)
                .ok());
    QCOMPARE(second.at(0).name(), u"Changed again"_s);
    QVERIFY(DataFile::readDatabase(kept + u"/household.dat"_s, first, false).ok());
    QCOMPARE(first.at(0).name(), u"Changed"_s);
    qunsetenv("XDG_DATA_HOME");
}

QTEST_MAIN(TestSample)
#include "tst_sample.moc"
