#include <widgets/CProgramProfile.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace widgets {
namespace {

inline constexpr const char* PROFILE_SUFFIX = ".ini";

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString profilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
        + QCoreApplication::applicationName() + QLatin1String(PROFILE_SUFFIX);
}

int ReadProfileInt(const QString& section, const QString& key, int defaultValue)
{
    const QSettings settings(profilePath(), QSettings::IniFormat);
    const QVariant value = settings.value(keyPath(section, key));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok, 10);
    return ok ? number : defaultValue;
}

bool WriteProfileInt(const QString& section, const QString& key, int value)
{
    return WriteProfileString(section, key, QString::number(value));
}

QString ReadProfileString(const QString& section, const QString& key)
{
    const QSettings settings(profilePath(), QSettings::IniFormat);
    return settings.value(keyPath(section, key)).toString();
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value)
{
    const QString path = profilePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(keyPath(section, key), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

int CProgramProfile::ReadInt(const std::string& section, const std::string& key, int defaultValue)
{
    return ReadProfileInt(QString::fromStdString(section), QString::fromStdString(key), defaultValue);
}

bool CProgramProfile::WriteInt(const std::string& section, const std::string& key, int value)
{
    return WriteProfileInt(QString::fromStdString(section), QString::fromStdString(key), value);
}

} // namespace widgets
