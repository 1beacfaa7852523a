// The "Internet Search" page: search terms sent to engines and stores, and the record's links.
#include "recordwindow/internetpage.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/desktopshell.h"
#include "platform/dialogs.h"
#include "platform/programfolder.h"
#include "recordwindow/anchorlist.h"
#include "recordwindow/maskedit.h"
#include "recordwindow/memolines.h"
#include "recordwindow/tview.h"
#include "recordwindow/weblinks.h"

using namespace Qt::StringLiterals;

namespace {

// The round "Go" picture that starts a store search.
class GoButton : public QWidget
{
public:
    explicit GoButton(QColor colour, QWidget *parent)
        : QWidget(parent)
        , m_colour(colour)
    {
        setFixedSize(30, 30);
        setCursor(Qt::PointingHandCursor);
    }
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
        p.setBrush(QColor(255, 196, 0));
        p.drawEllipse(r);
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(m_colour.darker(140));
        p.drawText(r, Qt::AlignCenter, u"Go"_s);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())
            && onClick)
            onClick();
    }

private:
    QColor m_colour;
};

constexpr int BannerHeight = 58;
constexpr int IconSize = 34;

void drawBookIcon(QPainter &p, const QRectF &r)
{
    // An open book seen from above: two pages curving up from the spine.
    const qreal cx = r.center().x();
    p.setPen(QPen(QColor(40, 40, 40, 160), 1));
    for (int side : { -1, 1 }) {
        QPainterPath page;
        page.moveTo(cx, r.top() + r.height() * 0.25);
        page.cubicTo(cx + side * r.width() * 0.18, r.top() + r.height() * 0.12,
            cx + side * r.width() * 0.35, r.top() + r.height() * 0.12, cx + side * r.width() * 0.5,
            r.top() + r.height() * 0.2);
        page.lineTo(cx + side * r.width() * 0.5, r.bottom() - r.height() * 0.12);
        page.cubicTo(cx + side * r.width() * 0.35, r.bottom() - r.height() * 0.2,
            cx + side * r.width() * 0.18, r.bottom() - r.height() * 0.2, cx,
            r.bottom() - r.height() * 0.05);
        page.closeSubpath();
        p.setBrush(QColor(250, 248, 240));
        p.drawPath(page);
        // Lines of text on the page.
        for (int i = 1; i <= 4; ++i) {
            const qreal y = r.top() + r.height() * (0.25 + i * 0.12);
            p.drawLine(QPointF(cx + side * r.width() * 0.1, y),
                QPointF(cx + side * r.width() * 0.4, y - r.height() * 0.02));
        }
    }
}

void drawMagazineIcon(QPainter &p, const QRectF &r)
{
    // A magazine cover: masthead, a picture and cover lines.
    const QRectF cover(r.left() + r.width() * 0.18, r.top() + 1, r.width() * 0.64, r.height() - 2);
    p.setPen(QPen(QColor(40, 40, 40, 160), 1));
    p.setBrush(QColor(250, 248, 240));
    p.drawRect(cover);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 60));
    p.drawRect(QRectF(cover.left() + 2, cover.top() + 2, cover.width() - 4, cover.height() * 0.2));
    p.setBrush(QColor(70, 130, 180));
    p.drawEllipse(QRectF(cover.left() + cover.width() * 0.3, cover.top() + cover.height() * 0.32,
        cover.width() * 0.45, cover.height() * 0.32));
    p.setPen(QPen(QColor(60, 60, 60), 1));
    for (int i = 0; i < 2; ++i) {
        const qreal y = cover.top() + cover.height() * (0.76 + i * 0.1);
        p.drawLine(QPointF(cover.left() + 3, y), QPointF(cover.right() - 3, y));
    }
}

} // namespace

SearchBanner::SearchBanner(Kind kind, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
{
    const bool books = kind == Kind::Books;
    setObjectName(books ? u"Image2"_s : u"Image1"_s);
    m_title = books ? u"Book Search"_s : u"Magazine Search"_s;
    m_store = books ? u"at Amazon.com"_s : u"at MagMall"_s;
    setFixedHeight(BannerHeight);

    searchBox = new QLineEdit(this);
    searchBox->setObjectName(books ? u"BookSearch"_s : u"MagazineSearch"_s);
    searchBox->setFrame(false);
    searchBox->setPlaceholderText(books ? u"Title or author"_s : u"Magazine title"_s);
    searchBox->setToolTip(books ? u"Search the book store"_s : u"Search the magazine store"_s);
    auto *go = new GoButton(books ? QColor(31, 78, 121) : QColor(122, 31, 61), this);
    go->setObjectName(books ? u"AmazonImage"_s : u"MagMallImage"_s);
    go->setToolTip(books ? u"Search Amazon.com for books"_s : u"Search MagMall for magazines"_s);
    go->onClick = [this] { Q_EMIT searchRequested(); };
    goArea = go;
    connect(searchBox, &QLineEdit::returnPressed, this, &SearchBanner::searchRequested);

    QFont titleFont = font();
    titleFont.setBold(true);
    // Both banners leave the same room for their words, so the two search boxes line up.
    int textWidth = 0;
    for (const QString &t : { u"Book Search"_s, u"Magazine Search"_s })
        textWidth = std::max(textWidth, QFontMetrics(titleFont).horizontalAdvance(t));
    for (const QString &t : { u"at Amazon.com"_s, u"at MagMall"_s })
        textWidth = std::max(textWidth, fontMetrics().horizontalAdvance(t));
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(12 + IconSize + 10 + textWidth + 14, 0, 10, 0);
    h->setSpacing(8);
    h->addWidget(searchBox, 1, Qt::AlignVCenter);
    h->addWidget(go, 0, Qt::AlignVCenter);
    setMinimumWidth(h->contentsMargins().left() + 110 + 8 + go->width() + 10);
}

void SearchBanner::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool books = m_kind == Kind::Books;
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, books ? QColor(22, 58, 96) : QColor(104, 22, 50));
    g.setColorAt(1, books ? QColor(58, 124, 189) : QColor(196, 82, 72));
    p.setPen(QPen(books ? QColor(16, 42, 70) : QColor(80, 16, 38), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 6, 6);

    const QRectF icon(12, (height() - IconSize) / 2.0, IconSize, IconSize);
    if (books)
        drawBookIcon(p, icon);
    else
        drawMagazineIcon(p, icon);

    QFont titleFont = font();
    titleFont.setBold(true);
    const QFontMetrics tm(titleFont);
    const QFontMetrics sm(font());
    const qreal textLeft = icon.right() + 10;
    const qreal top = (height() - tm.height() - sm.height()) / 2.0;
    p.setFont(titleFont);
    p.setPen(Qt::white);
    p.drawText(QPointF(textLeft, top + tm.ascent()), m_title);
    p.setFont(font());
    p.setPen(QColor(255, 255, 255, 210));
    p.drawText(QPointF(textLeft, top + tm.height() + sm.ascent()), m_store);

    // The white field the borderless search box sits on.
    const QRectF field = QRectF(searchBox->geometry()).adjusted(-5, -3, 5, 3);
    p.setPen(QPen(QColor(0, 0, 0, 60), 1));
    p.setBrush(searchBox->palette().color(QPalette::Base));
    p.drawRoundedRect(field, 4, 4);
}

InternetPage::InternetPage(AppContext &ctx, TView &view, QWidget *parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_view(view)
{
    setObjectName(u"InternetPage"_s);

    // Search term with its two commands.
    auto *label7 = new QLabel(u"Search Term"_s, this);
    label7->setObjectName(u"Label7"_s);
    searchTerm = new QLineEdit(this);
    searchTerm->setObjectName(u"SearchTerm"_s);
    label7->setBuddy(searchTerm);
    auto *generate = new QPushButton(u"Generate Search Term"_s, this);
    generate->setObjectName(u"GenerateSearchTerm"_s);
    generate->setToolTip(
        u"Make a search term from the record's name, history, descriptions and first detail"_s);
    auto *launch = new QPushButton(u"Launch Browser"_s, this);
    launch->setObjectName(u"LaunchBrowser"_s);
    launch->setToolTip(u"Search for the term with the chosen engine in the web browser"_s);
    connect(generate, &QPushButton::clicked, this, &InternetPage::GenerateSearchTermClick);
    connect(launch, &QPushButton::clicked, this, &InternetPage::LaunchBrowserClick);
    connect(searchTerm, &QLineEdit::returnPressed, this, &InternetPage::LaunchBrowserClick);

    // The engines, two to a row, so the page fits the window's default width.
    auto *label8 = new QLabel(u"Search Engine"_s, this);
    label8->setObjectName(u"Label8"_s);
    auto *engineBox = new QWidget(this);
    engineBox->setObjectName(u"EngineChoice"_s);
    auto *eg = new QGridLayout(engineBox);
    eg->setContentsMargins(0, 0, 0, 0);
    eg->setHorizontalSpacing(12);
    eg->setVerticalSpacing(2);
    m_engines = new QButtonGroup(this);
    int i = 0;
    for (const SearchEngine &e : searchEngines()) {
        auto *radio = new QRadioButton(QString::fromLatin1(e.caption), engineBox);
        radio->setObjectName(QString::fromLatin1(e.name));
        m_engines->addButton(radio, i);
        eg->addWidget(radio, i / 2, i % 2);
        ++i;
    }
    m_engines->button(0)->setChecked(true);

    // The two store banners.
    bookBanner = new SearchBanner(SearchBanner::Kind::Books, this);
    magazineBanner = new SearchBanner(SearchBanner::Kind::Magazines, this);
    connect(bookBanner, &SearchBanner::searchRequested, this, &InternetPage::AmazonImageClick);
    connect(magazineBanner, &SearchBanner::searchRequested, this, &InternetPage::MagMallImageClick);

    // The record's links.
    auto *label1 = new QLabel(u"Related Links"_s, this);
    label1->setObjectName(u"Label1"_s);
    QFont bold = label1->font();
    bold.setBold(true);
    label1->setFont(bold);
    auto *label9 = new QLabel(u"Click on Link to View or Delete."_s, this);
    label9->setObjectName(u"Label9"_s);
    auto *addUrl = new QPushButton(u"Add URL"_s, this);
    addUrl->setObjectName(u"AddURLBtn"_s);
    addUrl->setToolTip(u"Add a web link to this record"_s);
    connect(addUrl, &QPushButton::clicked, this, &InternetPage::AddURLBtnClick);
    relatedLinks = new AnchorList(this);
    relatedLinks->setObjectName(u"RelatedLinks"_s);
    label1->setBuddy(relatedLinks);
    connect(relatedLinks, &AnchorList::anchorClicked, this, &InternetPage::RelatedLinksAnchorClick);

    linkMenu = new QMenu(this);
    linkMenu->setObjectName(u"LinkMenu"_s);
    m_viewUrl = linkMenu->addAction(u"View URL"_s);
    m_viewUrl->setObjectName(u"ViewURL1"_s);
    m_deleteUrl = linkMenu->addAction(u"Delete URL"_s);
    m_deleteUrl->setObjectName(u"DeleteURL1"_s);
    connect(m_viewUrl, &QAction::triggered, this, &InternetPage::ViewURL1Click);
    connect(m_deleteUrl, &QAction::triggered, this, &InternetPage::DeleteURL1Click);

    // The search-form templates stay hidden controls of the page.
    m_amazonHtml = new QPlainTextEdit(this);
    m_amazonHtml->setObjectName(u"AmazonHTML"_s);
    m_amazonHtml->setPlainText(bookStoreTemplate().join(u'\n'));
    m_amazonHtml->hide();
    m_magMallHtml = new QPlainTextEdit(this);
    m_magMallHtml->setObjectName(u"MagMallHTML"_s);
    m_magMallHtml->setPlainText(magazineStoreTemplate().join(u'\n'));
    m_magMallHtml->hide();

    // Layout: the term across the top; engines beside the banners; the links below.
    auto *termRow = new QHBoxLayout;
    termRow->setSpacing(6);
    termRow->addWidget(label7);
    termRow->addWidget(searchTerm, 1);
    termRow->addWidget(generate);
    termRow->addWidget(launch);
    auto *engines = new QVBoxLayout;
    engines->setSpacing(4);
    engines->addWidget(label8);
    engines->addWidget(engineBox);
    engines->addStretch(1);
    auto *banners = new QVBoxLayout;
    banners->setSpacing(6);
    banners->addWidget(bookBanner);
    banners->addWidget(magazineBanner);
    banners->addStretch(1);
    auto *middle = new QHBoxLayout;
    middle->setSpacing(16);
    middle->addLayout(engines);
    middle->addLayout(banners, 1);

    auto *linksHead = new QHBoxLayout;
    linksHead->setSpacing(8);
    linksHead->addWidget(label1);
    linksHead->addWidget(label9);
    linksHead->addStretch(1);
    linksHead->addWidget(addUrl);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->setSpacing(6);
    v->addLayout(termRow);
    v->addSpacing(2);
    v->addLayout(middle);
    v->addSpacing(4);
    v->addLayout(linksHead);
    v->addWidget(relatedLinks, 1);
}

void InternetPage::setLinks(const QStringList &entries)
{
    // The clicked entry is kept: a question box takes activation, and the window shows the
    // record again before the answer is acted on. DeleteURL1Click checks the row still holds it.
    relatedLinks->setEntries(entries);
}

QStringList InternetPage::links() const
{
    return relatedLinks->entries();
}

void InternetPage::GenerateSearchTermClick()
{
    // The term is made from what the window shows, not from the stored record.
    ShownRecord shown;
    if (auto *name = m_view.findChild<QLineEdit *>(u"RecordName"_s))
        shown.name = name->text();
    if (auto *history = m_view.findChild<QPlainTextEdit *>(u"Memo2"_s))
        shown.historyFirstLine = displayedLines(history).value(0);
    static const char *const boxes[] = { "", "DescOne", "DescTwo", "DescThree", "DescFour",
        "DescFive", "DescSix", "DescSeven", "DescEight", "DescNine", "DescTen" };
    for (int k = 1; k <= 10; ++k) {
        if (auto *box = m_view.findChild<QLineEdit *>(QString::fromLatin1(boxes[k])))
            shown.descriptions[size_t(k)] = box->text();
    }
    if (auto *detail0 = m_view.findChild<MaskEdit *>(u"Detail0"_s))
        shown.detail0 = detail0->storedText();
    searchTerm->setText(generateSearchTerm(shown));
    searchTerm->setCursorPosition(0);
}

void InternetPage::LaunchBrowserClick()
{
    if (searchTerm->text().isEmpty())
        GenerateSearchTermClick();
    const auto engines = searchEngines();
    const int chosen = std::clamp(m_engines->checkedId(), 0, int(engines.size()) - 1);
    OpenURL(searchAddress(engines[size_t(chosen)], searchTerm->text()));
}

void InternetPage::AmazonImageClick()
{
    openPage(fillSearchForm(templateLines(m_amazonHtml), bookBanner->searchBox->text()));
}

void InternetPage::MagMallImageClick()
{
    openPage(fillSearchForm(templateLines(m_magMallHtml), magazineBanner->searchBox->text()));
}

void InternetPage::AddURLBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, window());
    // The boxes ask twice, and each answer hands activation back: the link goes to the record
    // shown when the button was pressed, whatever the window shows by then.
    const RecordPtr target = m_view.shownRecord();
    const QString preset = u"HTTP://"_s;
    const QString address = m_ctx.dialogs.inputBox(u"Enter URL"_s, u"Please enter URL:"_s, preset);
    if (address == preset)
        return;
    const QString title
        = m_ctx.dialogs.inputBox(u"Enter Title"_s, u"Please enter site title:"_s, QString());
    if (title.isEmpty())
        return;
    const QString entry = linkEntry(address, title);
    m_view.editRecord(
        target, [&](ItemRecord &r) { r.setLinks(r.links() + QStringList { entry }); }, u"Add URL"_s);
}

void InternetPage::RelatedLinksAnchorClick(
    int row, const QString &href, bool isAnchor, const QPoint &globalPos)
{
    m_clickedRow = row;
    m_clickedEntry = relatedLinks->entry(row);
    m_clickedRecord = m_view.shownRecord();
    // A damaged entry has no address to open, but it can still be deleted.
    m_clickedAddress = isAnchor ? href : m_clickedEntry;
    m_viewUrl->setEnabled(isAnchor);
    relatedLinks->setCurrentRow(row);
    linkMenu->popup(globalPos);
}

void InternetPage::ViewURL1Click()
{
    if (m_clickedRow < 0 || !m_viewUrl->isEnabled())
        return;
    OpenURL(m_clickedAddress);
}

void InternetPage::DeleteURL1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, window());
    // The entry clicked, provided the list still holds it where it was.
    const int row = m_clickedRow;
    const RecordPtr target = m_clickedRecord;
    if (row < 0 || !target || row >= relatedLinks->count()
        || relatedLinks->entry(row) != m_clickedEntry)
        return;
    const QString question = u"Remove "_s + shortenedForMessage(m_clickedAddress, 300) + u"? "_s;
    if (m_ctx.dialogs.askYesNo(question) != Dialogs::Answer::Yes)
        return;
    // The link is taken from the record it was clicked in, and only while it is still there.
    const QString entry = m_clickedEntry;
    m_view.editRecord(
        target,
        [&](ItemRecord &r) {
            QStringList links = r.links();
            if (row < links.size() && links[row] == entry) {
                links.removeAt(row);
                r.setLinks(links);
            }
        },
        u"Delete URL"_s);
    m_clickedRow = -1;
    m_clickedRecord.reset();
}

bool InternetPage::OpenURL(const QString &address)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, window());
    if (!isOpenableAddress(address)) {
        m_ctx.dialogs.error(refusedAddressMessage(address));
        return false;
    }
    return openPage(redirectPageLines(address));
}

bool InternetPage::openPage(const QStringList &lines)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, window());
    const QString path = m_ctx.folder.filePath(QString::fromLatin1(RedirectPageName));
    QString message;
    if (!writePage(path, lines, &message)) {
        m_ctx.dialogs.error(message);
        return false;
    }
    if (!m_ctx.shell.open(path)) {
        m_ctx.dialogs.error(u"The web browser could not be started to open %1."_s.arg(path));
        return false;
    }
    return true;
}

QStringList InternetPage::templateLines(const QPlainTextEdit *control)
{
    return control->toPlainText().split(u'\n');
}
