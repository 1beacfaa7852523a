// The window registry: opening rule, quick save, help file switching and the report menu.
#include "app/windowregistry.h"

#include <QDir>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

#include "app/activation.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "recovery/earlierversions.h"
#include "store/datafile.h"
#include "store/recordstore.h"

WindowRegistry::WindowRegistry(RecordStore &store, Dialogs &dialogs, HelpViewer &help,
    ActivationCoordinator &activation, QString programFolder)
    : m_store(store)
    , m_dialogs(dialogs)
    , m_help(help)
    , m_activation(activation)
    , m_folder(std::move(programFolder))
    , m_helpFile(QDir(m_folder).filePath(QStringLiteral("Larkspur.hlp")))
{
}

WindowRegistry::~WindowRegistry()
{
    delete m_reportMenu;
}

void WindowRegistry::setWindow(WindowKind kind, QWidget *window)
{
    m_windows[size_t(kind)] = window;
    applyQuickSave(window);
}

void WindowRegistry::setFactory(WindowKind kind, Factory factory)
{
    m_factories[size_t(kind)] = std::move(factory);
}

bool WindowRegistry::isAvailable(WindowKind kind) const
{
    return m_windows[size_t(kind)] || m_factories[size_t(kind)];
}

QWidget *WindowRegistry::existing(WindowKind kind) const
{
    return m_windows[size_t(kind)];
}

void WindowRegistry::showWindow(WindowKind kind)
{
    if (QWidget *w = m_windows[size_t(kind)])
        m_activation.activate(w);
}

QWidget *WindowRegistry::openWindow(WindowKind kind)
{
    QPointer<QWidget> &slot = m_windows[size_t(kind)];
    if (!slot && m_factories[size_t(kind)]) {
        slot = m_factories[size_t(kind)]();
        if (slot)
            slot->setAttribute(Qt::WA_DeleteOnClose, true);
    }
    if (!slot) {
        m_dialogs.information(
            QStringLiteral("Too many windows are open.  Please close some windows and try again."));
        return nullptr;
    }
    applyQuickSave(slot);
    m_activation.activate(slot);
    return slot;
}

QWidget *WindowRegistry::openWindowAllRecords(WindowKind kind)
{
    // The scope is set before the window shows so its activation reads the right records.
    const RecordScope before = m_store.scope;
    m_store.scope = RecordScope::AllRecords;
    QWidget *w = openWindow(kind);
    if (!w)
        m_store.scope = before;
    return w;
}

void WindowRegistry::applyQuickSave(QWidget *window) const
{
    if (!window)
        return;
    if (auto *btn = window->findChild<QToolButton *>(QStringLiteral("QuickSaveBtn")))
        btn->setEnabled(m_quickSaveEnabled);
}

void WindowRegistry::setQuickSaveEnabled(bool on)
{
    m_quickSaveEnabled = on;
    // The search and spreadsheet buttons follow at once; the others take it when next opened.
    applyQuickSave(m_windows[size_t(WindowKind::Search)]);
    applyQuickSave(m_windows[size_t(WindowKind::Spreadsheet)]);
}

void WindowRegistry::setEditCommitter(QWidget *window, std::function<void()> commit)
{
    std::erase_if(m_committers, [window](const auto &c) { return !c.first || c.first == window; });
    if (commit)
        m_committers.emplace_back(window, std::move(commit));
}

void WindowRegistry::commitEdits()
{
    const QWidget *record = m_windows[size_t(WindowKind::Record)];
    for (const bool recordWindow : { true, false })
        for (const auto &[window, commit] : m_committers)
            if (window && (window == record) == recordWindow)
                commit();
}

bool WindowRegistry::quickSave(QWidget *window)
{
    const Dialogs::AskingWindow asking(m_dialogs, window);
    commitEdits();
    if (m_save)
        return m_save(window);
    if (m_store.fileName.isEmpty())
        return m_saveAs && m_saveAs();
    EarlierVersions::keep(m_store.fileName);
    const DataFile::WriteResult w = DataFile::writeDatabase(m_store.fileName, m_store);
    if (!w.ok) {
        m_dialogs.error(w.message);
        return false;
    }
    if (m_saved)
        m_saved();
    m_dialogs.status(window, QStringLiteral("File Saved"));
    return true;
}

void WindowRegistry::useWindowHelpFile()
{
    m_helpFile = QDir(m_folder).filePath(QStringLiteral("Larkhelp.hlp"));
}

void WindowRegistry::showHelpContents()
{
    useWindowHelpFile();
    m_help.showContents(m_helpFile);
}

void WindowRegistry::showHelpTopic(const QString &title)
{
    useWindowHelpFile();
    m_help.showTopic(m_helpFile, title);
}

void WindowRegistry::showHelpContext(int context)
{
    m_help.showContext(m_helpFile, context);
}

QMenu *WindowRegistry::reportMenu()
{
    if (!m_reportMenu) {
        m_reportMenu = new QMenu;
        m_reportMenu->setObjectName(QStringLiteral("ReportMenu"));
        QAction *html = m_reportMenu->addAction(QStringLiteral("Generate HTML Report"));
        html->setObjectName(QStringLiteral("GenerateHTMLReport1"));
        connect(html, &QAction::triggered, this, [this] { openWindow(WindowKind::HtmlReport); });
        QAction *regular = m_reportMenu->addAction(QStringLiteral("Generate Regular Report"));
        regular->setObjectName(QStringLiteral("GenerateRegularReport1"));
        connect(regular, &QAction::triggered, this,
            [this] { openWindowAllRecords(WindowKind::ReportDesigner); });
        QAction *pack = m_reportMenu->addAction(QStringLiteral("Insurance Pack..."));
        pack->setObjectName(QStringLiteral("InsurancePack1"));
        connect(pack, &QAction::triggered, this, [this] { openWindow(WindowKind::InsurancePack); });
    }
    // Entries for windows this build does not have stay visible but disabled.
    const auto actions = m_reportMenu->actions();
    actions[0]->setEnabled(isAvailable(WindowKind::HtmlReport));
    actions[1]->setEnabled(isAvailable(WindowKind::ReportDesigner));
    actions[2]->setEnabled(isAvailable(WindowKind::InsurancePack));
    return m_reportMenu;
}
