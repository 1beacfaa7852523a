// The report designer and the preview over a real record window: items, columns, margins, format
// files, orientation, import, composing, the preview's zoom, printing and export.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "recordwindow/tview.h"
#include "reports/columnbar.h"
#include "reports/reportformat.h"
#include "reports/tprintbox.h"
#include "reports/tzephpreview.h"
#include "sending/texportinternet.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    AppTest t;
    TView view { t.ctx };
    std::unique_ptr<TPrintBox> box;

    explicit Fixture(int records = 3)
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.activation.activate(&view);
        t.store.clear();
        for (int i = 1; i <= records; ++i) {
            ItemRecord r;
            r.setName(u"Item %1"_s.arg(i));
            r.setDetail(1, u"10"_s);
            r.setDetail(9, u"1"_s);
            r.setDescription(1, u"Kitchen : House"_s);
            t.store.append(std::move(r));
        }
        t.store.databaseOpen = true;
        t.store.currentIndex = 0;
        view.GetRecord(0);
        box = std::make_unique<TPrintBox>(t.ctx);
        t.activation.activate(box.get());
    }
    template<typename T> T *get(const QString &name) const
    {
        T *w = box->findChild<T *>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }
    bool enabled(const QString &name) const { return get<QWidget>(name)->isEnabled(); }
    void add(int code) { box->ItemClick(code); }
    QString path(const QString &name) const { return t.path(name); }
};

const QStringList seven { u"Undo"_s, u"SaveReportBtn"_s, u"ImportFileBtn"_s, u"clear"_s,
    u"SetModeBtn"_s, u"sFont"_s, u"ppreview"_s };

} // namespace

class TestTPrintBox : public QObject
{
    Q_OBJECT
private slots:
    void itemsAndTheirMenu();
    void columnsAndMargins();
    void saveAndLoad();
    void loadDamagedKeepsWhatWasRead();
    void landscapeFormatTurnsThePrinter();
    void scopeCaption();
    void importByItems();
    void previewComposes();
    void previewZoomAndPages();
    void previewPrintsAndExports();
    void previewDialogsOpenOverThePreview_data();
    void previewDialogsOpenOverThePreview();
    void tooMuchDataWarns();
    void recordWindowExport();
    void sendButtonsOpenTheSendWindow();
};

void TestTPrintBox::itemsAndTheirMenu()
{
    Fixture f;
    QCOMPARE(f.box->windowTitle(), u"Report (All Records)"_s);
    for (const QString &name : seven)
        QVERIFY2(!f.enabled(name), qPrintable(name));
    QMenu *menu = f.box->itemMenu();
    QCOMPARE(menu->actions().size(), 23);
    QCOMPARE(menu->actions()[0]->text(), u"Origin"_s);
    QCOMPARE(menu->actions()[11]->text(), u"Value"_s);
    QCOMPARE(menu->actions()[21]->text(), u"Record #"_s);
    for (int code = 0; code < 23; ++code)
        f.add(code);
    for (QAction *a : menu->actions())
        QVERIFY(!a->isEnabled());
    for (const QString &name : seven)
        QVERIFY2(f.enabled(name), qPrintable(name));
    QCOMPARE(f.get<QListWidget>(u"Fields"_s)->count(), 23);
    f.box->UndoClick();
    QVERIFY(menu->actions()[22]->isEnabled());
    QVERIFY(!menu->actions()[21]->isEnabled());
    f.box->clearClick();
    for (QAction *a : menu->actions())
        QVERIFY(a->isEnabled());
    QCOMPARE(f.get<QListWidget>(u"Fields"_s)->count(), 0);
    for (const QString &name : seven)
        QVERIFY2(!f.enabled(name), qPrintable(name));
    f.add(21);
    f.add(22);
    f.box->UndoClick();
    f.box->UndoClick();
    QVERIFY(!f.enabled(u"Undo"_s));
    QVERIFY(menu->actions()[21]->isEnabled() && menu->actions()[22]->isEnabled());
    // The send buttons do not depend on the item list.
    QVERIFY(f.enabled(u"EmailReportBtn"_s) && f.enabled(u"FTPReportBTN"_s));
}

void TestTPrintBox::columnsAndMargins()
{
    Fixture f;
    // A4 at 10 mm margins is a 7-inch page; margins of a quarter inch leave 6.5 inches.
    f.get<QLineEdit>(u"LeftM"_s)->setText(u"0.25"_s);
    emit f.get<QLineEdit>(u"LeftM"_s)->editingFinished();
    f.get<QLineEdit>(u"RightM"_s)->setText(u"0.25"_s);
    emit f.get<QLineEdit>(u"RightM"_s)->editingFinished();
    QCOMPARE(f.box->printableWidth(), 9360);
    f.box->SetColumnsClick();
    ColumnBar *bar = f.box->columnBar();
    QCOMPARE(bar->count(), 3);
    QCOMPARE(bar->label(0), u"2.17"_s);
    QCOMPARE(bar->sectionSize(0), 123);
    bar->resizeSection(0, 246); // dragging an edge relabels
    QCOMPARE(bar->label(0), u"4.33"_s);

    f.get<QLineEdit>(u"ColNum"_s)->setText(u"x"_s);
    f.box->SetColumnsClick();
    QCOMPARE(f.t.dialogs.lastText(), u"'x' is not a valid integer value"_s);
    QCOMPARE(bar->count(), 3);
    f.get<QLineEdit>(u"ColNum"_s)->setText(u"10"_s);
    f.box->SetColumnsClick();
    QCOMPARE(f.t.dialogs.lastText(), u"Value must be between 1 and 9"_s);
    f.get<QLineEdit>(u"ColNum"_s)->setText(u"9"_s);
    f.box->SetColumnsClick();
    QCOMPARE(bar->count(), 9);

    QLineEdit *top = f.get<QLineEdit>(u"TopM"_s);
    top->setText(u"2.5"_s);
    emit top->editingFinished();
    QCOMPARE(f.t.dialogs.lastText(), u"Value must be between 0 and 2"_s);
    QCOMPARE(top->text(), u"1"_s);
    top->setText(u"one"_s);
    emit top->editingFinished();
    QCOMPARE(f.t.dialogs.lastText(), u"'one' is not a valid floating point value"_s);
    QCOMPARE(f.box->definition().margins[2], u"1"_s);

    // A column's colour comes from the colour dialog; cancelling keeps it.
    f.box->colourDialog = [](const QColor &) { return std::optional<QColor>(QColor(Qt::black)); };
    f.box->WidthsSectionClick(1);
    QCOMPARE(f.box->definition().colours[1], StoredColour::Black);
    f.box->colourDialog = [](const QColor &) { return std::optional<QColor>(); };
    f.box->WidthsSectionClick(1);
    QCOMPARE(f.box->definition().colours[1], StoredColour::Black);

    // Fonts: the dialog's size is limited, the sample box names the font's use.
    f.add(22);
    f.box->fontDialog = [](const QFont &, int) {
        QFont font(u"DejaVu Serif"_s);
        font.setPointSize(30);
        font.setBold(true);
        return font;
    };
    f.box->TitlefontClick();
    QCOMPARE(f.box->definition().titleFont.pointSize(), 18);
    QVERIFY(f.box->definition().titleFont.bold);
    QCOMPARE(f.get<QLineEdit>(u"HeaderFont"_s)->text(), u"Title"_s);
    f.box->Date1Click();
    QCOMPARE(f.box->definition().bodyFont.pointSize(), 12);
}

void TestTPrintBox::saveAndLoad()
{
    Fixture f;
    f.add(22);
    f.add(11);
    f.get<QLineEdit>(u"ReportTitle"_s)->setText(u"Contents"_s);
    f.get<QCheckBox>(u"rDate"_s)->setChecked(false);
    const QString path = f.path(u"a.rpt"_s);
    f.t.dialogs.file(path);
    f.box->SaveReportBtnClick();
    QCOMPARE(f.t.dialogs.lastText(), u"Report format saved"_s);
    QCOMPARE(f.t.dialogs.shown.first().file.defaultSuffix, u"rpt"_s);
    // Saving over it asks; No asks for another name.
    f.t.dialogs.file(path);
    f.t.dialogs.answer(Dialogs::Answer::No);
    f.t.dialogs.file(QString());
    f.box->SaveReportBtnClick();
    QVERIFY(
        f.t.dialogs.texts().contains(path + u" already exists.  Do you want to overwrite it ?"_s));
    QVERIFY(f.t.dialogs.allUsed());

    f.box->clearClick();
    f.get<QLineEdit>(u"ReportTitle"_s)->setText(u"Other"_s);
    f.t.dialogs.file(path);
    f.box->LoadClick();
    QCOMPARE(f.t.dialogs.shown.last().text, u"Report format loaded"_s);
    QCOMPARE(f.t.dialogs.shown[f.t.dialogs.shown.size() - 2].file.filterIndex, 1);
    QCOMPARE(f.get<QLineEdit>(u"ReportTitle"_s)->text(), u"Contents"_s);
    QVERIFY(!f.get<QCheckBox>(u"rDate"_s)->isChecked());
    QCOMPARE(f.get<QListWidget>(u"Fields"_s)->count(), 2);
    QVERIFY(!f.box->itemMenu()->actions()[22]->isEnabled());
    QVERIFY(f.enabled(u"ppreview"_s));
}

void TestTPrintBox::loadDamagedKeepsWhatWasRead()
{
    Fixture f;
    ReportDefinition d;
    d.title = u"Half"_s;
    d.items = { { 22, 0, u"Name"_s } };
    const QByteArray whole = ReportFormat::write(d);
    QFile file(f.path(u"cut.rpt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(whole.left(40));
    file.close();
    f.t.dialogs.file(file.fileName());
    f.box->LoadClick();
    QCOMPARE(
        f.t.dialogs.lastText(), u"Sorry "_s + file.fileName() + u" is not a valid report file"_s);
    QCOMPARE(f.get<QLineEdit>(u"ReportTitle"_s)->text(), u"Half"_s);
    QCOMPARE(f.get<QListWidget>(u"Fields"_s)->count(), 1);
    QVERIFY(!f.enabled(u"SaveReportBtn"_s)); // EnableScreen did not run
}

void TestTPrintBox::landscapeFormatTurnsThePrinter()
{
    Fixture f;
    QCOMPARE(f.t.printer.orientation(), QPageLayout::Portrait);
    const int portraitWidth = f.box->printableWidth();
    ReportDefinition d;
    d.items = { { 22, 0, u"Name"_s } };
    d.orientation = ReportOrientation::Landscape;
    QVERIFY(ReportFormat::save(f.path(u"l.rpt"_s), d).ok());
    f.t.dialogs.file(f.path(u"l.rpt"_s));
    f.box->LoadClick();
    QCOMPARE(f.t.printer.orientation(), QPageLayout::Landscape);
    QVERIFY(f.box->printableWidth() > portraitWidth);
    QVERIFY(f.get<QWidget>(u"Landscape"_s)->property("checked").toBool());
    f.box->PortraitClick();
    QCOMPARE(f.t.printer.orientation(), QPageLayout::Portrait);
    QCOMPARE(f.box->printableWidth(), portraitWidth);
}

void TestTPrintBox::scopeCaption()
{
    Fixture f;
    f.box->SetModeBtnClick();
    QCOMPARE(f.box->windowTitle(), u"Report (Searched Records)"_s);
    QVERIFY(f.box->searchListOnly());
    f.box->SetModeBtnClick();
    QCOMPARE(f.box->windowTitle(), u"Report (All Records)"_s);
}

void TestTPrintBox::importByItems()
{
    Fixture f(4);
    f.add(22);
    f.add(11);
    QFile file(f.path(u"in.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Lamp,12.50\r\nChair,5\nDesk\r\n");
    file.close();
    f.t.dialogs.file(file.fileName());
    f.box->ImportFileBtnClick();
    QCOMPARE(f.t.dialogs.lastText(), u"File Imported"_s);
    QCOMPARE(f.t.dialogs.shown.first().file.title, u"Import Comma Delimated File"_s);
    QCOMPARE(f.t.store.count(), 7);
    QCOMPARE(f.t.store.at(4).name(), u"Lamp"_s);
    QCOMPARE(f.t.store.at(4).detail(1), u"$0,012.50"_s);
    QCOMPARE(f.t.store.at(5).detail(1), u"$0,000.05"_s);
    QCOMPARE(f.t.store.at(6).detail(2), u"2026/12/10"_s);
}

void TestTPrintBox::previewComposes()
{
    Fixture f;
    f.add(22);
    f.add(0);
    f.get<QLineEdit>(u"ReportTitle"_s)->setText(u"Kitchen List"_s);
    bool ran = false;
    f.box->runPreview = [&](TZephPreview &p) {
        ran = true;
        QCOMPARE(p.windowTitle(), u"Preview"_s);
        QCOMPARE(p.printer().PageCount(), 1);
        QVERIFY(!p.findChild<QSpinBox *>(u"SpinEdit1"_s)->isEnabled());
        QCOMPARE(p.findChild<QLabel *>(u"Pages"_s)->text(), u"Page 1 of 1"_s);
        QCOMPARE(p.findChild<QComboBox *>(u"Zoom"_s)->currentText(), u"Fit Width"_s);
    };
    f.box->ppreviewClick();
    QVERIFY(ran);
    const ExportTable &t = f.box->exportTable();
    QCOMPARE(t.cell(0, 1), u"Name"_s);
    QCOMPARE(t.cell(1, 2), u"Kitchen : House"_s);
    // The record window's Short Description Values shortens them.
    f.view.ShortDescriptionValues1Click();
    f.box->ppreviewClick();
    QCOMPARE(f.box->exportTable().cell(1, 2), u"Kitchen "_s);
}

void TestTPrintBox::previewZoomAndPages()
{
    Fixture f(300);
    f.add(22);
    f.box->runPreview = [&](TZephPreview &p) {
        p.resize(1024, 768);
        QSpinBox *spin = p.findChild<QSpinBox *>(u"SpinEdit1"_s);
        QVERIFY(spin->isEnabled());
        QCOMPARE(spin->maximum(), p.printer().PageCount());
        QCOMPARE(spin->toolTip(), u"Total Pages "_s + QString::number(p.printer().PageCount()));
        spin->setValue(2);
        QCOMPARE(p.shownPage(), 2);
        QCOMPARE(p.findChild<QLabel *>(u"Pages"_s)->text(),
            u"Page 2 of "_s + QString::number(p.printer().PageCount()));
        QComboBox *zoom = p.findChild<QComboBox *>(u"Zoom"_s);
        zoom->setCurrentText(u"100"_s);
        p.ZoomExit();
        const int hundred = p.scale();
        QCOMPARE(hundred, 96);
        QCOMPARE(p.pageView()->width(), 7 * hundred); // A4 with its margins: a 7-inch page
        zoom->setCurrentText(u"abc"_s);
        p.ZoomExit();
        QCOMPARE(f.t.dialogs.lastText(), u"'abc' is not a valid integer value"_s);
        QCOMPARE(p.scale(), hundred);
        // Margins hidden: the view shows the area inside them.
        p.MarginButtonClick();
        QCOMPARE(p.pageView()->width(), 5 * hundred);
        p.GridButtonClick();
        QVERIFY(p.printer().showGrid);

        // Typing defers: a list choice made while typing waits for the field to be left.
        QTest::keyClicks(zoom->lineEdit(), u"5"_s);
        p.ZoomChange(zoom->findText(u"200"_s));
        QCOMPARE(p.scale(), hundred);
        QTest::keyClick(zoom->lineEdit(), Qt::Key_Return);
        p.ZoomChange(zoom->findText(u"200"_s));
        QCOMPARE(p.scale(), 192);
        // The page label follows typing in the page field; the page waits for the entry.
        QLineEdit *pageText = spin->findChild<QLineEdit *>();
        pageText->selectAll();
        QTest::keyClicks(pageText, u"3"_s);
        QCOMPARE(p.findChild<QLabel *>(u"Pages"_s)->text(),
            u"Page 3 of "_s + QString::number(p.printer().PageCount()));
        QCOMPARE(p.shownPage(), 2);
        QVERIFY(!p.pageView()->grab().isNull());
    };
    f.box->ppreviewClick();
}

void TestTPrintBox::previewPrintsAndExports()
{
    Fixture f;
    f.add(22);
    f.get<QLineEdit>(u"ReportTitle"_s)->setText(u"Printed List"_s);
    f.box->runPreview = [&](TZephPreview &p) {
        p.printDialog
            = [](int count, int &from, int &to) { return count == 1 && from == 1 && to == 1; };
        p.PrintBtnClick();
        f.t.dialogs.file(f.path(u"out.csv"_s));
        p.ExportCSVClick();
        QCOMPARE(f.t.dialogs.lastText(), u"File Saved"_s);
        f.t.dialogs.file(f.path(u"out.htm"_s));
        p.ExportHTMLClick();
        f.t.dialogs.file(f.path(u"no/such/out.htm"_s));
        p.ExportHTMLClick();
        QCOMPARE(f.t.dialogs.lastText(),
            u"Cannot create file "_s + f.path(u"no/such/out.htm"_s)
                + u": No such file or directory"_s);
    };
    f.box->ppreviewClick();
    QProcess pdf;
    pdf.start(u"pdftotext"_s, { f.path(u"printout.pdf"_s), u"-"_s });
    QVERIFY(pdf.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdf.readAllStandardOutput());
    QVERIFY2(text.contains(u"Printed List"_s), qPrintable(text));
    QVERIFY(text.contains(u"Item 3"_s));
    QFile csv(f.path(u"out.csv"_s));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QVERIFY(csv.readAll().startsWith("#,Name\r\n1.,Item 1\r\n"));
    QFile htm(f.path(u"out.htm"_s));
    QVERIFY(htm.open(QIODevice::ReadOnly));
    QVERIFY(htm.readAll().contains("<td nowrap>Item 2</td>"));
}

void TestTPrintBox::previewDialogsOpenOverThePreview_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kind");
    QTest::newRow("print") << u"print"_s << u"print"_s;
    QTest::newRow("export CSV") << u"csv"_s << u"save"_s;
    QTest::newRow("export HTML") << u"html"_s << u"save"_s;
}

void TestTPrintBox::previewDialogsOpenOverThePreview()
{
    QFETCH(QString, command);
    QFETCH(QString, kind);
    Fixture f;
    f.add(3);
    // The record window stays the platform's active window, as under the modal preview.
    QWidget *preview = nullptr;
    f.box->runPreview = [&](TZephPreview &p) {
        preview = &p;
        f.t.dialogs.reset();
        if (command == u"print") {
            f.t.dialogs.printRanges.push_back(std::nullopt);
            p.PrintBtnClick();
        } else {
            f.t.dialogs.file(QString());
            command == u"csv" ? p.ExportCSVClick() : p.ExportHTMLClick();
        }
    };
    f.box->ppreviewClick();
    QVERIFY(preview);
    QCOMPARE(f.t.dialogs.shown.size(), 1);
    QCOMPARE(f.t.dialogs.shown[0].kind, kind);
    QCOMPARE(f.t.dialogs.shown[0].parent, preview);
    QVERIFY(f.t.dialogs.allUsed());
}

void TestTPrintBox::tooMuchDataWarns()
{
    Fixture f(1500);
    f.add(22);
    int composed = 0;
    f.box->runPreview = [&](TZephPreview &p) { composed = p.printer().PageCount(); };
    f.box->ppreviewClick();
    QCOMPARE(composed, 11);
    const QString warning = f.t.dialogs.texts().last();
    QVERIFY2(
        warning.startsWith(u"Warning ... your report contains too much data.  Only the first "_s),
        qPrintable(warning));
    QVERIFY(warning.endsWith(u" records will be displayed."_s));
}

void TestTPrintBox::recordWindowExport()
{
    Fixture f;
    f.t.store.at(0).Wanted = true;
    f.view.GetRecord(0);
    f.t.dialogs.file(f.path(u"all.csv"_s));
    f.view.ExportClick();
    QCOMPARE(f.t.dialogs.lastText(), u"Export Successful."_s);
    QCOMPARE(f.t.dialogs.shown.first().file.filter, u"CSV File|*.csv"_s);
    QFile csv(f.path(u"all.csv"_s));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].endsWith(",Wanted\r"));
    f.t.dialogs.file(f.path(u"no/such/all.csv"_s));
    f.view.ExportClick();
    QCOMPARE(f.t.dialogs.lastText(),
        u"Cannot create file "_s + f.path(u"no/such/all.csv"_s) + u": No such file or directory"_s);
}

void TestTPrintBox::sendButtonsOpenTheSendWindow()
{
    Fixture f;
    f.add(22);
    QStringList texts;
    f.box->runSendWindow = [&](TExportInternet &w) {
        w.show();
        QCOMPARE(w.windowTitle(), u"Internet"_s);
        texts += w.findChild<QPlainTextEdit *>(u"MessageBody"_s)->toPlainText();
        w.close();
    };
    QTest::mouseClick(f.get<QToolButton>(u"EmailReportBtn"_s), Qt::LeftButton);
    f.get<QCheckBox>(u"pItemNumber"_s)->setChecked(false);
    QTest::mouseClick(f.get<QToolButton>(u"FTPReportBTN"_s), Qt::LeftButton);
    // Heading and the three records, never the totals; without item numbers the two blanks of
    // the number column stay at the end.
    QCOMPARE(texts,
        (QStringList {
            u"\n-------------\n#   Name     \n-------------\n1.  Item 1   \n2.  Item 2   \n"
            "3.  Item 3   \n"_s,
            u"\n-----------\nName       \n-----------\nItem 1     \nItem 2     \nItem 3     \n"_s }));
    QVERIFY(f.t.dialogs.texts().isEmpty());
}

QTEST_MAIN(TestTPrintBox)
#include "test_tprintbox.moc"
