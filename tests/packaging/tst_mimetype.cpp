// The catalogue file type: recognised by the signature inside the file, whatever its name, as
// the desktop's own MIME database (here Qt's reader of it) sees it once the type is installed.
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "store/datafile.h"
#include "store/recordstore.h"

using namespace Qt::StringLiterals;

class TestMimeType : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void bySignature_data();
    void bySignature();

private:
    QTemporaryDir m_dir;
};

void TestMimeType::initTestCase()
{
    // An XDG data folder holding only our type, compiled as the package's trigger compiles it.
    const QString mime = m_dir.filePath(u"xdg/mime"_s);
    QVERIFY(QDir().mkpath(mime + u"/packages"_s));
    QVERIFY(QFile::copy(qEnvironmentVariable("LARKSPUR_SOURCE_DIR") + u"/packaging/larkspur-mime.xml"_s,
        mime + u"/packages/larkspur.xml"_s));
    QProcess update;
    update.start(u"update-mime-database"_s, { mime });
    QVERIFY(update.waitForFinished(60000));
    QCOMPARE(update.exitCode(), 0);
    qputenv("XDG_DATA_DIRS", (m_dir.filePath(u"xdg"_s) + u":/usr/share"_s).toLocal8Bit());
}

void TestMimeType::bySignature_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version"); // the file's first text; empty: not a catalogue
    QTest::addColumn<bool>("catalogue");
    QTest::newRow("catalogue.dat") << u"home.dat"_s << u"1.43"_s << true;
    QTest::newRow("catalogue with another name") << u"insurance-copy.bin"_s << u"1.43"_s << true;
    QTest::newRow("older version text") << u"old.dat"_s << u"1.2"_s << true;
    QTest::newRow("other program's .dat") << u"game.dat"_s << QString() << false;
}

void TestMimeType::bySignature()
{
    QFETCH(QString, name);
    QFETCH(QString, version);
    QFETCH(bool, catalogue);
    const QString path = m_dir.filePath(name);
    if (version.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x06\x04" "1.43\x06\x13" "Larkspur Notebooks", 26).repeated(4));
    } else {
        RecordStore store;
        store.append(ItemRecord {});
        QVERIFY(DataFile::writeDatabase(path, store).ok);
        if (version != u"1.43"_s) { // the reader never checks the version: neither may the type
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QByteArray bytes = f.readAll();
            f.close();
            const QByteArray text = QByteArray("\x06") + char(version.size()) + version.toLatin1();
            bytes.replace(0, 6, text);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QCOMPARE(type.name() == u"application/x-larkspur-catalogue"_s, catalogue);
}

QTEST_GUILESS_MAIN(TestMimeType)
#include "tst_mimetype.moc"
