// The one edit path: a change to the store as an undoable step, and the open database's history.
#pragma once

#include <memory>

#include <QObject>
#include <QUndoCommand>
#include <QUndoStack>

#include "store/recordstore.h"

// One change to the store. It names the records it changes by identity (their RecordPtr, which
// stays the same object through sorts, inserts and deletes), never by a position on screen, so
// it always lands on the records it was given for.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(RecordStore &store, const QString &text);

    // Does the step once with no history (the command-line tool shares the windows' steps).
    void run() { apply(); }

    // The record to show once the step is done or undone; null to keep the current position.
    virtual RecordPtr focusAfterRedo() const { return m_focus; }
    virtual RecordPtr focusAfterUndo() const { return m_focus; }
    // How many records the step changes (1 for a box, thousands for a utility).
    virtual int recordCount() const { return 1; }

    // The step was already done by the code that made it (records appended by a reader): the
    // history keeps it without doing it twice.
    void markDone() { m_alreadyDone = true; }

    void redo() final;
    void undo() final;

protected:
    virtual void apply() = 0;
    virtual void revert() = 0;

    RecordStore &m_store;
    RecordPtr m_focus;

private:
    void showFocus(const RecordPtr &record);
    bool m_alreadyDone = false;
};

// Every step on the open database, shared by all windows. The database counts as changed while
// the history stands anywhere but where the file was last read or saved, so Undo back across a
// Save makes it changed again and Redo to the saved step makes it unchanged.
class EditHistory : public QObject
{
    Q_OBJECT
public:
    explicit EditHistory(QObject *parent = nullptr);

    // Does the step and keeps it for Undo.
    void push(std::unique_ptr<EditCommand> command);
    // Keeps a step that its maker has already done.
    void pushDone(std::unique_ptr<EditCommand> command);

    bool canUndo() const { return m_stack.canUndo(); }
    bool canRedo() const { return m_stack.canRedo(); }
    QString undoText() const { return m_stack.undoText(); }
    QString redoText() const { return m_stack.redoText(); }
    int count() const { return m_stack.count(); }
    const EditCommand *command(int index) const;

    // Each returns the record to show (null when the step leaves the position as it was).
    RecordPtr undo();
    RecordPtr redo();

    bool unsavedChanges() const { return !m_stack.isClean(); }
    // The file now holds what the store holds (read or saved).
    void markSaved();
    // File > New and Open: the steps belong to the database that is gone.
    void clear();
    // Rises with every step done, undone or redone, and every clear: a writer of recovery
    // copies compares it with the count it last wrote.
    quint64 editCount() const { return m_editCount; }

Q_SIGNALS:
    // After any step done, undone or redone; records is how many records it changed.
    void changed(int records);
    // After Undo or Redo from any window, with the record the step changed (may be null).
    void applied(const RecordPtr &focus);
    void unsavedChangesChanged(bool unsaved);
    // Undo/Redo availability or texts changed.
    void stateChanged();

private:
    void stepped(const EditCommand *command);

    QUndoStack m_stack;
    quint64 m_editCount = 0;
};
