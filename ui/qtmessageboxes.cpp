#include "ui/qtmessageboxes.h"

#include "app/texts.h"
#include "platform/registrystore.h"
#include "ui/workerwait.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

namespace {

const QString kTitle = QStringLiteral("Kestrelwave");

// A worker that shows a box waits for it; the window's exit knows by WorkerWait.
template <typename F> auto onGuiThread(F f)
{
    if (QThread::currentThread() == qApp->thread())
        return f();
    const WorkerWait blocked;
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(qApp, f, Qt::BlockingQueuedConnection);
    } else {
        R result{};
        QMetaObject::invokeMethod(
            qApp, [&] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

QMessageBox::Icon qtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Error:
        return QMessageBox::Critical;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtMessageBoxes::QtMessageBoxes(platform::RegistryStore& store) : store_(store) {}

void QtMessageBoxes::endSession()
{
    ended_ = true;
}

void QtMessageBoxes::show(const QString& text, BoxIcon icon)
{
    if (ended_)
        return;
    onGuiThread([&] {
        QMessageBox box(qtIcon(icon), kTitle, text, QMessageBox::Ok, owner_);
        box.exec();
    });
}

bool QtMessageBoxes::askYesNo(const QString& text)
{
    if (ended_)
        return false;
    return onGuiThread([&] {
        QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                        owner_);
        return box.exec() == QMessageBox::Yes;
    });
}

void QtMessageBoxes::showUnlessSilenced(const QString& text, const QString& caption,
                                        const QString& valueName)
{
    if (ended_ || store_.isSilenced(valueName))
        return;
    onGuiThread([&] {
        QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, owner_);
        auto* check =
            new QCheckBox(texts::choose(language_, {u"Do not show me this message again",
                                                    u"Ne plus afficher ce message",
                                                    u"Diese Meldung nicht mehr anzeigen"}),
                          &box);
        box.setCheckBox(check);
        box.exec();
        if (check->isChecked())
            store_.silence(valueName);
    });
}

void QtMessageBoxes::showTimed(const QString& text, const QString& caption, int timeoutMs)
{
    if (ended_)
        return;
    onGuiThread([&] {
        QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, owner_);
        QTimer::singleShot(timeoutMs, &box, &QMessageBox::accept);
        box.exec();
    });
}
