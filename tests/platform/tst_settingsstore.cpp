// The settings store: the ini file's reading and writing and the number and flag helpers.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "platform/settingsstore.h"

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Larkspur.ini")); }
    // A null content means: no file at all.
    void setFile(const QByteArray &content)
    {
        QFile::remove(iniPath());
        if (content.isNull())
            return;
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray fileBytes() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void readInteger_data();
    void readInteger();
    void readBool_data();
    void readBool();
    void readString_data();
    void readString();
    void writeString_data();
    void writeString();
    void numbersAndFlagsRoundTrip();
    void valuesRoundTripLiterally_data();
    void valuesRoundTripLiterally();
    void unstorableKeysAndValuesAreNotWritten();
    void unwritableStoreWarnsAndKeepsFile();
    void defaultPathFollowsXdgConfigHome();
    void writeCreatesTheFolder();
};

void TestSettingsStore::readInteger_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("defaultValue");
    QTest::addColumn<int>("expected");

    const QString viewW = QStringLiteral("ViewW:");
    QTest::newRow("decimal") << QByteArray("[SETTINGS]\nViewW:=700\n") << viewW << 634 << 700;
    QTest::newRow("negative") << QByteArray("[SETTINGS]\nViewW:=-12\n") << viewW << 634 << -12;
    QTest::newRow("file key lower case")
        << QByteArray("[settings]\nvieww:=700\n") << viewW << 634 << 700;
    QTest::newRow("asked key upper case")
        << QByteArray("[Settings]\nViewW:=700\n") << QStringLiteral("VIEWW:") << 634 << 700;
    QTest::newRow("hex 0x") << QByteArray("[SETTINGS]\nViewW:=0x1F\n") << viewW << 634 << 31;
    QTest::newRow("hex 0X") << QByteArray("[SETTINGS]\nViewW:=0X1f\n") << viewW << 634 << 31;
    QTest::newRow("hex full word")
        << QByteArray("[SETTINGS]\nViewW:=0xFFFFFFFF\n") << viewW << 634 << -1;
    QTest::newRow("hex leading zeros")
        << QByteArray("[SETTINGS]\nViewW:=0x0000000010\n") << viewW << 634 << 16;
    QTest::newRow("hex too large")
        << QByteArray("[SETTINGS]\nViewW:=0x100000000\n") << viewW << 634 << 634;
    QTest::newRow("hex without digits")
        << QByteArray("[SETTINGS]\nViewW:=0x\n") << viewW << 634 << 634;
    QTest::newRow("hex bad digit")
        << QByteArray("[SETTINGS]\nViewW:=0x1G\n") << viewW << 634 << 634;
    QTest::newRow("trailing letters")
        << QByteArray("[SETTINGS]\nViewW:=12abc\n") << viewW << 634 << 634;
    QTest::newRow("fraction") << QByteArray("[SETTINGS]\nViewW:=12.5\n") << viewW << 634 << 634;
    QTest::newRow("too large") << QByteArray("[SETTINGS]\nViewW:=99999999999\n") << viewW << 634
                               << 634;
    QTest::newRow("empty value") << QByteArray("[SETTINGS]\nViewW:=\n") << viewW << 634 << 634;
    QTest::newRow("missing key") << QByteArray("[SETTINGS]\nViewH:=480\n") << viewW << 634 << 634;
    QTest::newRow("missing file") << QByteArray() << viewW << 634 << 634;
    QTest::newRow("key in another section")
        << QByteArray("[OTHER]\nViewW:=700\n[SETTINGS]\n") << viewW << 634 << 634;
    QTest::newRow("blanks around equals")
        << QByteArray("[SETTINGS]\nViewW: = 700 \n") << viewW << 634 << 700;
    QTest::newRow("CR LF lines") << QByteArray("[SETTINGS]\r\nViewW:=700\r\n") << viewW << 634
                                 << 700;
    QTest::newRow("no line end at the end")
        << QByteArray("[SETTINGS]\nViewW:=700") << viewW << 634 << 700;
    QTest::newRow("first of two spellings")
        << QByteArray("[SETTINGS]\nSpreadsheetH:=400\nSpreadSheetH:=500\n")
        << QStringLiteral("SpreadSheetH:") << 475 << 400;
    QTest::newRow("key with blank and colon")
        << QByteArray("[SETTINGS]\nSPREADSHEET:3=7\nSPREADSHEET SIZE:3=150\n")
        << QStringLiteral("spreadsheet size:3") << 136 << 150;
    QTest::newRow("prefix of a longer key") << QByteArray("[SETTINGS]\nSPREADSHEET:10=4\n")
                                            << QStringLiteral("SPREADSHEET:1") << 1 << 1;
    QTest::newRow("byte order mark")
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\nViewW:=700\n") << viewW << 634 << 700;
    QTest::newRow("comment line") << QByteArray("[SETTINGS]\n;ViewW:=1\nViewW:=700\n") << viewW
                                  << 634 << 700;
}

void TestSettingsStore::readInteger()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(int, defaultValue);
    QFETCH(int, expected);
    setFile(file);
    IniSettingsStore store(iniPath());
    QCOMPARE(store.readInteger(key, defaultValue), expected);
}

void TestSettingsStore::readBool_data()
{
    QTest::addColumn<QByteArray>("value"); // null: key missing
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");

    QTest::newRow("0") << QByteArray("0") << true << false;
    QTest::newRow("1") << QByteArray("1") << false << true;
    QTest::newRow("5") << QByteArray("5") << false << true;
    QTest::newRow("-1") << QByteArray("-1") << false << true;
    QTest::newRow("hex zero") << QByteArray("0x0") << true << false;
    QTest::newRow("not a number, default true") << QByteArray("yes") << true << true;
    QTest::newRow("not a number, default false") << QByteArray("true") << false << false;
    QTest::newRow("missing, default true") << QByteArray() << true << true;
    QTest::newRow("missing, default false") << QByteArray() << false << false;
}

void TestSettingsStore::readBool()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    setFile(value.isNull() ? QByteArray("[SETTINGS]\n")
                           : QByteArray("[SETTINGS]\nDESCSTATE=") + value + '\n');
    IniSettingsStore store(iniPath());
    QCOMPARE(store.readBool(QStringLiteral("DescState"), defaultValue), expected);
}

void TestSettingsStore::readString_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString last = QStringLiteral("LAST FILE");
    QTest::newRow("plain") << QByteArray("[SETTINGS]\nLAST FILE=/home/a/x.dat\n") << last
                           << QStringLiteral("/home/a/x.dat");
    QTest::newRow("equals in value")
        << QByteArray("[SETTINGS]\nLAST FILE=/a/b=c.dat\n") << last << QStringLiteral("/a/b=c.dat");
    QTest::newRow("blanks around the value")
        << QByteArray("[SETTINGS]\nLAST FILE = /x/inv.dat \t\n") << last << QStringLiteral("/x/inv.dat");
    QTest::newRow("empty value is not the default")
        << QByteArray("[SETTINGS]\nLAST FILE=\n") << last << QStringLiteral("");
    QTest::newRow("UTF-8 value") << QByteArray(
        "[SETTINGS]\nLAST FILE=/home/\xC3\xA4/\xE2\x82\xAC.dat\n")
                                 << last << QStringLiteral("/home/\u00E4/\u20AC.dat");
    QTest::newRow("CR LF not part of value")
        << QByteArray("[SETTINGS]\r\nLAST FILE=/x.dat\r\n") << last << QStringLiteral("/x.dat");
    QTest::newRow("section name with blanks")
        << QByteArray("[ settings ]\nLAST FILE=/x.dat\n") << last << QStringLiteral("/x.dat");
    QTest::newRow("missing") << QByteArray("[SETTINGS]\n") << last << QStringLiteral("default");
}

void TestSettingsStore::readString()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    setFile(file);
    IniSettingsStore store(iniPath());
    const QString got = store.readString(key, QStringLiteral("default"));
    QCOMPARE(got, expected);
}

void TestSettingsStore::writeString_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    const QString last = QStringLiteral("LAST FILE");
    const QString x = QStringLiteral("/home/a/x.dat");
    QTest::newRow("new file") << QByteArray() << last << x
                              << QByteArray("[SETTINGS]\nLAST FILE=/home/a/x.dat\n");
    QTest::newRow("replace") << QByteArray("[SETTINGS]\nLAST FILE=/old.dat\nDESCSTATE=1\n") << last
                             << x
                             << QByteArray("[SETTINGS]\nLAST FILE=/home/a/x.dat\nDESCSTATE=1\n");
    QTest::newRow("replace other letter case")
        << QByteArray("[SETTINGS]\nSpreadsheetH:=475\n") << QStringLiteral("SpreadSheetH:")
        << QStringLiteral("500") << QByteArray("[SETTINGS]\nSpreadSheetH:=500\n");
    QTest::newRow("two spellings become one")
        << QByteArray("[SETTINGS]\nlast file=/a\nA=1\nLast File=/b\n") << last << x
        << QByteArray("[SETTINGS]\nLAST FILE=/home/a/x.dat\nA=1\n");
    QTest::newRow("append after the last key of the section")
        << QByteArray("[SETTINGS]\nA=1\nB=2\n\n[Tail]\ny=2\n") << last << x
        << QByteArray("[SETTINGS]\nA=1\nB=2\nLAST FILE=/home/a/x.dat\n\n[Tail]\ny=2\n");
    QTest::newRow("unknown sections, keys and comments kept byte for byte")
        << QByteArray("; my notes \n[Other]\nLAST FILE = keep me \nodd line\n\n"
                      "[settings]\n# note\nA=1\n\n[Tail]\n  y = 2 \t\n")
        << last << x
        << QByteArray("; my notes \n[Other]\nLAST FILE = keep me \nodd line\n\n"
                      "[settings]\n# note\nA=1\nLAST FILE=/home/a/x.dat\n\n[Tail]\n  y = 2 \t\n");
    QTest::newRow("non UTF-8 bytes elsewhere kept")
        << QByteArray("[Other]\nname=M\xFC"
                      "ller\n[SETTINGS]\n")
        << last << x
        << QByteArray("[Other]\nname=M\xFC"
                      "ller\n[SETTINGS]\nLAST FILE=/home/a/x.dat\n");
    QTest::newRow("no settings section yet")
        << QByteArray("[Other]\nk=v\n") << last << x
        << QByteArray("[Other]\nk=v\n\n[SETTINGS]\nLAST FILE=/home/a/x.dat\n");
    QTest::newRow("empty section")
        << QByteArray("[SETTINGS]\n[Other]\nk=v\n") << last << x
        << QByteArray("[SETTINGS]\nLAST FILE=/home/a/x.dat\n[Other]\nk=v\n");
    QTest::newRow("CR LF file keeps CR LF")
        << QByteArray("[SETTINGS]\r\nA=1\r\n") << last << x
        << QByteArray("[SETTINGS]\r\nA=1\r\nLAST FILE=/home/a/x.dat\r\n");
    QTest::newRow("last line without line end") << QByteArray(
        "[SETTINGS]\nA=1") << last << x << QByteArray("[SETTINGS]\nA=1\nLAST FILE=/home/a/x.dat\n");
    QTest::newRow("value with equals and blanks")
        << QByteArray() << QStringLiteral("SPREADSHEET SIZE:3") << QStringLiteral("a = b")
        << QByteArray("[SETTINGS]\nSPREADSHEET SIZE:3=a = b\n");
    QTest::newRow("written as UTF-8")
        << QByteArray() << last << QStringLiteral("/home/\u00E4/\u20AC.dat")
        << QByteArray("[SETTINGS]\nLAST FILE=/home/\xC3\xA4/\xE2\x82\xAC.dat\n");
}

void TestSettingsStore::writeString()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    setFile(before);
    IniSettingsStore store(iniPath());
    store.writeString(key, value);
    QCOMPARE(fileBytes(), after);
    QCOMPARE(store.readString(key, QString()), value);
}

void TestSettingsStore::numbersAndFlagsRoundTrip()
{
    // The exit writes all of these one after the other; no key may shadow another.
    setFile(QByteArray());
    IniSettingsStore store(iniPath());
    for (int n = 0; n <= 22; ++n) {
        store.writeInteger(QStringLiteral("SPREADSHEET:") + QString::number(n), 22 - n);
        store.writeInteger(QStringLiteral("SPREADSHEET SIZE:") + QString::number(n), 100 + n);
    }
    store.writeBool(QStringLiteral("DESCSTATE"), true);
    store.writeInteger(QStringLiteral("ViewW:"), -3);
    QVERIFY(fileBytes().contains("\nDESCSTATE=1\n"));
    QVERIFY(fileBytes().contains("\nSPREADSHEET SIZE:22=122\n"));

    IniSettingsStore again(iniPath());
    for (int n = 0; n <= 22; ++n) {
        QCOMPARE(
            again.readInteger(QStringLiteral("spreadsheet:") + QString::number(n), -1), 22 - n);
        QCOMPARE(again.readInteger(QStringLiteral("Spreadsheet Size:") + QString::number(n), -1),
            100 + n);
    }
    QCOMPARE(again.readBool(QStringLiteral("descstate"), false), true);
    QCOMPARE(again.readInteger(QStringLiteral("VIEWW:"), 634), -3);
    again.writeBool(QStringLiteral("DescState"), false);
    QVERIFY(fileBytes().contains("\nDescState=0\n"));
    QVERIFY(!fileBytes().contains("DESCSTATE"));
    QCOMPARE(fileBytes().count("\n"), 1 + 46 + 2);
}

void TestSettingsStore::valuesRoundTripLiterally_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("path with blanks") << QStringLiteral("/home/a b/My Things.dat");
    QTest::newRow("non-ASCII path")
        << QStringLiteral("/home/J\u00FCrgen/Sammlung \u00C4\u00F6 \u4E00.dat");
    QTest::newRow("equals and semicolon") << QStringLiteral("/x=y;z#w.dat");
    QTest::newRow("brackets") << QStringLiteral("[SETTINGS]");
}

void TestSettingsStore::valuesRoundTripLiterally()
{
    QFETCH(QString, value);
    setFile(QByteArray("[SETTINGS]\nViewW:=700\n"));
    IniSettingsStore(iniPath()).writeString(QStringLiteral("LAST FILE"), value);
    IniSettingsStore store(iniPath());
    QCOMPARE(store.readString(QStringLiteral("last file"), QString()), value);
    QCOMPARE(store.readInteger(QStringLiteral("ViewW:"), 0), 700);
}

void TestSettingsStore::unstorableKeysAndValuesAreNotWritten()
{
    // Written literally, a line break would plant keys or sections of its own.
    const QByteArray before("[SETTINGS]\nLAST FILE=/old.dat\n");
    setFile(before);
    IniSettingsStore store(iniPath());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not writing key")));
    store.writeString(QStringLiteral("LAST FILE"), QStringLiteral("/a\n[OTHER]\nViewW:=1"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not writing key")));
    store.writeString(QStringLiteral("A\rB"), QStringLiteral("1"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not writing key")));
    store.writeString(QStringLiteral("[OTHER]"), QStringLiteral("1"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not writing key")));
    store.writeString(QStringLiteral("LAST FILE"), QStringLiteral("/a/padded.dat "));
    QCOMPARE(fileBytes(), before);
}

void TestSettingsStore::unwritableStoreWarnsAndKeepsFile()
{
    // The folder is a plain file: the store can be neither created nor written.
    const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    IniSettingsStore blocked(blocker + QStringLiteral("/Larkspur.ini"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Settings: cannot")));
    blocked.writeInteger(QStringLiteral("ViewW:"), 1);
    QCOMPARE(blocked.readInteger(QStringLiteral("ViewW:"), 634), 634);
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep"));

    // A store that is there but cannot be read must not be replaced by a file of one key.
    const QString folder = m_dir.filePath(QStringLiteral("unreadable"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/Larkspur.ini/inner")));
    IniSettingsStore unreadable(folder + QStringLiteral("/Larkspur.ini"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Settings: cannot")));
    unreadable.writeString(QStringLiteral("LAST FILE"), QStringLiteral("/x.dat"));
    QVERIFY(QFileInfo(folder + QStringLiteral("/Larkspur.ini/inner")).isDir());
}

void TestSettingsStore::defaultPathFollowsXdgConfigHome()
{
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("home"))));

    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("xdg"))));
    QCOMPARE(IniSettingsStore::defaultPath(), m_dir.filePath(QStringLiteral("xdg/Larkspur.ini")));
    qputenv("XDG_CONFIG_HOME", "");
    QCOMPARE(IniSettingsStore::defaultPath(),
        m_dir.filePath(QStringLiteral("home/.config/Larkspur.ini")));
    qputenv("XDG_CONFIG_HOME", "relative/config");
    QCOMPARE(IniSettingsStore::defaultPath(),
        m_dir.filePath(QStringLiteral("home/.config/Larkspur.ini")));

    qputenv("XDG_CONFIG_HOME", oldXdg);
    if (oldXdg.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", oldHome);
}

void TestSettingsStore::writeCreatesTheFolder()
{
    const QString path = m_dir.filePath(QStringLiteral("new/config/Larkspur.ini"));
    IniSettingsStore store(path);
    store.writeInteger(QStringLiteral("AlbumW:"), 518);
    QCOMPARE(IniSettingsStore(path).readInteger(QStringLiteral("albumw:"), 0), 518);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
