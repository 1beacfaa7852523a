// Shows help: the contents of a help file, a topic by its title, or a context number.
#pragma once

#include <utility>

#include <QList>
#include <QString>

class QWidget;

class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    virtual void showContents(const QString &helpFile) = 0;
    virtual void showTopic(const QString &helpFile, const QString &title) = 0;
    virtual void showContext(const QString &helpFile, int context) = 0;
};

// The index of the help pages, read from "topics.txt" in the help folder: lines
// "Title = page.html" (listed in the contents in file order) and "context N = page.html".
struct HelpTopics
{
    struct Entry
    {
        QString title;
        QString page;
    };
    QList<Entry> titles;
    QList<std::pair<int, QString>> contexts;

    static HelpTopics load(const QString &indexFile);
    // The page of a title (letter case ignored) or of a context number; empty when unknown.
    QString pageForTitle(const QString &title) const;
    QString pageForContext(int context) const;
};

// The in-program help window over the HTML pages in the program folder's "help" folder. Both
// help files the program names ("Larkspur.hlp", "Larkhelp.hlp") show the same pages; the file
// asked for is shown in the window's status line.
class QtHelpViewer : public HelpViewer
{
public:
    explicit QtHelpViewer(QString programFolder);
    ~QtHelpViewer() override;
    void showContents(const QString &helpFile) override;
    void showTopic(const QString &helpFile, const QString &title) override;
    void showContext(const QString &helpFile, int context) override;

    // The help window, null until help is first shown.
    QWidget *window() const;
    // The help file of the last request.
    QString helpFile() const { return m_helpFile; }

private:
    QString helpFolder() const;
    // Shows a page of the help folder; a non-empty notice is shown above it.
    void showPage(const QString &page, const QString &notice = {});
    QString m_folder;
    QString m_helpFile;
    class Window;
    Window *m_window = nullptr;
};
