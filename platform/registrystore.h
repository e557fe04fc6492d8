#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QSettings;

namespace platform {

// The program's key ("Language", "Player") and the store of message boxes the user asked
// not to see again. Native QSettings("Quorne", "Kestrelwave") by default; tests pass an
// INI file of their own.
class RegistryStore {
public:
    RegistryStore();
    explicit RegistryStore(const QString& iniFile);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // A manual override; the program never writes it.
    std::optional<std::uint32_t> readLanguage() const;
    std::optional<QString> readPlayer() const;
    void writePlayer(const QString& player);

    bool isSilenced(const QString& valueName) const;
    void silence(const QString& valueName);
    void unsilence(const QString& valueName);
    // Writes what is kept to its file now (otherwise done at the latest on destruction).
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace platform
