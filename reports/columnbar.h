// The designer's column bar (Widths): one resizable section per column, drawn in its colour with
// its width in inches.
#pragma once

#include <functional>

#include <QHeaderView>

class QStandardItemModel;

class ColumnBar : public QHeaderView
{
    Q_OBJECT
public:
    explicit ColumnBar(QWidget *parent = nullptr);

    void setSections(const QList<int> &widths, const QStringList &labels);
    int sectionCountShown() const { return count(); }
    QList<int> widths() const;
    void setLabel(int section, const QString &text);
    QString label(int section) const;

    std::function<QColor(int section)> colourOf;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    QStandardItemModel *m_model;
    QStringList m_labels;
};
