// A read-only list whose entries are HTML anchors, drawn as links and reporting clicks on them.
#pragma once

#include <QListView>

class QStringListModel;

// A view over a plain list of entry texts, so a list of many thousand records stays cheap.
class AnchorList : public QListView
{
    Q_OBJECT
public:
    explicit AnchorList(QWidget *parent = nullptr);

    void setEntries(const QStringList &entries);
    QStringList entries() const;
    int count() const;
    QString entry(int row) const;
    void appendEntry(const QString &entry);
    void removeEntry(int row);
    void clear() { setEntries({}); }
    void setCurrentRow(int row);

    // Where row's link text is drawn, in viewport coordinates; for an entry that is not a
    // well-formed anchor, where its plain text is drawn. Empty for a row out of range.
    QRect anchorRect(int row) const;
    // Whether row is a well-formed anchor (drawn as a link).
    bool isAnchor(int row) const;
    // Whether hovering an entry shows its address (off for lists whose hrefs mean nothing).
    void setAddressTips(bool on) { m_addressTips = on; }

Q_SIGNALS:
    // A click on an entry's text: its href, or for an entry that is not a well-formed anchor
    // isAnchor false and an empty href.
    void anchorClicked(int row, const QString &href, bool isAnchor, const QPoint &globalPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    int textRowAt(const QPoint &pos) const;

    void emitClicked(int row, const QPoint &globalPos);
    void showAddressInStatusBar(int row);

    QStringListModel *m_model = nullptr;
    bool m_addressTips = true;
    QString m_statusAddress; // what this list last put in the status bar
};
