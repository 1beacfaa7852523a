// Edit > Undo and Redo for any window, over the open database's shared history.
#pragma once

#include <functional>

#include <QObject>

class EditHistory;
class QAction;
class QMenu;
class QWidget;

class UndoActions : public QObject
{
    Q_OBJECT
public:
    // `window` owns the actions and takes their shortcuts (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y).
    UndoActions(EditHistory &history, QWidget *window);

    // Runs before a step is undone or redone: the window stores what it is editing, so that
    // typing not yet stored becomes the step that Undo takes back.
    std::function<void()> beforeStep;

    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    // Adds both to `menu`, which stores the window's edits as it opens so the texts name them.
    void addTo(QMenu *menu);

    void undo();
    void redo();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();

    EditHistory &m_history;
    QWidget *m_window;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
};
