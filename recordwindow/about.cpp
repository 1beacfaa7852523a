// The About box.
#include "recordwindow/about.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(24, 20, 24, 16);
    v->setSpacing(10);
    auto *product = new QLabel(QStringLiteral("Larkspur Cataloguer"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont f = product->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    product->setFont(f);
    product->setAlignment(Qt::AlignCenter);
    auto *version = new QLabel(QStringLiteral("Version 1.43"), this);
    version->setObjectName(QStringLiteral("Version"));
    version->setAlignment(Qt::AlignCenter);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("OKButton"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    v->addWidget(product);
    v->addWidget(version);
    v->addSpacing(6);
    v->addWidget(close, 0, Qt::AlignCenter);
    setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
}
