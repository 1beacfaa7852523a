// Every dialog opens over the window that asked for it, also where another window of the program
// is the application's active one (the preview is maximised, modal and kept on top: a print
// dialog behind it would freeze the program).
#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "album/talbumview.h"
#include "app/sharedtoolbar.h"
#include "graph/tgraphdisplay.h"
#include "htmlreport/thtmlreport.h"
#include "insurancepack/tinsurancepack.h"
#include "recordwindow/tview.h"
#include "reports/tprintbox.h"
#include "reports/tzephpreview.h"
#include "search/tsearch.h"
#include "sending/texportinternet.h"
#include "spreadsheet/tsnapshot.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

// A printer with no printer installed, as far as a job goes: every job would open the print
// dialog first. It notes the window that dialog would open over (what the program gives its
// printer) and is cancelled.
class NoPrinterInstalled : public PdfPrinter
{
public:
    NoPrinterInstalled(const QString &file, FakeDialogs &dialogs)
        : PdfPrinter(file)
        , m_dialogs(dialogs)
    { }

protected:
    bool prepare() override
    {
        m_dialogs.shown.append({ u"print job"_s, QString(), {}, m_dialogs.parentWindow() });
        return false;
    }

private:
    FakeDialogs &m_dialogs;
};

struct Env
{
    AppTest t;
    NoPrinterInstalled printer { t.path(u"never.pdf"_s), t.dialogs };
    AppContext ctx { t.store, t.dialogs, t.settings, t.clock, t.folder, t.help, printer,
        t.activation, t.windows, t.shell };
    TView view { ctx };

    Env()
    {
        t.windows.setWindow(WindowKind::Record, &view);
        t.activation.activate(&view);
        t.store.clear();
        for (int i = 1; i <= 3; ++i) {
            ItemRecord r;
            r.setName(u"Item %1"_s.arg(i));
            r.setDescription(1, u"Chairs : Furniture"_s);
            r.setDetail(1, u"10"_s);
            r.OnSearchList = true;
            t.store.append(r);
        }
        t.store.categoryTexts[1] = u"Furniture\r\n\tChairs\r\n"_s;
        t.store.currentIndex = 0;
        view.GetRecord(0);
    }
};

} // namespace

class TestDialogParents : public QObject
{
    Q_OBJECT
private slots:
    void dialogOpensOverTheAskingWindow_data();
    void dialogOpensOverTheAskingWindow();
};

void TestDialogParents::dialogOpensOverTheAskingWindow_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("kinds"); // the dialogs the command opens, in order
    const QString job = u"print job"_s;
    for (const auto &[command, kinds] :
        std::initializer_list<std::pair<const char *, QStringList>> {
            { "preview print", { u"print"_s, job } }, { "preview export", { u"save"_s } },
            { "designer load", { u"open"_s } }, { "send window certificate", { u"open"_s } },
            { "graph print", { job } }, { "album print", { job, u"information"_s } },
            { "spreadsheet print", { job } },
            { "spreadsheet quick save of an untitled file", { u"save"_s } },
            { "html report load", { u"open"_s } }, { "html report font", { u"font"_s } },
            { "html report print", { job } }, { "search print", { job } },
            { "search clear", { u"information"_s } }, { "insurance pack folder", { u"folder"_s } },
            { "record window print", { job, u"information"_s } },
            { "record window picture path", { u"input"_s, u"yesno"_s } },
            { "record window new records from photos", { u"folder"_s } },
            { "record window save changes question", { u"yesnocancel"_s } } })
        QTest::newRow(command) << QString::fromLatin1(command) << kinds;
}

void TestDialogParents::dialogOpensOverTheAskingWindow()
{
    QFETCH(QString, command);
    QFETCH(QStringList, kinds);
    Env e;
    FakeDialogs &d = e.t.dialogs;
    std::unique_ptr<QWidget> owned;
    // Looks at the dialogs while the asking window still lives (the preview and the send window
    // end with their command).
    QStringList seen, wrong;
    const auto look = [&](QWidget *asker) {
        for (const FakeDialogs::Shown &s : d.shown) {
            if (s.kind == u"status")
                continue;
            seen << s.kind;
            if (!s.parent || s.parent != asker)
                wrong << s.kind + u" over "_s + (s.parent ? s.parent->objectName() : u"none"_s);
        }
    };
    const auto open = [&](QWidget *w) {
        owned.reset(w);
        w->show();
        e.t.activation.activate(w);
    };
    // The record window stays the application's active window throughout, another one for the
    // record window's own commands: the dialogs must not take it for their parent.
    QWidget other;
    other.setObjectName(u"OtherWindow"_s);
    if (command.startsWith(u"record window")) {
        other.show();
        QApplication::setActiveWindow(&other);
    } else {
        QApplication::setActiveWindow(&e.view);
    }

    if (command.startsWith(u"preview") || command.startsWith(u"designer")
        || command.startsWith(u"send")) {
        auto *box = new TPrintBox(e.ctx);
        open(box);
        if (command == u"preview print") {
            d.printRanges.push_back(std::pair { 1, 1 });
            box->runPreview = [&](TZephPreview &p) {
                p.show();
                p.PrintBtnClick();
                look(&p);
            };
            box->ppreviewClick();
        } else if (command == u"preview export") {
            d.file(QString());
            box->runPreview = [&](TZephPreview &p) {
                p.show();
                p.ExportCSVClick();
                look(&p);
            };
            box->ppreviewClick();
        } else if (command == u"designer load") {
            d.file(QString());
            box->LoadClick();
            look(box);
        } else {
            d.file(QString());
            box->runSendWindow = [&](TExportInternet &w) {
                w.show();
                w.findChild<QToolButton *>(u"MailCaBrowse"_s)->click();
                look(&w);
            };
            box->EmailReportBtnClick();
        }
    } else if (command == u"graph print") {
        auto *g = new TGraphDisplay(e.ctx);
        open(g);
        g->tree()->setCurrentItem(g->tree()->topLevelItem(0));
        g->SGraphDblClick();
        g->PrintScreenBtnClick();
        look(g);
    } else if (command == u"album print") {
        auto *a = new TAlbumView(e.ctx);
        open(a);
        a->PrintClick();
        look(a);
    } else if (command.startsWith(u"spreadsheet")) {
        auto *s = new TSnapShot(e.ctx);
        open(s);
        if (command == u"spreadsheet print") {
            s->Print1Click();
        } else {
            // Save As is the record window's command, run for the spreadsheet.
            e.t.store.fileName.clear();
            d.file(QString());
            s->findChild<SharedToolbar *>()->trigger(SharedToolbar::Action::QuickSave);
        }
        look(s);
    } else if (command.startsWith(u"html report")) {
        auto *h = new THTMLReport(e.ctx);
        open(h);
        if (command == u"html report load") {
            d.file(QString());
            h->LoadFormatBtnClick();
        } else if (command == u"html report font") {
            d.font(std::nullopt);
            h->SelectFontBtnClick();
        } else {
            h->Print1Click();
        }
        look(h);
    } else if (command.startsWith(u"search")) {
        auto *s = new TSearch(e.ctx);
        open(s);
        if (command == u"search print")
            s->PrintScreenBtnClick();
        else
            s->ClearClick();
        look(s);
    } else if (command == u"insurance pack folder") {
        auto *p = new TInsurancePack(e.ctx);
        open(p);
        d.file(QString());
        p->BrowseBtnClick();
        look(p);
    } else if (command == u"record window print") {
        e.view.QuickPrintClick();
        look(&e.view);
    } else if (command == u"record window new records from photos") {
        d.file(QString());
        e.view.NewRecordsFromPhotos1Click();
        look(&e.view);
    } else if (command == u"record window save changes question") {
        d.answer(Dialogs::Answer::Cancel);
        e.view.NewClick();
        look(&e.view);
    } else {
        d.input(u"/new"_s);
        d.answer(Dialogs::Answer::No);
        e.view.ChangePicturePath1Click();
        look(&e.view);
    }

    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u", "_s)));
    QCOMPARE(seen, kinds);
    QVERIFY(d.allUsed());
}

QTEST_MAIN(TestDialogParents)
#include "test_dialogparents.moc"
