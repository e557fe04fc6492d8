#include "app/kestrelwaveapp.h"

#include "app/cutil.h"
#include "app/mainwindowport.h"
#include "app/texts.h"
#include "platform/registrystore.h"
#include "scan/autoscan.h"
#include "stream/streamengine.h"

CKestrelwaveApp::CKestrelwaveApp(MessageBoxes& boxes, platform::RegistryStore& registry)
    : boxes_(boxes), registry_(registry)
{
    engine = std::make_unique<StreamEngine>(*this);
    scan = std::make_unique<CAutoScan>(*this);
}

CKestrelwaveApp::~CKestrelwaveApp() = default;

void CKestrelwaveApp::NameCurrentStation(bool fromPresets)
{
    if (!currentName.isEmpty() || currentUrl.isEmpty())
        return;
    if (const qsizetype i = stations.FindUrl(currentUrl); i >= 0) {
        currentName = stations.name(i);
        return;
    }
    for (int s = 0; fromPresets && s < kPresetSlots; ++s) {
        if (presetUrl[s] == currentUrl) {
            currentName = presetName[s];
            return;
        }
    }
}

void CKestrelwaveApp::EndScan(bool completed)
{
    scan->EndScan(completed);
}

void CKestrelwaveApp::setWindow(MainWindowPort* window)
{
    if (window_ && window_ != window)
        window_->setInfoCopySink({});
    window_ = window;
    if (window_)
        window_->setInfoCopySink(
            [this](const QString& text) { engine->bridge.copyToInfoFile(text); });
}

void CKestrelwaveApp::setLanguage(std::uint32_t language)
{
    language_ = language;
    status.language = language;
}

ListViewPort* CKestrelwaveApp::listView()
{
    return window_;
}

void CKestrelwaveApp::ShowError(const QString& text)
{
    // Unattended operations must not stop on a dialog.
    if (status.autoScanRunning || webSearchActive)
        return;
    boxes_.show(texts::errorPrefix(language_) + text, BoxIcon::None);
}

void CKestrelwaveApp::ShowError(QByteArrayView text)
{
    ShowError(CUtil::ToWide(text));
}

QString CKestrelwaveApp::PlayerText() const
{
    return texts::playerText(language_, status.useFfplay != 0, status.useVlc != 0);
}

void CKestrelwaveApp::ShowPlayerNotice()
{
    const QString text = PlayerText();
    if (text.isEmpty())
        return;
    // A new version gets a new value name; a new player clears the old choice.
    const QString valueName = QStringLiteral("Kestrelwave_") + versionText;
    if (playerName != storedPlayer)
        registry_.unsilence(valueName);
    boxes_.showUnlessSilenced(text, QStringLiteral("Player"), valueName);
}

void CKestrelwaveApp::ShowTimedNotice(const QString& text)
{
    if (!text.isEmpty())
        boxes_.showTimed(text, QStringLiteral("Player"), 2000);
}
