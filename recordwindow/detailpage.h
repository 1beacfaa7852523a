// The Detail page of the record window: Keywords, History and Notes.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class DetailPage : public QWidget
{
    Q_OBJECT
public:
    explicit DetailPage(QWidget *parent = nullptr);

    QPlainTextEdit *keywords = nullptr; // Memo1
    QPlainTextEdit *history = nullptr; // Memo2
    QPlainTextEdit *notes = nullptr; // Memo3
    QPushButton *printButton = nullptr; // PrintDetail
};
