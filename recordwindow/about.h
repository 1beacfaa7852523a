// The About box: product name, version and a Close button.
#pragma once

#include <QDialog>

class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget *parent = nullptr);
};
