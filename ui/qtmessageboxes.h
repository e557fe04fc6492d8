#pragma once

#include "app/messageboxes.h"

#include <cstdint>

class QWidget;
namespace platform {
class RegistryStore;
}

// Message boxes as real Qt dialogs, modal on the main window once there is one. Calls from
// a worker thread are carried out on the GUI thread while the worker waits.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(platform::RegistryStore& store);

    void setOwner(QWidget* owner) { owner_ = owner; }
    void setLanguage(std::uint32_t language) { language_ = language; }

    void show(const QString& text, BoxIcon icon) override;
    bool askYesNo(const QString& text) override;
    void showUnlessSilenced(const QString& text, const QString& caption,
                            const QString& valueName) override;
    void showTimed(const QString& text, const QString& caption, int timeoutMs) override;
    void endSession() override;

private:
    platform::RegistryStore& store_;
    QWidget* owner_ = nullptr;
    std::uint32_t language_ = 1033;
    bool ended_ = false; // GUI thread
};
