#pragma once

#include "app/messageboxes.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace platform {
class RegistryStore;
}

// Records every box the engine shows and answers Yes/No questions from a script (No when
// the script has run out). With a store, silenced notices behave as the real ones do.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    enum class Kind { Show, Question, Silenceable, Timed };
    struct Box {
        Kind kind;
        QString text;
        BoxIcon icon = BoxIcon::None;
        QString caption;
        QString valueName;
        int timeoutMs = 0;
    };

    explicit ScriptedMessageBoxes(platform::RegistryStore* store = nullptr) : store_(store) {}

    void answer(bool yes) { answers_.push_back(yes); }
    // The user ticks "do not show again" on the next silenceable notice.
    void tickSilenceOnNext() { tickNext_ = true; }

    void show(const QString& text, BoxIcon icon) override;
    bool askYesNo(const QString& text) override;
    void showUnlessSilenced(const QString& text, const QString& caption,
                            const QString& valueName) override;
    void showTimed(const QString& text, const QString& caption, int timeoutMs) override;

    // Runs while a box of kind Show is "open", after it was recorded (a test's modal stand-in).
    std::function<void(const Box&)> whileShown;

    const std::vector<Box>& boxes() const { return boxes_; }
    QStringList texts() const;
    void clear() { boxes_.clear(); }

private:
    platform::RegistryStore* store_;
    std::deque<bool> answers_;
    bool tickNext_ = false;
    std::vector<Box> boxes_;
};
