// The "Related Records" page of the record window: the records that share one field's value.
#pragma once

#include <QWidget>

#include "app/appcontext.h"

class QComboBox;
class QLabel;
class QTabWidget;
class AnchorList;
class TView;

class RelatedPage : public QWidget
{
    Q_OBJECT
public:
    RelatedPage(AppContext &ctx, TView &view, QTabWidget *book);

    // Entering the page: store, offer the captions as they are now, show and list again.
    void RecordBookChange();
    // Rebuilds the list for the current record and the chosen field.
    void RelatedRecordSelectionChange();
    // A click on a related record: show it on the Description page.
    void RelatedRecordsViewAnchorClick(const QString &href);

    QComboBox *selection = nullptr; // RelatedRecordSelection
    AnchorList *records = nullptr; // RelatedRecordsView

private:
    AppContext &m_ctx;
    TView &m_view;
    QTabWidget *m_book;
};
