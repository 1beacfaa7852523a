// The Utilities menu's small helpers: a calculator and a calendar.
#pragma once

#include <QDialog>

class QLineEdit;

// A four-function desk calculator with a memory of the pending operation.
class CalculatorDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CalculatorDialog(QWidget *parent = nullptr);

    // Feeds one key: digits, ".", "+", "-", "*", "/", "=", "C" (clear), "±".
    void press(const QString &key);
    QString display() const;

private:
    void showValue(double v);
    double current() const;

    QLineEdit *m_display = nullptr;
    double m_accumulator = 0;
    QString m_pending; // operation waiting for its second operand
    bool m_startNew = true;
};

class CalendarDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CalendarDialog(QWidget *parent = nullptr);
};
