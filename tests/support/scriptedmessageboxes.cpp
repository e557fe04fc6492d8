#include "tests/support/scriptedmessageboxes.h"

#include "platform/registrystore.h"

void ScriptedMessageBoxes::show(const QString& text, BoxIcon icon)
{
    boxes_.push_back({Kind::Show, text, icon, {}, {}, 0});
    if (whileShown)
        whileShown(Box(boxes_.back()));
}

bool ScriptedMessageBoxes::askYesNo(const QString& text)
{
    boxes_.push_back({Kind::Question, text, BoxIcon::None, {}, {}, 0});
    if (answers_.empty())
        return false;
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void ScriptedMessageBoxes::showUnlessSilenced(const QString& text, const QString& caption,
                                              const QString& valueName)
{
    if (store_ && store_->isSilenced(valueName))
        return;
    boxes_.push_back({Kind::Silenceable, text, BoxIcon::Information, caption, valueName, 0});
    if (tickNext_ && store_)
        store_->silence(valueName);
    tickNext_ = false;
}

void ScriptedMessageBoxes::showTimed(const QString& text, const QString& caption, int timeoutMs)
{
    boxes_.push_back({Kind::Timed, text, BoxIcon::Information, caption, {}, timeoutMs});
}

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList out;
    for (const Box& b : boxes_)
        out << b.text;
    return out;
}
