// The Find box of the record window's and the spreadsheet's toolbars: narrows the records as the
// user types (the words live in the store, so every window agrees), Enter makes the matches the
// search list, Escape clears it, Ctrl+F puts the cursor in it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QTimer;
class RecordStore;

class QuickFindBox : public QWidget
{
    Q_OBJECT
public:
    QuickFindBox(RecordStore &store, QWidget *window);

    // Shows the store's words and the count; windows call it when they gain activation.
    void refresh();
    // Folds the records for quick find while the program is idle, a slice at a time, so that
    // the first keystroke after a file is read does not wait for it. Called when records were
    // read.
    void prepareIndex();
    QLineEdit *edit() const { return m_edit; }
    QLabel *countLabel() const { return m_count; }
    // "12 of 3,480", or nothing while the box is blank.
    static QString countText(int matches, int records);

    // Asks for room for a large catalogue's count, so a window sized to its hint shows the count
    // beside the words; the minimum is what the box shows now, for a narrow window's toolbar.
    QSize sizeHint() const override;

Q_SIGNALS:
    // The words changed (typed, or cleared by Escape).
    void findChanged();
    // Enter made the matches the search list.
    void findAccepted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited(const QString &text);
    void updateCount();

    void prepareSlice();

    RecordStore &m_store;
    QTimer *m_prepare;
    QLineEdit *m_edit;
    QLabel *m_count;
};
