// The per-user settings store "Larkspur.ini", section [SETTINGS], every value held as text.
#pragma once

#include <QString>

class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // Key names match without regard to letter case.
    virtual QString readString(const QString &key, const QString &defaultValue) = 0;
    virtual void writeString(const QString &key, const QString &value) = 0;

    // A missing key or a text that is not a whole number gives the default; "0x"/"0X" is hex.
    int readInteger(const QString &key, int defaultValue);
    void writeInteger(const QString &key, int value);
    // True when the integer value is not 0; written as "0" or "1".
    bool readBool(const QString &key, bool defaultValue);
    void writeBool(const QString &key, bool value);
};

// A plain ini file of our own reading and writing: keeps the sections and keys it does not know,
// matches keys without regard to case, writes values literally. Opened for each read or write.
class IniSettingsStore : public SettingsStore
{
public:
    explicit IniSettingsStore(QString filePath);
    // $XDG_CONFIG_HOME/Larkspur.ini, else ~/.config/Larkspur.ini.
    static QString defaultPath();

    QString filePath() const { return m_path; }
    QString readString(const QString &key, const QString &defaultValue) override;
    void writeString(const QString &key, const QString &value) override;

private:
    QString m_path;
};
