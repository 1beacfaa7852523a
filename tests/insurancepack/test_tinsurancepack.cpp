// The Insurance Pack window: opened from the Report and View menu, it makes the pack on a worker
// while it keeps answering, ends with a box that names the folder and opens it, opens the PDF,
// asks a time-stamping service when given one, and keeps the cover text and the service.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "insurancepack/tinsurancepack.h"
#include "recordwindow/tview.h"
#include "store/datafile.h"
#include "tests/support/apptest.h"
#include "tests/support/toolrun.h"
#include "tests/support/tsaserver.h"

using namespace Qt::StringLiterals;

namespace {

// Waits for the window's pack to end, turning the event loop meanwhile.
bool waitForPack(QSignalSpy &finished)
{
    return !finished.isEmpty() || finished.wait(300000);
}

// Records with many photos, each its own file, so composing takes a while.
void addPhotos(AppTest &t, int count)
{
    QImage img(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QString first = t.path(u"photo0.jpg"_s);
    img.save(first, "JPEG", 80);
    for (int i = 0; i < count; ++i) {
        const QString name = t.path(u"photo%1.jpg"_s.arg(i));
        if (i > 0)
            QFile::copy(first, name);
        if (i % ItemRecord::PictureCount == 0) {
            ItemRecord r;
            r.setName(u"Thing %1"_s.arg(i));
            t.store.append(r);
        }
        t.store.at(t.store.count() - 1).setPicture(i % ItemRecord::PictureCount + 1, { name, u"Photo %1"_s.arg(i), false });
    }
}

QPushButton *cancelButton(QProgressDialog *progress)
{
    for (QPushButton *b : progress->findChildren<QPushButton *>())
        if (b->text() == u"Cancel"_s)
            return b;
    return nullptr;
}

} // namespace

class TestTInsurancePack : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void makesThePackFromTheMenu();
    void searchListOnly();
    void defaultFolderIsTheDocuments();
    void coverTextSurvivesTheSettings_data();
    void coverTextSurvivesTheSettings();
    void answersWhileMaking();
    void cancelFromTheStart();
    void endsWithABoxNamingTheFolder_data();
    void endsWithABoxNamingTheFolder();
    void keepsTheTimestampService();
};

void TestTInsurancePack::makesThePackFromTheMenu()
{
    AppTest t;
    TView view(t.ctx);
    t.windows.setWindow(WindowKind::Record, &view);
    t.windows.setFactory(WindowKind::InsurancePack, [&t] { return new TInsurancePack(t.ctx); });
    t.activation.activate(&view);
    t.store.at(0).setName(u"Oak Armchair"_s);
    t.store.at(0).setDetail(8, u"$890.00"_s);
    t.store.captions.description[8] = u"Location"_s;
    t.store.at(0).setDescription(8, u"Living Room"_s);

    QAction *menu = view.findChild<QAction *>(u"InsurancePack1"_s);
    QVERIFY(menu);
    menu->trigger();
    auto *pack = qobject_cast<TInsurancePack *>(t.windows.existing(WindowKind::InsurancePack));
    QVERIFY(pack);
    QCOMPARE(pack->findChild<QComboBox *>(u"GroupBy"_s)->currentText(), u"Location"_s);
    const QString folder = t.path(u"pack"_s);
    pack->findChild<QLineEdit *>(u"PackFolder"_s)->setText(folder);
    pack->findChild<QPlainTextEdit *>(u"CoverText"_s)->setPlainText(u"A. Owner\nPolicy 42"_s);
    pack->findChild<QComboBox *>(u"Photos"_s)->setCurrentIndex(2);
    QSignalSpy finished(pack, &TInsurancePack::packFinished);
    t.dialogs.answer(Dialogs::Answer::No); // the final box: OK
    QVERIFY(pack->MakePackBtnClick());
    QVERIFY(waitForPack(finished));
    QCOMPARE(finished.takeFirst().value(0).toBool(), true);
    for (const QString &f : { u"inventory.pdf"_s, u"inventory.html"_s, u"inventory.csv"_s,
             u"catalogue.dat"_s, u"manifest.sha256"_s })
        QVERIFY2(QFileInfo::exists(folder + u'/' + f), qPrintable(f));
    QCOMPARE(t.dialogs.shown.constLast().kind, u"action"_s);
    QVERIFY(t.dialogs.shown.constLast().text.contains(folder));
    QVERIFY(t.dialogs.shown.constLast().parent == pack);
    QVERIFY(t.shell.opened.isEmpty());

    pack->findChild<QPushButton *>(u"OpenPdfBtn"_s)->click();
    QCOMPARE(t.shell.opened, QStringList { folder + u"/inventory.pdf"_s });

    // The folder is there now: a second pack into it is refused with a message, nothing changed.
    QVERIFY(pack->MakePackBtnClick());
    QVERIFY(waitForPack(finished));
    QCOMPARE(finished.takeFirst().value(0).toBool(), false);
    QCOMPARE(t.dialogs.shown.constLast().kind, u"error"_s);
    QVERIFY(t.dialogs.allUsed());
    delete pack;
}

// "The search list" packs only the records on it; an empty list is said, and nothing is written.
void TestTInsurancePack::searchListOnly()
{
    AppTest t;
    for (const QString &name : { u"Lamp"_s, u"Chair"_s, u"Clock"_s }) {
        ItemRecord r;
        r.setName(name);
        t.store.append(r);
    }
    TInsurancePack pack(t.ctx);
    t.activation.activate(&pack);
    pack.findChild<QRadioButton *>(u"SearchList"_s)->setChecked(true);
    pack.findChild<QComboBox *>(u"Photos"_s)->setCurrentIndex(2);
    const QString empty = t.path(u"empty"_s);
    pack.findChild<QLineEdit *>(u"PackFolder"_s)->setText(empty);
    QSignalSpy finished(&pack, &TInsurancePack::packFinished);
    QVERIFY(pack.MakePackBtnClick());
    QVERIFY(waitForPack(finished));
    QCOMPARE(finished.takeFirst().value(0).toBool(), false);
    QCOMPARE(t.dialogs.shown.constLast().kind, u"error"_s);
    QVERIFY2(
        t.dialogs.lastText().contains(u"search list is empty"_s), qPrintable(t.dialogs.lastText()));
    QVERIFY(!QFileInfo::exists(empty));
    QCOMPARE(QDir(t.dir.path())
                 .entryList(QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot)
                 .filter(u"empty"_s),
        QStringList());

    t.store.at(t.store.count() - 1).OnSearchList = true;
    const QString folder = t.path(u"listed"_s);
    pack.findChild<QLineEdit *>(u"PackFolder"_s)->setText(folder);
    t.dialogs.answer(Dialogs::Answer::No); // the final box: OK
    QVERIFY(pack.MakePackBtnClick());
    QVERIFY(waitForPack(finished));
    QCOMPARE(finished.takeFirst().value(0).toBool(), true);
    const ToolRun csv = runProgram(u"python3"_s,
        { u"-c"_s,
            u"import csv,sys\n"
            "print([r['Name'] for r in csv.DictReader(open(sys.argv[1],newline='',encoding='utf-8'))])\n"_s,
            folder + u"/inventory.csv"_s });
    QCOMPARE(csv.outText(), u"['Clock']\n"_s);
    RecordStore copy;
    QVERIFY(DataFile::readDatabase(folder + u"/catalogue.dat"_s, copy, false).ok());
    QCOMPARE(copy.count(), 1);
}

// The pack goes to the user's documents unless they chose a folder before, never beside a
// catalogue kept in a hidden data folder.
void TestTInsurancePack::defaultFolderIsTheDocuments()
{
    AppTest t;
    t.store.fileName = t.path(u".local/share/Larkspur/sample/household.dat"_s);
    TInsurancePack pack(t.ctx);
    const QString folder = pack.findChild<QLineEdit *>(u"PackFolder"_s)->text();
    QCOMPARE(QFileInfo(folder).absolutePath(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QVERIFY(!folder.contains(u"/."_s));
}

void TestTInsurancePack::coverTextSurvivesTheSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("lines") << u"A. Owner\n1 High Street\nPolicy 42"_s;
    QTest::newRow("backslashes") << u"C:\\claims\\2026 and \\n as typed"_s;
    QTest::newRow("one line") << u"Policy 42"_s;
}

void TestTInsurancePack::coverTextSurvivesTheSettings()
{
    QFETCH(QString, text);
    AppTest t;
    t.settings.writeString(u"INSURANCE COVER"_s, TInsurancePack::escapeCover(text));
    QCOMPARE(TInsurancePack::unescapeCover(t.settings.readString(u"INSURANCE COVER"_s, {})), text);
}

// The pack is composed on a worker: Make Pack returns at once with the progress dialog and its
// Cancel showing, and the pack can only end when the window's event loop turns meanwhile, as the
// time-stamping service holds its answer until an event posted after the click is handled.
void TestTInsurancePack::answersWhileMaking()
{
    AppTest t;
    addPhotos(t, 48);
    TsaServer tsa(t.path(u"tsa"_s), { u"--hold"_s });
    QVERIFY(tsa.listening());
    TInsurancePack pack(t.ctx);
    const QString folder = t.path(u"pack"_s);
    pack.findChild<QLineEdit *>(u"PackFolder"_s)->setText(folder);
    pack.findChild<QLineEdit *>(u"TimestampAddress"_s)->setText(tsa.address());
    pack.show();
    QSignalSpy finished(&pack, &TInsurancePack::packFinished);
    t.dialogs.answer(Dialogs::Answer::No);

    QTest::mouseClick(pack.findChild<QPushButton *>(u"MakePackBtn"_s), Qt::LeftButton);
    QVERIFY(pack.making());
    QVERIFY(!QFileInfo::exists(folder));
    auto *progress = pack.findChild<QProgressDialog *>(u"PackProgress"_s);
    QVERIFY(progress && progress->isVisible());
    QVERIFY(cancelButton(progress) && cancelButton(progress)->isVisible()
        && cancelButton(progress)->isEnabled());
    QVERIFY(!pack.centralWidget()->isEnabled());

    bool handledWhileMaking = false;
    QTimer::singleShot(0, &pack, [&] {
        handledWhileMaking = pack.making();
        QVERIFY(tsa.nextRequest() > 0); // the worker reached the service
        tsa.release();
    });
    QVERIFY(waitForPack(finished));
    QVERIFY(handledWhileMaking);
    QCOMPARE(finished.takeFirst().value(0).toBool(), true);
    QVERIFY(!pack.making());
    QVERIFY(pack.centralWidget()->isEnabled());
    QVERIFY(!pack.findChild<QProgressDialog *>(u"PackProgress"_s));
    QVERIFY2(
        t.dialogs.lastText().contains(u"48 photos included"_s), qPrintable(t.dialogs.lastText()));
    QVERIFY(t.dialogs.lastText().contains(u"timestamped at"_s));
    const ToolRun ok = runProgram(u"openssl"_s,
        { u"ts"_s, u"-verify"_s, u"-data"_s, folder + u"/manifest.sha256"_s, u"-in"_s,
            folder + u"/manifest.sha256.tsr"_s, u"-CAfile"_s, tsa.certificate() });
    QVERIFY2(ok.outText().contains(u"Verification: OK"_s), QByteArray(ok.out + ok.err).constData());
}

// Cancel is there and works before the first photo is done, and leaves nothing behind: the
// service never answers, so the pack cannot end but by Cancel.
void TestTInsurancePack::cancelFromTheStart()
{
    AppTest t;
    addPhotos(t, 48);
    TsaServer tsa(t.path(u"tsa"_s), { u"--hold"_s });
    QVERIFY(tsa.listening());
    const QString parent = t.path(u"packs"_s);
    QVERIFY(QDir().mkpath(parent));
    TInsurancePack pack(t.ctx);
    const QString folder = parent + u"/pack"_s;
    pack.findChild<QLineEdit *>(u"PackFolder"_s)->setText(folder);
    pack.findChild<QLineEdit *>(u"TimestampAddress"_s)->setText(tsa.address());
    pack.show();
    QSignalSpy finished(&pack, &TInsurancePack::packFinished);

    QVERIFY(pack.MakePackBtnClick());
    auto *progress = pack.findChild<QProgressDialog *>(u"PackProgress"_s);
    QVERIFY(progress && progress->isVisible());
    QTest::mouseClick(cancelButton(progress), Qt::LeftButton);
    QVERIFY(waitForPack(finished));
    QCOMPARE(finished.takeFirst().value(0).toBool(), false);
    QCOMPARE(t.dialogs.shown.constLast().kind, u"status"_s);
    QCOMPARE(t.dialogs.lastText(), u"Insurance pack cancelled; nothing was written."_s);
    QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList());
    QVERIFY(pack.centralWidget()->isEnabled());
}

void TestTInsurancePack::endsWithABoxNamingTheFolder_data()
{
    QTest::addColumn<QStringList>(
        "service"); // the time-stamping service's options; none: no address
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("stamped");
    QTest::newRow("no service, open") << QStringList { u"none"_s } << true << QString() << false;
    QTest::newRow("stamped, OK") << QStringList() << false << u"timestamped at"_s << true;
    QTest::newRow("service fails") << QStringList { u"--status"_s, u"500"_s } << true
                                   << u"The pack has NO timestamp"_s << false;
}

void TestTInsurancePack::endsWithABoxNamingTheFolder()
{
    QFETCH(QStringList, service);
    QFETCH(bool, open);
    QFETCH(QString, says);
    QFETCH(bool, stamped);
    AppTest t;
    addPhotos(t, 3);
    std::unique_ptr<TsaServer> tsa;
    TInsurancePack pack(t.ctx);
    // A folder name longer than any window is wide, with a character a URL would escape.
    const QString folder
        = t.path(u"Insurance Pack for the house on the hill #2 "_s + QString(60, u'x'));
    pack.findChild<QLineEdit *>(u"PackFolder"_s)->setText(folder);
    if (service != QStringList { u"none"_s }) {
        tsa = std::make_unique<TsaServer>(t.path(u"tsa"_s), service);
        QVERIFY(tsa->listening());
        pack.findChild<QLineEdit *>(u"TimestampAddress"_s)->setText(tsa->address());
    }
    QSignalSpy finished(&pack, &TInsurancePack::packFinished);
    t.dialogs.answer(open ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    QVERIFY(pack.MakePackBtnClick());
    QVERIFY(waitForPack(finished));
    QCOMPARE(finished.takeFirst().value(0).toBool(), true);

    const FakeDialogs::Shown box = t.dialogs.shown.constLast();
    QCOMPARE(box.kind, u"action"_s);
    QCOMPARE(t.dialogs.lastAction, u"Open Folder"_s);
    QVERIFY(box.parent == &pack);
    QVERIFY2(box.text.contains(folder), qPrintable(box.text));
    QVERIFY(box.text.contains(u"3 photos included, 0 missing"_s));
    if (says.isEmpty())
        QVERIFY(!box.text.contains(u"timestamp"_s, Qt::CaseInsensitive));
    else
        QVERIFY2(box.text.contains(says), qPrintable(box.text));
    QCOMPARE(QFileInfo::exists(folder + u"/manifest.sha256.tsr"_s), stamped);
    QCOMPARE(t.shell.opened, open ? QStringList { folder } : QStringList());
    QVERIFY(t.dialogs.allUsed());
}

// The service's address is one of the pack's options: kept in the settings, empty by default,
// and refused with a message before anything is made when it is no address.
void TestTInsurancePack::keepsTheTimestampService()
{
    AppTest t;
    {
        TInsurancePack pack(t.ctx);
        auto *address = pack.findChild<QLineEdit *>(u"TimestampAddress"_s);
        QVERIFY(address);
        QCOMPARE(address->text(), QString());
        address->setText(u"timestamp.example.org"_s);
        pack.findChild<QLineEdit *>(u"PackFolder"_s)->setText(t.path(u"pack"_s));
        QVERIFY(!pack.MakePackBtnClick());
        QCOMPARE(t.dialogs.shown.constLast().kind, u"error"_s);
        QVERIFY(t.dialogs.lastText().contains(u"timestamp.example.org"_s));
        QVERIFY(!pack.making());
        QVERIFY(!QFileInfo::exists(t.path(u"pack"_s)));
        address->setText(u"http://timestamp.example.org/tsa"_s);
        pack.FormDeactivate();
    }
    TInsurancePack again(t.ctx);
    QCOMPARE(again.findChild<QLineEdit *>(u"TimestampAddress"_s)->text(),
        u"http://timestamp.example.org/tsa"_s);
}

QTEST_MAIN(TestTInsurancePack)
#include "test_tinsurancepack.moc"
