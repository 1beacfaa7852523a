// The HTML report window over a real record window: the field list and its menu, View and Save
// HTML, the row limit warning, format files, font and colour, printing and the report menu.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "htmlreport/hrffile.h"
#include "htmlreport/thtmlreport.h"
#include "recordwindow/tview.h"
#include "tests/support/apptest.h"
#include "tests/support/toolrun.h"

using namespace Qt::StringLiterals;

namespace {

const QString limitWarning = u"Warning ... HTML Reports are limited to a maximum of 1000 records.  "
                             "Some records will not be displayed."_s;
const QString invalidFormat = u"HTML Report Format file is invalid.  No format loaded."_s;

struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    THTMLReport *report = nullptr;

    explicit Fixture(int n = 3)
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.windows.setFactory(WindowKind::HtmlReport, [this] { return new THTMLReport(t.ctx); });
        t.activation.activate(&view);
        t.store.clear();
        for (int i = 1; i <= n; ++i) {
            ItemRecord r;
            r.setName(u"Item %1"_s.arg(i));
            r.setDetail(1, u"%1.00"_s.arg(i * 10));
            r.setDescription(1, u"Radio : Electronics"_s);
            t.store.append(std::move(r));
        }
        t.store.currentIndex = 0;
        view.GetRecord(0);
        report = qobject_cast<THTMLReport *>(t.windows.openWindow(WindowKind::HtmlReport));
    }
    ~Fixture() { delete t.windows.existing(WindowKind::HtmlReport); }

    QListWidget *fields() const { return report->findChild<QListWidget *>(u"Fields"_s); }
    QStringList captions() const
    {
        QStringList out;
        for (int i = 0; i < fields()->count(); ++i)
            out << fields()->item(i)->text();
        return out;
    }
    bool enabled(const QString &name) const
    {
        return report->findChild<QWidget *>(name)->isEnabled();
    }
    void add(int code) { report->itemEntry(code)->trigger(); }
    void select(int row) { fields()->setCurrentRow(row); }
    QByteArray read(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString programFile(const QString &name) const { return t.folder.filePath(name); }
    QByteArray viewPage() // View, returning the page written
    {
        report->ViewReportBtnClick();
        return read(programFile(u"rphtml.htm"_s));
    }
};

} // namespace

class TestTHTMLReport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menuFollowsCaptions();
    void addAndRemove();
    void removeOnlyEntry();
    void moveAtTheEnds();
    void clearEnablesEveryEntry();
    void viewWritesAndOpensThePage();
    void rowLimitWarning_data();
    void rowLimitWarning();
    void onlySearchList();
    void saveHtml();
    void saveHtmlToUnwritableFolder();
    void loadHeaderAndFooter();
    void formatRoundTripWithBlack();
    void activationResetsFontAndColour();
    void invalidFormatKeepsWhatWasRead();
    void loadedItemsCanBeAddedAgain();
    void fontAndColourDialogs();
    void sameBytesAsTheTool();
    void printTable();
    void printSettingsDialog();
    void reportMenu();
};

void TestTHTMLReport::menuFollowsCaptions()
{
    Fixture f;
    QVERIFY(f.report);
    QCOMPARE(f.report->windowTitle(), u"Generate HTML Report"_s);
    QCOMPARE(f.report->itemMenu()->actions().size(), 23);
    for (int code = 0; code < 23; ++code) {
        QCOMPARE(f.report->itemEntry(code)->data().toInt(), (code + 1) * 10);
        QVERIFY(f.report->itemEntry(code)->isEnabled());
    }
    QCOMPARE(f.report->itemEntry(0)->text(), f.t.store.captions.description[1]);
    QCOMPARE(f.report->itemEntry(21)->text(), u"Record #"_s);
    QCOMPARE(f.report->itemEntry(22)->text(), u"Name"_s);
    for (const char *name : { "RemoveBtn", "ClearBtn", "ViewReportBtn" })
        QVERIFY2(!f.enabled(QString::fromLatin1(name)), name);
    QVERIFY(f.enabled(u"SaveHTMLBtn"_s));

    // A renamed field shows on the next activation.
    f.t.store.captions.detail[2] = u"Bought"_s;
    f.t.activation.activate(&f.view);
    f.t.activation.activate(f.report);
    QCOMPARE(f.report->itemEntry(12)->text(), u"Bought"_s);
}

void TestTHTMLReport::addAndRemove()
{
    Fixture f;
    f.add(22);
    f.add(11);
    f.add(20);
    QCOMPARE(f.captions(), (QStringList { u"Name"_s, f.t.store.captions.detail[1], u"Status"_s }));
    QVERIFY(!f.report->itemEntry(22)->isEnabled());
    QVERIFY(f.enabled(u"RemoveBtn"_s) && f.enabled(u"ClearBtn"_s) && f.enabled(u"ViewReportBtn"_s));

    // Nothing selected: Remove does nothing.
    f.fields()->setCurrentRow(-1);
    f.report->RemoveBtnClick();
    QCOMPARE(f.captions().size(), 3);

    // The selected entry goes, not the last one, and its menu entry is back.
    f.select(0);
    f.report->findChild<QPushButton *>(u"RemoveBtn"_s)->click();
    QCOMPARE(f.captions(), (QStringList { f.t.store.captions.detail[1], u"Status"_s }));
    QVERIFY(f.report->itemEntry(22)->isEnabled());
    QVERIFY(!f.report->itemEntry(11)->isEnabled());
}

void TestTHTMLReport::removeOnlyEntry()
{
    Fixture f;
    f.add(21);
    f.select(0);
    f.report->RemoveBtnClick();
    QVERIFY(f.captions().isEmpty());
    for (const char *name : { "RemoveBtn", "ClearBtn", "ViewReportBtn" })
        QVERIFY2(!f.enabled(QString::fromLatin1(name)), name);
    QVERIFY(f.report->itemEntry(21)->isEnabled());
}

void TestTHTMLReport::moveAtTheEnds()
{
    Fixture f;
    f.add(22);
    f.add(21);
    f.add(20);
    const QStringList start { u"Name"_s, u"Record #"_s, u"Status"_s };

    f.select(0);
    f.report->MoveUpBtnClick(); // the first cannot go up
    QCOMPARE(f.captions(), start);
    f.select(2);
    f.report->MoveDownBtnClick(); // the last cannot go down
    QCOMPARE(f.captions(), start);
    f.fields()->setCurrentRow(-1);
    f.report->MoveUpBtnClick();
    f.report->MoveDownBtnClick();
    QCOMPARE(f.captions(), start);

    f.select(2);
    f.report->findChild<QPushButton *>(u"MoveUpBtn"_s)->click();
    QCOMPARE(f.captions(), (QStringList { u"Name"_s, u"Status"_s, u"Record #"_s }));
    QCOMPARE(f.fields()->currentRow(), 1); // the moved entry stays selected
    f.select(0);
    f.report->findChild<QPushButton *>(u"MoveDownBtn"_s)->click();
    QCOMPARE(f.captions(), (QStringList { u"Status"_s, u"Name"_s, u"Record #"_s }));
    // The page follows the list's order.
    QVERIFY(f.viewPage().contains(
        "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\"><br></font></td>\r\n"
        "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\">Item 1</font></td>\r\n"
        "<td nowrap BGCOLOR=\"#FFFFFF\"><font color=\"#000000\">1</font></td>\r\n"));

    // One entry: Move Down does nothing.
    f.report->ClearBtnClick();
    f.add(22);
    f.select(0);
    f.report->MoveDownBtnClick();
    QCOMPARE(f.captions(), QStringList { u"Name"_s });
}

void TestTHTMLReport::clearEnablesEveryEntry()
{
    Fixture f;
    f.add(21);
    f.add(22);
    f.report->findChild<QToolButton *>(u"ClearBtn"_s)->click();
    QVERIFY(f.captions().isEmpty());
    QVERIFY(f.report->itemEntry(21)->isEnabled() && f.report->itemEntry(22)->isEnabled());
    QVERIFY(!f.enabled(u"ClearBtn"_s) && !f.enabled(u"ViewReportBtn"_s));
}

void TestTHTMLReport::viewWritesAndOpensThePage()
{
    Fixture f;
    f.add(22);
    f.add(0);
    f.report->findChild<QPlainTextEdit *>(u"HeaderHTML"_s)
        ->setPlainText(u"<h1>Mine</h1>\n<p>All</p>"_s);
    f.report->findChild<QPlainTextEdit *>(u"FooterHTML"_s)->setPlainText(u"<p>End</p>"_s);
    f.report->findChild<QPushButton *>(u"ViewReportBtn"_s)->click();
    const QString page = f.programFile(u"rphtml.htm"_s);
    QCOMPARE(f.t.shell.opened, QStringList { page });
    const QByteArray bytes = f.read(page);
    QVERIFY(bytes.startsWith("<h1>Mine</h1>\r\n<p>All</p>\r\n<table border=\"1\""));
    QVERIFY(bytes.contains("<tr>\r\n<td nowrap BGCOLOR=\"#"));
    QVERIFY(bytes.contains("\"><B>Name</B></td>\r\n"));
    QVERIFY(bytes.contains(">Radio : Electronics</font></td>")); // whole values by default
    QVERIFY(bytes.endsWith("</table><p>\r\n<p>End</p>\r\n"));
    QCOMPARE(f.read(f.programFile(u"header.htm"_s)), QByteArray("<h1>Mine</h1>\r\n<p>All</p>\r\n"));
    QCOMPARE(f.read(f.programFile(u"footer.htm"_s)), QByteArray("<p>End</p>\r\n"));
    QVERIFY(f.t.dialogs.texts().isEmpty());

    // Short description values follow the record window's option.
    f.view.findChild<QAction *>(u"ShortDescriptionValues1"_s)->trigger();
    QVERIFY(f.viewPage().contains(">Radio </font></td>"));
}

void TestTHTMLReport::rowLimitWarning_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("warned");
    QTest::newRow("1000") << 1000 << 1000 << false;
    QTest::newRow("1001") << 1001 << 1000 << true;
}

void TestTHTMLReport::rowLimitWarning()
{
    QFETCH(int, records);
    QFETCH(int, rows);
    QFETCH(bool, warned);
    Fixture f(records);
    f.add(22);
    const QByteArray page = f.viewPage();
    QCOMPARE(f.report->reportData().rowCount(), rows + 1);
    QCOMPARE(page.count("<tr>"), rows + 1);
    QCOMPARE(page.contains(">Item 1000<"), true);
    QCOMPARE(page.contains(">Item 1001<"), false);
    QCOMPARE(f.t.dialogs.texts(), warned ? QStringList { limitWarning } : QStringList());
    if (warned)
        QCOMPARE(f.t.dialogs.shown.last().kind, u"information"_s);
}

void TestTHTMLReport::onlySearchList()
{
    Fixture f(4);
    f.add(22);
    f.report->findChild<QCheckBox *>(u"SearchList"_s)->setChecked(true);
    QCOMPARE(f.viewPage().count("<tr>"), 1); // the heading row only
    f.t.store.at(2).OnSearchList = true;
    const QByteArray page = f.viewPage();
    QCOMPARE(page.count("<tr>"), 2);
    QVERIFY(page.contains(">Item 3<"));
}

void TestTHTMLReport::saveHtml()
{
    Fixture f;
    f.add(22);
    const QString path = f.t.path(u"report.htm"_s);
    f.t.dialogs.file(QString()); // cancelled
    QVERIFY(!f.report->SaveHTMLBtnClick());
    QVERIFY(!QFile::exists(path));
    QVERIFY(f.t.dialogs.texts().isEmpty());

    f.t.dialogs.file(path);
    QVERIFY(f.report->SaveHTMLBtnClick());
    const FileDialogOptions &o = f.t.dialogs.shown.first().file;
    QCOMPARE(o.filter, u"HTML File|*.htm"_s);
    QCOMPARE(o.defaultSuffix, u"htm"_s);
    QCOMPARE(f.t.dialogs.lastText(), u"HTML report saved as "_s + path + u'.');
    QVERIFY(f.read(path).contains(">Item 3<"));
    QVERIFY(f.t.shell.opened.isEmpty());
}

void TestTHTMLReport::saveHtmlToUnwritableFolder()
{
    Fixture f;
    f.add(22);
    const QString path = f.t.path(u"missing/folder/report.htm"_s);
    f.t.dialogs.file(path);
    QVERIFY(!f.report->SaveHTMLBtnClick());
    QCOMPARE(f.t.dialogs.texts(),
        QStringList { u"Cannot create file "_s + path + u": No such file or directory"_s });
    QCOMPARE(f.t.dialogs.shown.last().kind, u"error"_s);

    // The program folder gone: View shows the same failure and opens nothing.
    QDir(f.t.folder.path()).removeRecursively();
    f.t.dialogs.reset();
    QVERIFY(!f.report->ViewReportBtnClick());
    QCOMPARE(f.t.dialogs.texts(),
        QStringList { u"Cannot create file "_s + f.programFile(u"rphtml.htm"_s)
            + u": No such file or directory"_s });
    QVERIFY(f.t.shell.opened.isEmpty());
}

void TestTHTMLReport::loadHeaderAndFooter()
{
    Fixture f;
    const QString path = f.t.path(u"top.htm"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<h1>Caf\xe9</h1>\r\n<p>one</p>\n<p>two</p>\r\n");
    file.close();
    f.t.dialogs.file(path);
    f.report->findChild<QPushButton *>(u"LoadHeaderBtn"_s)->click();
    QCOMPARE(f.t.dialogs.shown.last().file.filter, u"HTML File|*.htm"_s);
    QCOMPARE(f.report->design().header,
        (QStringList { u"<h1>Caf\u00e9</h1>"_s, u"<p>one</p>"_s, u"<p>two</p>"_s }));

    f.t.dialogs.file(QString()); // cancelled: the footer stays
    f.report->findChild<QPlainTextEdit *>(u"FooterHTML"_s)->setPlainText(u"kept"_s);
    f.report->LoadFooterBtnClick();
    QCOMPARE(f.report->design().footer, QStringList { u"kept"_s });

    f.t.dialogs.file(f.t.path(u"nothing.htm"_s));
    f.report->LoadFooterBtnClick();
    QCOMPARE(f.t.dialogs.lastText(),
        u"Cannot open file "_s + f.t.path(u"nothing.htm"_s) + u": No such file or directory"_s);
    QCOMPARE(f.report->design().footer, QStringList { u"kept"_s });
}

void TestTHTMLReport::formatRoundTripWithBlack()
{
    Fixture f;
    f.add(22);
    f.add(20);
    f.report->findChild<QPlainTextEdit *>(u"HeaderHTML"_s)->setPlainText(u"<h1>Top</h1>"_s);
    f.report->findChild<QPlainTextEdit *>(u"FooterHTML"_s)->setPlainText(u"<p>Bottom</p>"_s);
    f.report->findChild<QCheckBox *>(u"SearchList"_s)->setChecked(true);
    f.t.dialogs.colour(QColor(Qt::black));
    f.report->SelectColorBtnClick();
    const HtmlReportDesign saved = f.report->design();
    QCOMPARE(saved.colour, VclValues::clBlack);

    const QString path = f.t.path(u"design.hrf"_s);
    f.t.dialogs.file(path);
    f.report->findChild<QToolButton *>(u"SaveFormatBtn"_s)->click();
    QCOMPARE(f.t.dialogs.shown.last().kind, u"status"_s);
    QCOMPARE(f.t.dialogs.statusWindows.last(), f.report);
    QCOMPARE(f.t.dialogs.lastText(), u"HTML Report Format Saved."_s);
    const FileDialogOptions &o = f.t.dialogs.shown[f.t.dialogs.shown.size() - 2].file;
    QCOMPARE(o.filter, u"HTML Report Format|*.hrf"_s);
    QCOMPARE(o.defaultSuffix, u"hrf"_s);

    // Into a fresh window: the same design, black cells on the page.
    f.report->close();
    QTRY_VERIFY(!f.t.windows.existing(WindowKind::HtmlReport));
    f.report = qobject_cast<THTMLReport *>(f.t.windows.openWindow(WindowKind::HtmlReport));
    QVERIFY(f.captions().isEmpty());
    f.t.dialogs.file(path);
    f.report->findChild<QToolButton *>(u"LoadFormatBtn"_s)->click();
    QCOMPARE(f.t.dialogs.lastText(), u"HTML Report Format file loaded."_s);
    QCOMPARE(f.report->design(), saved);
    QVERIFY(f.enabled(u"RemoveBtn"_s) && f.enabled(u"ClearBtn"_s) && f.enabled(u"ViewReportBtn"_s));
    f.t.store.at(0).OnSearchList = true;
    QVERIFY(
        f.viewPage().contains("<td nowrap BGCOLOR=\"#000000\"><font color=\"#000000\">Item 1<"));
}

void TestTHTMLReport::activationResetsFontAndColour()
{
    Fixture f;
    f.t.dialogs.colour(QColor(0x12, 0x34, 0x56));
    f.report->SelectColorBtnClick();
    QCOMPARE(f.report->design().colour, qint32(0x563412));
    f.t.activation.activate(&f.view);
    f.t.activation.activate(f.report);
    QCOMPARE(f.report->design().colour, VclValues::clWhite);
    QCOMPARE(f.report->design().font, VclValues::Font());
}

void TestTHTMLReport::invalidFormatKeepsWhatWasRead()
{
    Fixture f;
    f.add(5);
    f.report->findChild<QPlainTextEdit *>(u"FooterHTML"_s)->setPlainText(u"old footer"_s);
    HtmlReportDesign d;
    d.items = { { u"Name"_s, 230 }, { u"Record #"_s, 220 } };
    d.header = { u"<h1>A</h1>"_s, u"<h2>B</h2>"_s };
    d.footer = { u"<p>C</p>"_s };
    const QByteArray bytes = HrfFile::write(d);
    const QString path = f.t.path(u"cut.hrf"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.left(bytes.indexOf("<h2>") - 2)); // ends inside the header list
    file.close();

    f.t.dialogs.file(path);
    f.report->LoadFormatBtnClick();
    QCOMPARE(f.t.dialogs.texts(), QStringList { invalidFormat });
    QCOMPARE(f.captions(), (QStringList { u"Name"_s, u"Record #"_s }));
    QCOMPARE(f.report->design().header, QStringList { u"<h1>A</h1>"_s });
    QVERIFY(f.report->design().footer.isEmpty()); // emptied before reading

    // A file that does not open: the same message; the list emptied.
    f.t.dialogs.reset();
    f.t.dialogs.file(f.t.path(u"absent.hrf"_s));
    f.report->LoadFormatBtnClick();
    QCOMPARE(f.t.dialogs.texts(), QStringList { invalidFormat });
    QVERIFY(f.captions().isEmpty());
    QVERIFY(!f.enabled(u"RemoveBtn"_s));

    // Cancelled: nothing happens.
    f.add(22);
    f.t.dialogs.reset();
    f.t.dialogs.file(QString());
    f.report->LoadFormatBtnClick();
    QVERIFY(f.t.dialogs.texts().isEmpty());
    QCOMPARE(f.captions(), QStringList { u"Name"_s });
}

void TestTHTMLReport::loadedItemsCanBeAddedAgain()
{
    Fixture f;
    HtmlReportDesign d;
    d.items = { { u"Name"_s, 230 } };
    const QString path = f.t.path(u"one.hrf"_s);
    QVERIFY(HrfFile::save(path, d, nullptr));
    f.add(22);
    f.t.dialogs.file(path);
    f.report->LoadFormatBtnClick();
    // Loading leaves the menu as it was: an entry can be added next to its loaded twin.
    f.report->ClearBtnClick();
    f.t.dialogs.file(path);
    f.report->LoadFormatBtnClick();
    QVERIFY(f.report->itemEntry(22)->isEnabled());
    f.add(22);
    QCOMPARE(f.captions(), (QStringList { u"Name"_s, u"Name"_s }));
    f.select(0);
    f.report->RemoveBtnClick();
    QVERIFY(f.report->itemEntry(22)->isEnabled());
}

void TestTHTMLReport::fontAndColourDialogs()
{
    Fixture f;
    f.add(22);
    // The dialog starts from the default font in window text.
    FontChoice bold;
    bold.font = QFont(u"Arial"_s, 12);
    bold.font.setBold(true);
    bold.font.setItalic(true);
    bold.colour = QColor(Qt::red);
    f.t.dialogs.font(bold);
    f.report->findChild<QToolButton *>(u"SelectFontBtn"_s)->click();
    QCOMPARE(f.t.dialogs.lastFontPreset.font.pointSize(), 8);
    QCOMPARE(f.t.dialogs.lastFontPreset.colour, QColor(Qt::black));
    const VclValues::Font font = f.report->design().font;
    QCOMPARE(font.name, u"Arial"_s);
    QCOMPARE(font.height, -16);
    QCOMPARE(font.colour, qint32(0x0000FF));
    QVERIFY(font.style.bold && font.style.italic && !font.style.underline);
    QVERIFY(f.viewPage().contains("<font color=\"#FF0000\"><B><I>Item 1</I></B></font>"));

    // Cancelled dialogs change nothing.
    f.t.dialogs.font(std::nullopt);
    f.report->SelectFontBtnClick();
    f.t.dialogs.colour(std::nullopt);
    f.report->findChild<QToolButton *>(u"SelectColorBtn"_s)->click();
    QCOMPARE(f.report->design().font, font);
    QCOMPARE(f.report->design().colour, VclValues::clWhite);

    // A font dialog left on the same colour keeps window text as window text.
    f.t.activation.activate(&f.view);
    f.t.activation.activate(f.report);
    FontChoice same;
    same.font = QFont(u"Arial"_s, 9);
    same.colour = VclValues::toQColor(VclValues::clWindowText);
    f.t.dialogs.font(same);
    f.report->SelectFontBtnClick();
    QCOMPARE(f.report->design().font.colour, VclValues::clWindowText);
    QVERIFY(f.t.dialogs.allUsed());
}

void TestTHTMLReport::sameBytesAsTheTool()
{
    Fixture f(5);
    f.t.store.at(1).setName(u"<script>alert(1)</script>"_s);
    f.t.store.at(3).ForTrade = true;
    f.t.store.at(0).OnSearchList = true; // the tool has no search list
    const QString dat = f.t.path(u"things.dat"_s);
    f.t.dialogs.file(dat);
    QVERIFY(f.view.SaveAsClick());
    f.add(22);
    f.add(0);
    f.add(20);
    f.add(21);
    f.report->findChild<QPlainTextEdit *>(u"HeaderHTML"_s)->setPlainText(u"<h1>Things</h1>"_s);
    FontChoice underline;
    underline.font = QFont(u"Arial"_s, 10);
    underline.font.setUnderline(true);
    underline.colour = QColor(Qt::blue);
    f.t.dialogs.font(underline);
    f.report->SelectFontBtnClick();
    const QString hrf = f.t.path(u"things.hrf"_s);
    f.t.dialogs.file(hrf);
    f.report->SaveFormatBtnClick();
    const QString page = f.t.path(u"window.htm"_s);
    f.t.dialogs.file(page);
    QVERIFY(f.report->SaveHTMLBtnClick());

    for (const bool shortValues : { false, true }) {
        const QString out = f.t.path(u"tool.htm"_s);
        QStringList args { u"html-report"_s, hrf, dat, out };
        if (shortValues)
            args << u"--short-descriptions"_s;
        const ToolRun r = runProgram(QStringLiteral(LARKSPUR_TOOL_PATH), args);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.outText(), out + u": 5 records written\n"_s);
        if (!shortValues) {
            QCOMPARE(f.read(out), f.read(page));
        } else {
            QVERIFY(f.read(out).contains(">Radio </U></font></td>"));
        }
    }
}

void TestTHTMLReport::printTable()
{
    Fixture f(40);
    f.t.store.at(39).setName(u"Grandfather Clock"_s);
    f.add(22);
    f.add(11);
    f.report->ppreviewClick();
    QVERIFY(f.report->printMenu()->isVisible());
    f.report->printMenu()->close();
    QCOMPARE(f.report->printGrid().rows, 40);
    QVERIFY(f.report->Print1Click());
    const QString text
        = runProgram(u"pdftotext"_s, { f.t.path(u"printout.pdf"_s), u"-"_s }).outText();
    for (const QString &s : { u"Name"_s, f.t.store.captions.detail[1], u"Item 1"_s,
             u"Grandfather Clock"_s, u"400.00"_s })
        QVERIFY2(text.contains(s), qPrintable(s));
}

void TestTHTMLReport::printSettingsDialog()
{
    Fixture f(3);
    f.add(22);
    f.report->ppreviewClick();
    f.report->printMenu()->close();
    f.report->printMenu()->findChild<QAction *>(u"PrintSettings1"_s)->trigger();
    TablePrintDialog *dialog = f.report->printDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QTRY_COMPARE(dialog->previewPageCount(), 1);
    TablePrintSettings s = dialog->settings();
    QVERIFY(s.outerBorder && s.gridLines); // ruled, as the page shows the table
    s.pageNumbers = true;
    s.orientation = QPageLayout::Portrait;
    dialog->setSettings(s);
    dialog->accept();
    QVERIFY(f.report->printSettings().pageNumbers);
    QCOMPARE(f.report->printSettings().orientation, QPageLayout::Portrait);
}

void TestTHTMLReport::reportMenu()
{
    Fixture f;
    f.report->ReportBtnClick();
    QMenu *menu = f.report->reportMenu();
    QCOMPARE(menu->actions().size(), 2);
    QVERIFY(!menu->actions()[0]->isEnabled());
    QVERIFY(!menu->actions()[1]->isEnabled()); // no regular report in this build

    // With a regular report window: all records, and that window opens.
    auto *designer = new QWidget;
    designer->setObjectName(u"PrintBox"_s);
    f.t.windows.setFactory(WindowKind::ReportDesigner, [designer] { return designer; });
    f.t.store.scope = RecordScope::SearchList;
    f.report->ReportBtnClick();
    QVERIFY(menu->actions()[1]->isEnabled());
    menu->actions()[1]->trigger();
    QCOMPARE(f.t.windows.existing(WindowKind::ReportDesigner), designer);
    QCOMPARE(f.t.store.scope, RecordScope::AllRecords);
    delete designer;

    // The record window's report menu opens this window.
    f.report->close();
    QTRY_VERIFY(!f.t.windows.existing(WindowKind::HtmlReport));
    f.t.windows.reportMenu()->actions()[0]->trigger();
    QVERIFY(qobject_cast<THTMLReport *>(f.t.windows.existing(WindowKind::HtmlReport)));
}

QTEST_MAIN(TestTHTMLReport)
#include "test_thtmlreport.moc"
