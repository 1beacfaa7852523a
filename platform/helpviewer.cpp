// The help window: a contents list, a toolbar and a text browser over the HTML help pages.
#include "platform/helpviewer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextStream>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString contentsPage = QStringLiteral("index.html");

} // namespace

HelpTopics HelpTopics::load(const QString &indexFile)
{
    HelpTopics topics;
    QFile file(indexFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return topics;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    const QString contextWord = QStringLiteral("context ");
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype eq = line.lastIndexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString page = line.mid(eq + 1).trimmed();
        if (key.isEmpty() || page.isEmpty())
            continue;
        if (key.startsWith(contextWord, Qt::CaseInsensitive)) {
            bool ok = false;
            const int number = key.mid(contextWord.size()).trimmed().toInt(&ok);
            if (ok)
                topics.contexts.append({ number, page });
        } else {
            topics.titles.append({ key, page });
        }
    }
    return topics;
}

QString HelpTopics::pageForTitle(const QString &title) const
{
    const QString wanted = title.trimmed();
    for (const Entry &e : titles)
        if (e.title.compare(wanted, Qt::CaseInsensitive) == 0)
            return e.page;
    return {};
}

QString HelpTopics::pageForContext(int context) const
{
    for (const auto &[number, page] : contexts)
        if (number == context)
            return page;
    return {};
}

class QtHelpViewer::Window : public QMainWindow
{
public:
    Window()
    {
        setObjectName(QStringLiteral("HelpWindow"));
        setWindowTitle(QStringLiteral("Larkspur Cataloguer Help"));

        auto *tools = addToolBar(QStringLiteral("Navigation"));
        tools->setObjectName(QStringLiteral("HelpToolBar"));
        tools->setMovable(false);
        contentsAction = tools->addAction(QStringLiteral("Contents"));
        contentsAction->setObjectName(QStringLiteral("HelpContentsAction"));
        backAction = tools->addAction(QStringLiteral("Back"));
        backAction->setObjectName(QStringLiteral("HelpBackAction"));
        backAction->setShortcut(QKeySequence::Back);
        backAction->setEnabled(false);
        forwardAction = tools->addAction(QStringLiteral("Forward"));
        forwardAction->setObjectName(QStringLiteral("HelpForwardAction"));
        forwardAction->setShortcut(QKeySequence::Forward);
        forwardAction->setEnabled(false);

        auto *splitter = new QSplitter(this);
        list = new QListWidget(splitter);
        list->setObjectName(QStringLiteral("HelpContents"));

        auto *right = new QWidget(splitter);
        notice = new QLabel(right);
        notice->setObjectName(QStringLiteral("HelpNotice"));
        notice->setWordWrap(true);
        notice->setMargin(6);
        notice->setStyleSheet(QStringLiteral(
            "background: #fff4ce; color: #5c4400; border-bottom: 1px solid #e0c97a;"));
        notice->hide();
        browser = new QTextBrowser(right);
        browser->setObjectName(QStringLiteral("HelpBrowser"));
        browser->setOpenExternalLinks(true);
        browser->setFrameShape(QFrame::NoFrame);
        auto *v = new QVBoxLayout(right);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        v->addWidget(notice);
        v->addWidget(browser);

        splitter->addWidget(list);
        splitter->addWidget(right);
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({ 190, 570 });
        setCentralWidget(splitter);
        fileLabel = new QLabel(this);
        fileLabel->setObjectName(QStringLiteral("HelpFile"));
        statusBar()->addPermanentWidget(fileLabel);
        resize(780, 560);

        connect(backAction, &QAction::triggered, browser, &QTextBrowser::backward);
        connect(forwardAction, &QAction::triggered, browser, &QTextBrowser::forward);
        connect(browser, &QTextBrowser::backwardAvailable, backAction, &QAction::setEnabled);
        connect(browser, &QTextBrowser::forwardAvailable, forwardAction, &QAction::setEnabled);
        connect(browser, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) {
            notice->hide();
            selectPage(QFileInfo(url.toLocalFile()).fileName());
        });
        // Enter on an item or a click on it opens its page.
        connect(list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { open(item->data(Qt::UserRole).toString()); });
        connect(list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { open(item->data(Qt::UserRole).toString()); });
    }

    void fillContents(const HelpTopics &topics)
    {
        list->clear();
        auto *first = new QListWidgetItem(QStringLiteral("Contents"), list);
        first->setData(Qt::UserRole, contentsPage);
        for (const HelpTopics::Entry &e : topics.titles) {
            auto *item = new QListWidgetItem(e.title, list);
            item->setData(Qt::UserRole, e.page);
        }
    }

    void open(const QString &page)
    {
        const QUrl url = QUrl::fromLocalFile(QDir(folder).filePath(page));
        notice->hide();
        if (browser->source() != url)
            browser->setSource(url);
    }

    void selectPage(const QString &page)
    {
        const QSignalBlocker block(list);
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::UserRole).toString() == page) {
                list->setCurrentRow(i);
                return;
            }
        }
    }

    QString folder;
    QAction *contentsAction;
    QAction *backAction;
    QAction *forwardAction;
    QListWidget *list;
    QLabel *notice;
    QLabel *fileLabel;
    QTextBrowser *browser;
};

QtHelpViewer::QtHelpViewer(QString programFolder)
    : m_folder(std::move(programFolder))
{ }

QtHelpViewer::~QtHelpViewer()
{
    delete m_window;
}

QWidget *QtHelpViewer::window() const
{
    return m_window;
}

QString QtHelpViewer::helpFolder() const
{
    return QDir(m_folder).filePath(QStringLiteral("help"));
}

void QtHelpViewer::showPage(const QString &page, const QString &notice)
{
    if (!m_window) {
        m_window = new Window;
        QObject::connect(m_window->contentsAction, &QAction::triggered, m_window,
            [w = m_window] { w->open(contentsPage); });
    }
    const QString folder = helpFolder();
    m_window->folder = folder;
    m_window->fillContents(HelpTopics::load(QDir(folder).filePath(QStringLiteral("topics.txt"))));
    m_window->fileLabel->setText(QStringLiteral("Help file: %1").arg(m_helpFile));

    QString shown = page;
    QString message = notice;
    if (!QFileInfo::exists(QDir(folder).filePath(shown))) {
        shown = contentsPage;
        if (message.isEmpty())
            message = QStringLiteral("The help page \"%1\" is missing.").arg(page);
    }
    if (!QFileInfo::exists(QDir(folder).filePath(shown)))
        message = QStringLiteral("The help pages are missing from %1.")
                      .arg(QDir::toNativeSeparators(folder));
    m_window->open(shown);
    m_window->selectPage(shown);
    m_window->notice->setText(message);
    m_window->notice->setVisible(!message.isEmpty());

    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void QtHelpViewer::showContents(const QString &helpFile)
{
    m_helpFile = helpFile;
    showPage(contentsPage);
}

void QtHelpViewer::showTopic(const QString &helpFile, const QString &title)
{
    m_helpFile = helpFile;
    const QString page = HelpTopics::load(QDir(helpFolder()).filePath(QStringLiteral("topics.txt")))
                             .pageForTitle(title);
    if (page.isEmpty())
        showPage(contentsPage, QStringLiteral("The help topic \"%1\" was not found.").arg(title));
    else
        showPage(page);
}

void QtHelpViewer::showContext(const QString &helpFile, int context)
{
    m_helpFile = helpFile;
    const QString page = HelpTopics::load(QDir(helpFolder()).filePath(QStringLiteral("topics.txt")))
                             .pageForContext(context);
    if (page.isEmpty())
        showPage(contentsPage,
            QStringLiteral("No help topic was found for context number %1.").arg(context));
    else
        showPage(page);
}
