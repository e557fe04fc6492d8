#include "app/texts.h"

#include "app/controlids.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace texts {

QString choose(std::uint32_t language, const Tri& text)
{
    const char16_t* chosen = text.en;
    if (language == kGerman && text.de)
        chosen = text.de;
    else if (language == kFrench && text.fr)
        chosen = text.fr;
    return QString::fromUtf16(chosen);
}

QString fill(const QString& pattern, std::initializer_list<QString> args)
{
    QString out;
    out.reserve(pattern.size() + 64);
    auto next = args.begin();
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        if (pattern[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && (pattern[j].isDigit() || pattern[j] == u'.' || pattern[j] == u'-' ||
                         pattern[j] == u'l'))
            ++j;
        if (j < n && QStringView(u"dsfuxc").contains(pattern[j]) && next != args.end()) {
            out += *next++;
            i = j;
        } else {
            out += c;
        }
    }
    return out;
}

const Caption kDialogCaptions[14] = {
    {ids::IDC_INSERT, {u"Insert", u"Insérer", u"Einfügen"}},
    {ids::IDC_UPDATE, {u"Update", u"Mise à jour", u"Aktualisieren"}},
    {ids::IDC_REMOVE_INVALID, {u"Remove INVALID", u"Supprimer INVALID", u"INVALID löschen"}},
    {ids::IDC_SAVE_LIST, {u"Save List file", u"Sauvegarder", u"Liste speichern"}},
    {ids::IDC_LOAD_LIST, {u"Load List file", u"Ouvrir", u"Liste laden"}},
    {ids::IDC_SORT, {u"Sort", u"Trier", u"Sortieren"}},
    {ids::IDC_SEARCH, {u"Search", u"Chercher", u"Suchen"}},
    {ids::IDC_PLAY, {u"Play", u"Ecouter", u"Abspielen"}},
    {ids::IDC_RECORD, {u"Record", u"Enregistrer", u"Aufnahme"}},
    {ids::IDC_DELETE_RECORDING, {u"Delete recording", u"Suppr. enregistrement", u"Klare Aufnahme"}},
    {ids::IDC_HELP, {u"Help ?", u"Aide ?", u"Hilfe ?"}},
    {ids::IDOK, {u"Close", u"Quitter", u"Verlassen"}},
    {ids::IDC_VOLUME_LABEL, {u"Volume", u"Volume", u"Lautstärke"}},
    {ids::IDC_DIRECTORY, {u"Directory", u"Annuaire", u"Verzeichnis"}},
};

AboutEntry aboutEntry(std::uint32_t language)
{
    if (language == kFrench)
        return {ids::IDS_ABOUTBOX_FR, ids::IDM_ABOUTBOX_FR, u"&A propos de Kestrelwave..."};
    if (language == kGerman)
        return {ids::IDS_ABOUTBOX_GE, ids::IDM_ABOUTBOX_GE, u"&Uber Kestrelwave..."};
    return {ids::IDS_ABOUTBOX_EN, ids::IDM_ABOUTBOX_EN, u"&About Kestrelwave..."};
}

QString playerText(std::uint32_t language, bool useFfplay, bool useVlc)
{
    if (useFfplay)
        return choose(language, {u"Using FFplay", u"Utilisation de FFplay", u"FFplay verwenden"});
    if (useVlc)
        return choose(language, {u"Using VLC", u"Utilisation de VLC", u"VLC verwenden"});
    return {};
}

QString errorPrefix(std::uint32_t language)
{
    return choose(language, {u"Error: ", u"Erreur: ", u"Felher: "});
}

QString emptySlotText(std::uint32_t language)
{
    return choose(language, {u"Empty", u"Vide", u"Leer"});
}

bool installQtTranslations(std::uint32_t language)
{
    // Owned here rather than by the application, which may go and come back (tests).
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    const QString name = language == kGerman   ? QStringLiteral("qtbase_de")
                         : language == kFrench ? QStringLiteral("qtbase_fr")
                                               : QString();
    if (name.isEmpty())
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = translator.release();
    return true;
}

} // namespace texts
