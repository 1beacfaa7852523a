// The settings store's number helpers and the ini file reader and writer behind "Larkspur.ini".
#include "platform/settingsstore.h"

#include <cctype>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QtDebug>

#include "store/safewrite.h"
#include "store/smallfile.h"

namespace {

const QString settingsSection = QStringLiteral("SETTINGS");

// A whole number in decimal, or in hexadecimal after "0x"; nullopt for anything else.
std::optional<int> parseWholeNumber(QString text)
{
    text = text.trimmed();
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        // One 32-bit word at most; values above 0x7FFFFFFF wrap to negative as the word does.
        const QStringView digits = QStringView(text).mid(2);
        for (QChar c : digits)
            if (!isxdigit(c.unicode() < 128 ? c.unicode() : 'g'))
                return std::nullopt;
        bool ok = false;
        const qulonglong value = digits.toULongLong(&ok, 16);
        if (!ok || value > 0xFFFFFFFFull)
            return std::nullopt;
        return int(quint32(value));
    }
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

// One physical line of the file: its bytes without the line end, and the line end it had.
struct RawLine
{
    QByteArray text;
    QByteArray ending;
};

QList<RawLine> splitLines(const QByteArray &data)
{
    QList<RawLine> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype lf = data.indexOf('\n', start);
        if (lf < 0) {
            lines.append({ data.mid(start), {} });
            break;
        }
        qsizetype end = lf;
        if (end > start && data[end - 1] == '\r')
            --end;
        lines.append({ data.mid(start, end - start), data.mid(end, lf + 1 - end) });
        start = lf + 1;
    }
    return lines;
}

// What a line means to us; lines are kept as bytes so that what we do not touch stays exact.
struct LineMeaning
{
    enum Kind { Other, Section, Key } kind = Other;
    QString name; // section or key name
    QString value; // key lines only
};

LineMeaning interpret(QByteArray bytes, bool first)
{
    if (first && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString line = QString::fromUtf8(bytes);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return {};
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0)
            return { LineMeaning::Section, trimmed.mid(1, close - 1).trimmed(), {} };
        return {};
    }
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return {};
    return { LineMeaning::Key, line.left(eq).trimmed(), line.mid(eq + 1).trimmed() };
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool breaksLine(const QString &s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

} // namespace

int SettingsStore::readInteger(const QString &key, int defaultValue)
{
    const QString text = readString(key, QString());
    if (text.isNull())
        return defaultValue;
    return parseWholeNumber(text).value_or(defaultValue);
}

void SettingsStore::writeInteger(const QString &key, int value)
{
    writeString(key, QString::number(value));
}

bool SettingsStore::readBool(const QString &key, bool defaultValue)
{
    return readInteger(key, defaultValue ? 1 : 0) != 0;
}

void SettingsStore::writeBool(const QString &key, bool value)
{
    writeString(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

IniSettingsStore::IniSettingsStore(QString filePath)
    : m_path(std::move(filePath))
{ }

QString IniSettingsStore::defaultPath()
{
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString folder = !xdg.isEmpty() && QDir::isAbsolutePath(xdg)
        ? xdg
        : QDir::homePath() + QStringLiteral("/.config");
    return QDir(folder).filePath(QStringLiteral("Larkspur.ini"));
}

QString IniSettingsStore::readString(const QString &key, const QString &defaultValue)
{
    const SmallFile::Result file = SmallFile::read(m_path, SmallFile::FormatLimit);
    if (!file.ok())
        return defaultValue;
    const QList<RawLine> lines = splitLines(file.bytes);

    bool inSettings = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const LineMeaning m = interpret(lines[i].text, i == 0);
        if (m.kind == LineMeaning::Section)
            inSettings = sameName(m.name, settingsSection);
        else if (m.kind == LineMeaning::Key && inSettings && sameName(m.name, key))
            return m.value;
    }
    return defaultValue;
}

void IniSettingsStore::writeString(const QString &key, const QString &value)
{
    // Such a key or value could not be read back as written, or would plant lines of its own.
    const QString name = key.trimmed();
    if (name.isEmpty() || name.contains(u'=') || name.startsWith(u'[') || name.startsWith(u';')
        || name.startsWith(u'#') || breaksLine(key) || breaksLine(value)
        || value != value.trimmed()) { // blanks around a value are not part of it when read
        qWarning("Settings: not writing key \"%s\": it or its value cannot be stored in a line",
            qUtf8Printable(key));
        return;
    }

    QByteArray data;
    {
        QFile file(m_path);
        if (file.exists()) {
            // Never replace a file we could not read: its other contents would be lost.
            SmallFile::Result read = SmallFile::read(m_path, SmallFile::FormatLimit);
            if (!read.ok()) {
                qWarning("Settings: cannot read %s: %s", qUtf8Printable(m_path),
                    qUtf8Printable(read.reason));
                return;
            }
            data = std::move(read.bytes);
        }
    }

    QList<RawLine> lines = splitLines(data);
    // New lines follow the file's own line ends.
    QByteArray newline = "\n";
    for (const RawLine &l : std::as_const(lines)) {
        if (!l.ending.isEmpty()) {
            newline = l.ending;
            break;
        }
    }
    const QByteArray keyLine = name.toUtf8() + '=' + value.toUtf8();

    // Replace the first matching key, drop any other spelling of it, remember where the
    // section's last key stands in case the key is new.
    bool inSettings = false;
    bool replaced = false;
    qsizetype lastInSection = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const LineMeaning m = interpret(lines[i].text, i == 0);
        if (m.kind == LineMeaning::Section) {
            inSettings = sameName(m.name, settingsSection);
            if (inSettings)
                lastInSection = i;
            continue;
        }
        if (!inSettings)
            continue;
        if (m.kind == LineMeaning::Key && sameName(m.name, key)) {
            if (replaced) {
                lines.removeAt(i--);
                continue;
            }
            lines[i].text = keyLine;
            replaced = true;
        }
        if (m.kind == LineMeaning::Key)
            lastInSection = i;
    }

    if (!replaced) {
        if (!lines.isEmpty() && lines.last().ending.isEmpty())
            lines.last().ending = newline;
        if (lastInSection < 0) {
            if (!lines.isEmpty() && !lines.last().text.trimmed().isEmpty())
                lines.append({ {}, newline });
            lines.append({ '[' + settingsSection.toUtf8() + ']', newline });
            lastInSection = lines.size() - 1;
        }
        lines.insert(lastInSection + 1, { keyLine, newline });
    }

    QByteArray out;
    out.reserve(data.size() + keyLine.size() + 16);
    for (const RawLine &l : std::as_const(lines))
        out += l.text + l.ending;

    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning("Settings: cannot create the folder %s", qUtf8Printable(info.absolutePath()));
        return;
    }
    const SafeWrite::Result result = SafeWrite::write(m_path, out);
    if (!result.ok())
        qWarning("Settings: %s", qUtf8Printable(result.message));
}
