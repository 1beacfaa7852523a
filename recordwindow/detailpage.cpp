// The Detail page: two one-line memos and the Notes memo filling the rest.
#include "recordwindow/detailpage.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QtMath>

namespace {

QPlainTextEdit *makeMemo(const QString &name, QWidget *parent)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setTabChangesFocus(true);
    return memo;
}

} // namespace

DetailPage::DetailPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DetailPage"));
    keywords = makeMemo(QStringLiteral("Memo1"), this);
    history = makeMemo(QStringLiteral("Memo2"), this);
    notes = makeMemo(QStringLiteral("Memo3"), this);
    // Keywords and History show one line; they scroll for more. The box holds one line with
    // the document margins above and below (and a pixel the scroll range leaves out), so no
    // scroll arrows show for one line or none.
    const int margin = qCeil(keywords->document()->documentMargin());
    const int oneLine = QFontMetrics(keywords->font()).lineSpacing() + 2 * margin
        + 2 * keywords->frameWidth() + 2;
    keywords->setFixedHeight(oneLine);
    history->setFixedHeight(oneLine);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setVerticalSpacing(6);
    const QString names[] = { QStringLiteral("Keywords"), QStringLiteral("History"),
        QStringLiteral("Notes") };
    QPlainTextEdit *memos[] = { keywords, history, notes };
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(names[i], this);
        label->setBuddy(memos[i]);
        grid->addWidget(label, i, 0, i == 2 ? Qt::AlignRight | Qt::AlignTop : Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(memos[i], i, 1);
    }
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    printButton = new QPushButton(QStringLiteral("Print"), this);
    printButton->setObjectName(QStringLiteral("PrintDetail"));
    printButton->setToolTip(QStringLiteral("Print the Detail Information"));
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(printButton);
    grid->addLayout(row, 3, 0, 1, 2);
}
