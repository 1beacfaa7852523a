// The Insurance Pack window: opened from the Report and View menu, it writes the pack the
// composer makes, names the folder in its status bar, opens the PDF, and keeps the cover text.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "insurancepack/tinsurancepack.h"
#include "recordwindow/tview.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

class TestTInsurancePack : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void makesThePackFromTheMenu();
    void coverTextSurvivesTheSettings_data();
    void coverTextSurvivesTheSettings();
};

void TestTInsurancePack::makesThePackFromTheMenu()
{
    AppTest t;
    TView view(t.ctx);
    t.windows.setWindow(WindowKind::Record, &view);
    t.windows.setFactory(WindowKind::InsurancePack, [&t] { return new TInsurancePack(t.ctx); });
    t.activation.activate(&view);
    t.store.at(0).Name = u"Oak Armchair"_s;
    t.store.at(0).Details[8] = u"$890.00"_s;
    t.store.captions.description[8] = u"Location"_s;
    t.store.at(0).Descriptions[8] = u"Living Room"_s;

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
    QVERIFY(pack->MakePackBtnClick());
    for (const QString &f : { u"inventory.pdf"_s, u"inventory.html"_s, u"inventory.csv"_s,
             u"catalogue.dat"_s, u"manifest.sha256"_s })
        QVERIFY2(QFileInfo::exists(folder + u'/' + f), qPrintable(f));
    QCOMPARE(t.dialogs.shown.constLast().kind, u"status"_s);
    QVERIFY(t.dialogs.shown.constLast().text.contains(folder));
    QVERIFY(t.dialogs.statusWindows.constLast() == pack);

    pack->findChild<QPushButton *>(u"OpenPdfBtn"_s)->click();
    QCOMPARE(t.shell.opened, QStringList { folder + u"/inventory.pdf"_s });

    // The folder is there now: a second pack into it is refused with a message, nothing changed.
    QVERIFY(!pack->MakePackBtnClick());
    QCOMPARE(t.dialogs.shown.constLast().kind, u"error"_s);
    delete pack;
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

QTEST_MAIN(TestTInsurancePack)
#include "test_tinsurancepack.moc"
