// Calculator and calendar dialogs.
#include "recordwindow/utilities.h"

#include <cmath>

#include <QCalendarWidget>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CalculatorDialog::CalculatorDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Calculator"));
    setWindowTitle(QStringLiteral("Calculator"));
    auto *grid = new QGridLayout(this);
    grid->setSpacing(4);
    m_display = new QLineEdit(QStringLiteral("0"), this);
    m_display->setObjectName(QStringLiteral("CalcDisplay"));
    m_display->setReadOnly(true);
    m_display->setAlignment(Qt::AlignRight);
    QFont f = m_display->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    m_display->setFont(f);
    grid->addWidget(m_display, 0, 0, 1, 4);
    const char *keys[5][4] = { { "C", "\xC2\xB1", "/", "*" }, { "7", "8", "9", "-" }, { "4", "5", "6", "+" },
        { "1", "2", "3", "=" }, { "0", ".", "", "" } };
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) {
            const QString key = QString::fromUtf8(keys[r][c]);
            if (key.isEmpty())
                continue;
            auto *b = new QPushButton(key, this);
            b->setObjectName(QStringLiteral("CalcKey") + QString::number(r * 4 + c));
            b->setAutoDefault(false);
            b->setMinimumSize(44, 34);
            connect(b, &QPushButton::clicked, this, [this, key] { press(key); });
            if (key == u"=")
                grid->addWidget(b, r + 1, c, 2, 1);
            else if (key == u"0")
                grid->addWidget(b, r + 1, c, 1, 2);
            else
                grid->addWidget(b, r + 1, key == u"." ? 2 : c);
        }
    setFixedSize(sizeHint());
}

QString CalculatorDialog::display() const
{
    return m_display->text();
}

double CalculatorDialog::current() const
{
    return m_display->text().toDouble();
}

void CalculatorDialog::showValue(double v)
{
    if (!std::isfinite(v)) {
        m_display->setText(QStringLiteral("Error"));
        return;
    }
    m_display->setText(QString::number(v, 'g', 12));
}

void CalculatorDialog::press(const QString &key)
{
    if (key.size() == 1 && (key[0].isDigit() || key[0] == u'.')) {
        if (m_startNew || m_display->text() == u"0" || m_display->text() == u"Error") {
            m_display->setText(key == u"." ? QStringLiteral("0.") : key);
            m_startNew = false;
        } else if (!(key == u"." && m_display->text().contains(u'.'))) {
            m_display->setText(m_display->text() + key);
        }
        return;
    }
    if (key == u"C") {
        m_accumulator = 0;
        m_pending.clear();
        m_startNew = true;
        m_display->setText(QStringLiteral("0"));
        return;
    }
    if (key == u"\u00B1") {
        showValue(-current());
        return;
    }
    // An operator or "=": finish the pending operation first.
    double value = current();
    if (!m_pending.isEmpty() && !m_startNew) {
        if (m_pending == u"+")
            value = m_accumulator + value;
        else if (m_pending == u"-")
            value = m_accumulator - value;
        else if (m_pending == u"*")
            value = m_accumulator * value;
        else if (m_pending == u"/")
            value = value == 0 ? NAN : m_accumulator / value;
        showValue(value);
    }
    m_accumulator = value;
    m_pending = key == u"=" ? QString() : key;
    m_startNew = true;
}

CalendarDialog::CalendarDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Calendar"));
    setWindowTitle(QStringLiteral("Calendar"));
    auto *v = new QVBoxLayout(this);
    auto *cal = new QCalendarWidget(this);
    cal->setObjectName(QStringLiteral("CalendarWidget"));
    cal->setGridVisible(true);
    v->addWidget(cal);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    v->addWidget(close, 0, Qt::AlignRight);
}
