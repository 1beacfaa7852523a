// The edit command base and the open database's history.
#include "store/edithistory.h"

#include "store/editcommands.h"

EditCommand::EditCommand(RecordStore &store, const QString &text)
    : m_store(store)
{
    setText(text);
}

void EditCommand::redo()
{
    if (m_alreadyDone) {
        m_alreadyDone = false;
        return;
    }
    apply();
    showFocus(focusAfterRedo());
}

void EditCommand::undo()
{
    revert();
    showFocus(focusAfterUndo());
}

void EditCommand::showFocus(const RecordPtr &record)
{
    // The record window shows the current record: make it the one the step changed, wherever
    // sorts and deletes have put it since.
    const int at = record ? recordIndex(m_store, record) : -1;
    if (at >= 0)
        m_store.currentIndex = at;
    else if (m_store.currentIndex >= m_store.count())
        m_store.currentIndex = m_store.count() - 1;
    m_store.searchRefresh = true;
}

EditHistory::EditHistory(QObject *parent)
    : QObject(parent)
{
    connect(&m_stack, &QUndoStack::cleanChanged, this,
        [this](bool clean) { Q_EMIT unsavedChangesChanged(!clean); });
    for (auto signal : { &QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged })
        connect(&m_stack, signal, this, &EditHistory::stateChanged);
    for (auto signal : { &QUndoStack::undoTextChanged, &QUndoStack::redoTextChanged })
        connect(&m_stack, signal, this, &EditHistory::stateChanged);
}

void EditHistory::push(std::unique_ptr<EditCommand> command)
{
    // A typing step may be merged into the one before it and deleted by the push.
    const int records = command->recordCount();
    m_stack.push(command.release());
    ++m_editCount;
    Q_EMIT changed(records);
}

void EditHistory::pushDone(std::unique_ptr<EditCommand> command)
{
    command->markDone();
    push(std::move(command));
}

const EditCommand *EditHistory::command(int index) const
{
    return static_cast<const EditCommand *>(m_stack.command(index));
}

RecordPtr EditHistory::undo()
{
    if (!m_stack.canUndo())
        return {};
    const EditCommand *c = command(m_stack.index() - 1);
    m_stack.undo();
    stepped(c);
    const RecordPtr focus = c->focusAfterUndo();
    Q_EMIT applied(focus);
    return focus;
}

RecordPtr EditHistory::redo()
{
    if (!m_stack.canRedo())
        return {};
    const EditCommand *c = command(m_stack.index());
    m_stack.redo();
    stepped(c);
    const RecordPtr focus = c->focusAfterRedo();
    Q_EMIT applied(focus);
    return focus;
}

void EditHistory::markSaved()
{
    m_stack.setClean();
}

void EditHistory::clear()
{
    m_stack.clear(); // leaves the stack clean
    ++m_editCount;
    Q_EMIT stateChanged();
}

void EditHistory::stepped(const EditCommand *command)
{
    ++m_editCount;
    Q_EMIT changed(command ? command->recordCount() : 0);
}
