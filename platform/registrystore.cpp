#include "platform/registrystore.h"

#include <QSettings>

namespace platform {
namespace {
const QString kSilencedGroup = QStringLiteral("DontShowMeThisDialogAgain");
constexpr int kPlayerValueChars = 255; // the value is read into 512 bytes
} // namespace

RegistryStore::RegistryStore()
    : settings_(
          std::make_unique<QSettings>(QStringLiteral("Quorne"), QStringLiteral("Kestrelwave")))
{}

RegistryStore::RegistryStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{}

RegistryStore::~RegistryStore() = default;

void RegistryStore::sync()
{
    settings_->sync();
}

std::optional<std::uint32_t> RegistryStore::readLanguage() const
{
    const QVariant v = settings_->value(QStringLiteral("Language"));
    bool ok = false;
    const uint id = v.toUInt(&ok);
    if (!v.isValid() || !ok)
        return std::nullopt;
    return id;
}

std::optional<QString> RegistryStore::readPlayer() const
{
    const QVariant v = settings_->value(QStringLiteral("Player"));
    if (!v.isValid())
        return std::nullopt;
    return v.toString().left(kPlayerValueChars);
}

void RegistryStore::writePlayer(const QString& player)
{
    settings_->setValue(QStringLiteral("Player"), player);
    settings_->sync();
}

bool RegistryStore::isSilenced(const QString& valueName) const
{
    return settings_->contains(kSilencedGroup + QLatin1Char('/') + valueName);
}

void RegistryStore::silence(const QString& valueName)
{
    settings_->setValue(kSilencedGroup + QLatin1Char('/') + valueName, QStringLiteral("NO"));
    settings_->sync();
}

void RegistryStore::unsilence(const QString& valueName)
{
    settings_->remove(kSilencedGroup + QLatin1Char('/') + valueName);
    settings_->sync();
}

} // namespace platform
