// The record window's Related Records and Internet Search pages: related-record lists, the
// record's links, opening addresses through the redirect page, searches and the store forms.
#include <QComboBox>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

#include "recordwindow/anchorlist.h"
#include "recordwindow/internetpage.h"
#include "recordwindow/maskedit.h"
#include "recordwindow/relatedpage.h"
#include "recordwindow/tview.h"
#include "store/textcodec.h"
#include "tests/support/apptest.h"

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    AppTest t;
    std::unique_ptr<TView> v;

    explicit Fixture(const QList<ItemRecord> &records)
    {
        v = std::make_unique<TView>(t.ctx);
        t.activation.activate(v.get());
        t.store.clear();
        for (const ItemRecord &r : records)
            t.store.append(r);
        v->GetRecord(0);
    }
    template<typename T> T *find(const QString &name) const
    {
        T *found = v->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QTabWidget *book() const { return find<QTabWidget>(u"RecordBook"_s); }
    RelatedPage *related() const { return find<RelatedPage>(u"RelatedPage"_s); }
    InternetPage *internet() const { return find<InternetPage>(u"InternetPage"_s); }
    QComboBox *selector() const { return find<QComboBox>(u"RelatedRecordSelection"_s); }
    AnchorList *relatedList() const { return find<AnchorList>(u"RelatedRecordsView"_s); }
    AnchorList *links() const { return find<AnchorList>(u"RelatedLinks"_s); }
    void showPage(QWidget *page) const { book()->setCurrentWidget(page); }
    QStringList listed() const { return relatedList()->entries(); }
    QString goPage() const
    {
        QFile f(t.folder.filePath(u"go.htm"_s));
        return f.open(QIODevice::ReadOnly) ? decodeText(f.readAll()) : QString();
    }
    void clickText(AnchorList *list, int row) const
    {
        list->show();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->anchorRect(row).center());
    }
};

ItemRecord record(const QString &name, const QString &type = QString())
{
    ItemRecord r;
    r.setName(name);
    r.setDescription(2, type);
    return r;
}

} // namespace

class TestRelatedPages : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pagesFitDefaultSize();
    void selectorOnEntering();
    void relatedListFollowsShownRecord();
    void clickRelatedRecord();
    void addUrl_data();
    void addUrl();
    void deleteUrl();
    void viewUrlAndRefusal();
    void hostileEntries();
    void linkAddressOnHover();
    void generateAndLaunch();
    void storeSearchForms();
};

void TestRelatedPages::pagesFitDefaultSize()
{
    Fixture f({ record(u"a"_s) });
    f.v->resize(634, 482);
    f.v->show();
    QCOMPARE(f.v->size(), QSize(634, 482));
    for (QWidget *page :
        { static_cast<QWidget *>(f.related()), static_cast<QWidget *>(f.internet()) }) {
        f.showPage(page);
        const QSize need = page->minimumSizeHint();
        QVERIFY2(need.width() <= page->width() && need.height() <= page->height(),
            qPrintable(page->objectName()));
    }
}

void TestRelatedPages::selectorOnEntering()
{
    Fixture f({ record(u"a"_s), record(u"b"_s) });
    QCOMPARE(f.selector()->currentText(), u" "_s);
    for (int i = 0; i < 3; ++i) {
        f.showPage(f.related());
        f.showPage(f.internet());
        f.t.activation.activate(nullptr);
        f.t.activation.activate(f.v.get());
    }
    f.showPage(f.related());
    QCOMPARE(f.selector()->count(), 21);
    QCOMPARE(f.selector()->itemText(1), u"Type"_s);
    QCOMPARE(f.selector()->itemText(20), u"Status"_s);
    // The blank text is no field: no list yet.
    QCOMPARE(f.listed(), QStringList());

    // A renamed caption is offered on the next entry, and the chosen field stays chosen.
    f.selector()->setCurrentIndex(1);
    QCOMPARE(f.listed(), QStringList { u"<A href=\"1\">b</A>"_s });
    f.showPage(f.internet());
    f.t.store.captions.description[2] = u"Kind"_s;
    f.showPage(f.related());
    QCOMPARE(f.selector()->itemText(1), u"Kind"_s);
    QCOMPARE(f.selector()->currentText(), u"Kind"_s);
    QCOMPARE(f.listed(), QStringList { u"<A href=\"1\">b</A>"_s });
    // Text typed that is no entry empties the list.
    f.selector()->setEditText(u"Kin"_s);
    QCOMPARE(f.listed(), QStringList());
}

void TestRelatedPages::relatedListFollowsShownRecord()
{
    Fixture f({ record(u"TV"_s, u"TV : Electronics"_s), record(u"Toy"_s, u"TV : Toys"_s),
        record(u"tv 2"_s, u"tv : electronics"_s), record(u"Radio"_s) });
    f.showPage(f.related());
    f.selector()->setCurrentIndex(1);
    QCOMPARE(f.listed(), QStringList { u"<A href=\"2\">tv 2</A>"_s });
    // Entering the page stores the edits first; showing another record rebuilds the list.
    f.find<QLineEdit>(u"RecordName"_s)->setText(u"Television"_s);
    f.showPage(f.internet());
    f.showPage(f.related());
    QCOMPARE(f.t.store.at(0).name(), u"Television"_s);
    f.v->nextClick();
    QCOMPARE(f.listed(), QStringList());
    f.v->nextClick();
    QCOMPARE(f.listed(), QStringList { u"<A href=\"0\">Television</A>"_s });
    // Status: records agreeing in at least one flag.
    f.selector()->setCurrentIndex(20);
    QCOMPARE(f.listed().size(), 3);
    // A store of one record lists nothing.
    Fixture one({ record(u"only"_s) });
    one.showPage(one.related());
    one.selector()->setCurrentIndex(1);
    QCOMPARE(one.listed(), QStringList());
}

void TestRelatedPages::clickRelatedRecord()
{
    Fixture f({ record(u"a"_s, u"Lamp"_s), record(u"b"_s), record(u"c"_s, u"lamp"_s) });
    f.showPage(f.related());
    f.selector()->setCurrentIndex(1);
    QCOMPARE(f.relatedList()->count(), 1);
    f.find<QLineEdit>(u"RecordName"_s)->setText(u"a, edited"_s);
    f.clickText(f.relatedList(), 0);
    QCOMPARE(f.t.store.at(0).name(), u"a, edited"_s);
    QCOMPARE(f.book()->currentWidget()->objectName(), u"DescriptionPage"_s);
    QCOMPARE(f.find<QLineEdit>(u"number"_s)->text(), u"3"_s);
    QCOMPARE(f.find<QLineEdit>(u"RecordName"_s)->text(), u"c"_s);
    // An href that is no record is ignored without a message.
    for (const QString &href : { u"x"_s, u"99"_s, u"-1"_s, QString() })
        f.related()->RelatedRecordsViewAnchorClick(href);
    QCOMPARE(f.t.store.currentIndex, 2);
    QVERIFY(f.t.dialogs.shown.isEmpty());
    // Enter on the current entry follows it as a click does.
    f.showPage(f.related());
    f.relatedList()->setCurrentRow(0);
    QTest::keyClick(f.relatedList(), Qt::Key_Return);
    QCOMPARE(f.t.store.currentIndex, 0);
    QCOMPARE(f.book()->currentWidget()->objectName(), u"DescriptionPage"_s);
}

void TestRelatedPages::addUrl_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("added") << QStringList { u"http://a.example/"_s, u"A site"_s }
                           << QStringList { u"<A href=\"http://a.example/\">A site</A>"_s };
    QTest::newRow("preset left") << QStringList { u"HTTP://"_s } << QStringList();
    QTest::newRow("empty title") << QStringList { u"http://a.example/"_s, QString() }
                                 << QStringList();
    QTest::newRow("empty address")
        << QStringList { QString(), u"Nowhere"_s } << QStringList { u"<A href=\"\">Nowhere</A>"_s };
    // Stored as typed: the entry keeps its format, quotes and all.
    QTest::newRow("as typed") << QStringList { u"http://x/\"y"_s, u"<b>T</b>"_s }
                              << QStringList { u"<A href=\"http://x/\"y\"><b>T</b></A>"_s };
}

void TestRelatedPages::addUrl()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, links);
    Fixture f({ record(u"a"_s), record(u"b"_s) });
    f.showPage(f.internet());
    for (const QString &a : answers)
        f.t.dialogs.input(a);
    QTest::mouseClick(f.find<QPushButton>(u"AddURLBtn"_s), Qt::LeftButton);
    QVERIFY(f.t.dialogs.allUsed());
    QCOMPARE(f.t.dialogs.shown.first().text, u"Enter URL|Please enter URL:|HTTP://"_s);
    if (answers.size() > 1)
        QCOMPARE(f.t.dialogs.shown.at(1).text, u"Enter Title|Please enter site title:|"_s);
    QCOMPARE(f.links()->entries(), links);
    // The record holds the entry at once and keeps it when the window moves on.
    f.v->nextClick();
    QCOMPARE(f.t.store.at(0).links(), links);
    QCOMPARE(f.links()->count(), 0);
    f.v->PreviousClick();
    QCOMPARE(f.links()->entries(), links);
}

void TestRelatedPages::deleteUrl()
{
    ItemRecord a = record(u"a"_s);
    a.setLinks(QStringList { u"<A href=\"http://one.example/\">One</A>"_s,
        u"<A href=\"http://two.example/\">Two</A>"_s });
    Fixture f({ a, record(u"b"_s) });
    f.showPage(f.internet());
    f.clickText(f.links(), 1);
    QVERIFY(f.internet()->linkMenu->isVisible());
    f.internet()->linkMenu->hide();
    f.t.dialogs.answer(Dialogs::Answer::No);
    f.internet()->DeleteURL1Click();
    QCOMPARE(f.t.dialogs.lastText(), u"Remove http://two.example/? "_s);
    QCOMPARE(f.links()->count(), 2);
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    f.internet()->DeleteURL1Click();
    QCOMPARE(f.links()->entries(), QStringList { a.links().first() });
    // Deleting is a step on the record itself, not an edit of the page waiting to be stored.
    QCOMPARE(f.t.store.at(0).links(), QStringList { a.links().first() });
    f.v->nextClick();
    QCOMPARE(f.t.store.at(0).links(), QStringList { a.links().first() });
}

void TestRelatedPages::viewUrlAndRefusal()
{
    ItemRecord a = record(u"a"_s);
    a.setLinks(QStringList { u"<A href=\"https://one.example/?a=1&b=\"x\">One</A>"_s,
        u"<A href=\"javascript:alert(1)\">Script</A>"_s,
        u"<A href=\"file:///etc/passwd\">File</A>"_s });
    Fixture f({ a });
    f.showPage(f.internet());
    // Entry 0 is damaged (a quote inside the address): drawn as text, it opens nothing.
    QVERIFY(!f.links()->isAnchor(0));
    f.clickText(f.links(), 0);
    QVERIFY(!f.find<QAction>(u"ViewURL1"_s)->isEnabled());
    f.internet()->linkMenu->hide();

    for (int row : { 1, 2 }) {
        f.clickText(f.links(), row);
        f.internet()->linkMenu->hide();
        f.find<QAction>(u"ViewURL1"_s)->trigger();
        QVERIFY(f.t.dialogs.lastText().contains(
            u"only web and mail addresses (http, https, ftp and mailto) can be opened"_s));
        QCOMPARE(f.t.dialogs.shown.last().kind, u"error"_s);
    }
    QVERIFY(f.t.shell.opened.isEmpty());
    QVERIFY(!QFile::exists(f.t.folder.filePath(u"go.htm"_s)));

    QVERIFY(f.internet()->OpenURL(u"https://example.com/a?b=1&c=\"2\""_s));
    QCOMPARE(f.t.shell.opened, QStringList { f.t.folder.filePath(u"go.htm"_s) });
    QCOMPARE(f.goPage(),
        u"<html><head>\r\n<meta HTTP-EQUIV=\"Refresh\" CONTENT=\"0;\r\n"
        "URL=https://example.com/a?b=1&amp;c=&quot;2&quot;\">\r\n"
        "<title></title></head><body></body></html>\r\n"_s);

    // A desktop without a browser is told, not passed over.
    f.t.shell.answer = false;
    QVERIFY(!f.internet()->OpenURL(u"mailto:x@example.com"_s));
    QVERIFY(f.t.dialogs.lastText().startsWith(u"The web browser could not be started"_s));
}

void TestRelatedPages::hostileEntries()
{
    ItemRecord a = record(u"a"_s);
    a.setLinks(QStringList { u"<A href=\"http://x.example/\">no closing tag"_s,
        u"<A href=\"http://x/\"q\">quotes</A>"_s,
        u"<A href=\""_s + QString(10000, u'w') + u"\">"_s + QString(10000, u'T') + u"</A>"_s,
        QString(10000, u'<'), u"line\nbreak</A>"_s, QString() });
    Fixture f({ a });
    f.showPage(f.internet());
    f.v->resize(634, 482);
    f.v->show();
    QVERIFY(!f.v->grab().isNull());
    QCOMPARE(f.links()->entries(), a.links());
    QVERIFY(!f.links()->isAnchor(0));
    QVERIFY(!f.links()->isAnchor(1));
    QVERIFY(f.links()->isAnchor(2));
    // The long entry is cut to the list's width.
    QVERIFY(f.links()->anchorRect(2).width() <= f.links()->viewport()->width());
    // A damaged entry can still be deleted; the question stays readable.
    f.clickText(f.links(), 3);
    f.internet()->linkMenu->hide();
    f.t.dialogs.answer(Dialogs::Answer::Yes);
    f.internet()->DeleteURL1Click();
    QVERIFY(f.t.dialogs.lastText().size() < 400);
    QCOMPARE(f.links()->count(), 5);
    // Stored back exactly as read.
    f.v->storeCurrent();
    QStringList links = a.links();
    links.removeAt(3);
    QCOMPARE(f.t.store.at(0).links(), links);
}

void TestRelatedPages::linkAddressOnHover()
{
    // A title cannot hide where a link goes: its address is the tooltip and the status text.
    ItemRecord a = record(u"a"_s);
    a.setLinks(QStringList { u"<A href=\"http://shop.example/cart\">My bank</A>"_s });
    Fixture f({ a });
    f.showPage(f.internet());
    f.v->resize(634, 482);
    f.v->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.v.get()));
    QWidget *viewport = f.links()->viewport();
    const QPoint at = f.links()->anchorRect(0).center();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(viewport->mapToGlobal(at)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QCOMPARE(f.v->statusBar()->currentMessage(), u"http://shop.example/cart"_s);
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &help);
    QCOMPARE(QToolTip::text(), u"http://shop.example/cart"_s);
    QToolTip::hideText();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(f.links(), &leave);
    QCOMPARE(f.v->statusBar()->currentMessage(), QString());
}

void TestRelatedPages::generateAndLaunch()
{
    ItemRecord lamp = record(u"Lamp"_s, u"Desk : Furniture"_s);
    lamp.setHistory(QStringList { u"Bought at auction"_s, u"second line"_s });
    Fixture f({ lamp });
    f.showPage(f.internet());
    auto *term = f.find<QLineEdit>(u"SearchTerm"_s);
    QTest::mouseClick(f.find<QPushButton>(u"GenerateSearchTerm"_s), Qt::LeftButton);
    QCOMPARE(term->text(), u"\"Lamp\" Bought at auction \"Desk \""_s);
    // The term is built from what the window shows, edits included; the short display is alike.
    f.find<QLineEdit>(u"RecordName"_s)->setText(u"Empty"_s);
    f.v->ShortDescriptionValues1Click();
    f.find<MaskEdit>(u"Detail0"_s)->setStoredText(u"5 years"_s);
    f.internet()->GenerateSearchTermClick();
    QCOMPARE(term->text(), u" Bought at auction \"Desk \" 5 years"_s);

    // Launch with an empty term generates one; a typed term is sent as it is.
    term->clear();
    QTest::mouseClick(f.find<QPushButton>(u"LaunchBrowser"_s), Qt::LeftButton);
    QVERIFY(f.goPage().contains(
        u"URL=https://www.altavista.com/cgi-bin/query?q=+Bought+at+auction+%22Desk+%22+5+years\">"_s));
    term->setText(u"a&b=c?d \"e\""_s);
    f.find<QRadioButton>(u"NorthernLight"_s)->click();
    f.internet()->LaunchBrowserClick();
    QVERIFY(f.goPage().contains(u"/nlquery.fcg?qr=a%26b%3dc%3fd+%22e%22\">"_s));
    QCOMPARE(term->text(), u"a&b=c?d \"e\""_s);
    f.find<QRadioButton>(u"DuckDuckGo"_s)->click();
    f.internet()->LaunchBrowserClick();
    QVERIFY(f.goPage().contains(u"URL=https://duckduckgo.com/?q=a%26b%3dc%3fd+%22e%22\">"_s));
    QCOMPARE(f.t.shell.opened.size(), 3);
    // The term is no part of the record and stays when another record is shown.
    f.v->GetRecord(0);
    QCOMPARE(term->text(), u"a&b=c?d \"e\""_s);
}

void TestRelatedPages::storeSearchForms()
{
    Fixture f({ record(u"a"_s) });
    f.showPage(f.internet());
    auto *book = f.find<QLineEdit>(u"BookSearch"_s);
    auto *magazine = f.find<QLineEdit>(u"MagazineSearch"_s);
    const QString templ = f.find<QPlainTextEdit>(u"AmazonHTML"_s)->toPlainText();
    QVERIFY(templ.contains(u"INSERTSEARCHHERE"_s));

    f.internet()->AmazonImageClick();
    QVERIFY(f.goPage().contains(u"name=\"keyword\" size=\"10\"\r\nValue=\"\"\r\n"_s));
    QVERIFY(!f.goPage().contains(u"INSERTSEARCHHERE"_s));
    book->setText(u"12\" Ruler"_s);
    QTest::mouseClick(f.find<QWidget>(u"AmazonImage"_s), Qt::LeftButton);
    QVERIFY(f.goPage().contains(u"\r\nValue=\"12&quot; Ruler\"\r\n"_s));
    QVERIFY(f.goPage().contains(u"Book Search ... Please Wait"_s));

    magazine->setText(u"Model Railroader"_s);
    QTest::keyClick(magazine, Qt::Key_Return);
    QVERIFY(f.goPage().contains(u"name=\"OCATS\" size=\"12\"\r\nValue=\"Model Railroader\"\r\n"_s));
    QVERIFY(f.goPage().contains(u"Magazine Search ... Please Wait"_s));
    QCOMPARE(f.t.shell.opened.size(), 3);
    QCOMPARE(f.t.shell.opened.last(), f.t.folder.filePath(u"go.htm"_s));
}

QTEST_MAIN(TestRelatedPages)
#include "test_relatedpages.moc"
