// The windows around the record window: which exist, the opening rule, quick save, help and the
// report menu that several windows share.
#pragma once

#include <array>
#include <functional>
#include <utility>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class QWidget;
class ActivationCoordinator;
class Dialogs;
class HelpViewer;
class RecordStore;

enum class WindowKind { Record, Search, Spreadsheet, Album, Graph, HtmlReport, ReportDesigner, InsurancePack };

class WindowRegistry : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<QWidget *()>;

    WindowRegistry(RecordStore &store, Dialogs &dialogs, HelpViewer &help, ActivationCoordinator &activation,
        QString programFolder);
    ~WindowRegistry() override;

    // Windows that live from start-up to exit.
    void setWindow(WindowKind kind, QWidget *window);
    // Windows made on first use and destroyed when closed.
    void setFactory(WindowKind kind, Factory factory);
    bool isAvailable(WindowKind kind) const;
    QWidget *existing(WindowKind kind) const;

    // Brings a window up and makes it the active one.
    void showWindow(WindowKind kind);
    // The opening rule: create when needed, give it the record window's quick-save state, bring
    // it up; "Too many windows are open..." when that fails. Returns the window or null.
    QWidget *openWindow(WindowKind kind);
    // Opening rule with the record scope set to all records (the graph and the regular report).
    QWidget *openWindowAllRecords(WindowKind kind);

    // The record window's Save state, shared by the search and spreadsheet quick-save buttons.
    void setQuickSaveEnabled(bool on);
    bool quickSaveEnabled() const { return m_quickSaveEnabled; }
    // Quick save from a window other than the record window; window is where it was given.
    bool quickSave(QWidget *window = nullptr);
    // The record window's Save As, which quick save uses while the database is untitled.
    void setSaveAs(std::function<bool()> saveAs) { m_saveAs = std::move(saveAs); }
    // The record window's notices: a step in any window changed count records at once, and a
    // quick save wrote the database; they keep the recovery file in step.
    void setChangeNotices(std::function<void(int)> recordsChanged, std::function<void()> saved)
    {
        m_recordsChanged = std::move(recordsChanged);
        m_saved = std::move(saved);
    }
    void recordsChanged(int count)
    {
        if (m_recordsChanged)
            m_recordsChanged(count);
    }
    // The record window's Save, which quick save uses so every save checks the file on disk.
    void setSave(std::function<bool(QWidget *window)> save) { m_save = std::move(save); }

    // How a window puts what it is still editing (its boxes, a grid's open cell) into the store;
    // an empty function takes the window's away.
    void setEditCommitter(QWidget *window, std::function<void()> commit);
    // Every save first takes what every open window is editing: the record window's boxes
    // first, since a committed grid cell shows its record there.
    void commitEdits();

    // Help: every Help button switches the application help file to "Larkhelp.hlp" first.
    QString helpFile() const { return m_helpFile; }
    void showHelpContents();
    void showHelpTopic(const QString &title);
    void showHelpContext(int context);

    // The record window's report menu, popped up by the record, search, spreadsheet, album and
    // graph windows.
    QMenu *reportMenu();

private:
    void useWindowHelpFile();
    void applyQuickSave(QWidget *window) const;

    RecordStore &m_store;
    Dialogs &m_dialogs;
    HelpViewer &m_help;
    ActivationCoordinator &m_activation;
    QString m_folder;
    std::array<QPointer<QWidget>, 8> m_windows;
    std::array<Factory, 8> m_factories;
    bool m_quickSaveEnabled = false;
    QString m_helpFile; // the application help file: "Larkspur.hlp" until a Help button is used
    QMenu *m_reportMenu = nullptr;
    std::function<bool()> m_saveAs;
    std::function<void(int)> m_recordsChanged;
    std::function<void()> m_saved;
    std::function<bool(QWidget *window)> m_save;
    std::vector<std::pair<QPointer<QWidget>, std::function<void()>>> m_committers;
};
