#include "stream/transferend.h"

#include "app/cutil.h"
#include "app/texts.h"
#include "stream/curlthread.h"

#include <curl/curl.h>

namespace {

bool isTlsFailure(int curlResult)
{
    switch (curlResult) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return true;
    default:
        return false;
    }
}

} // namespace

QString playerStoppedText(std::uint32_t lang)
{
    return texts::choose(lang, {u"The player stopped unexpectedly\n",
                                u"Le lecteur s'est arrêté de façon inattendue\n",
                                u"Der Player wurde unerwartet beendet\n"});
}

TransferEndReport transferEndReport(int reason, bool markInvalid, bool playerStarted,
                                    const QByteArray& urlUtf8, const QByteArray& errorText,
                                    std::uint32_t lang, int curlResult)
{
    TransferEndReport r;
    r.markInvalid = markInvalid;
    const QString url = CUtil::ToWide(urlUtf8);
    switch (reason) {
    case EndStopped:
        if (!markInvalid)
            r.paneBefore = QStringLiteral("\n");
        break;
    case EndNoData: {
        const QString t =
            texts::choose(lang,
                          {u"No data received from \"%s\"\n", u"Aucune donnée reçue de \"%s\"\n",
                           u"Keine Daten empfangen von \"%s\"\n"},
                          url);
        r.paneBefore = t;
        r.box = t;
        // A refused certificate is no silent server: libcurl's reason says what to fix.
        if (isTlsFailure(curlResult) && !errorText.isEmpty())
            r.paneAfter = CUtil::ToWide(errorText) + u'\n';
        break;
    }
    case EndHlsPlaylist:
        r.box = texts::choose(lang, {u"Cannot open an Extended mp4a stream",
                                     u"Impossible d'ouvrir un flux \"Extended mp4a\"",
                                     u"Ein \"Extended mp4a\" Stream kann nicht geöffnet werden"});
        r.paneAfter =
            texts::fill(QStringLiteral("\nSorry, \"%s\" is an Extended mp4a stream...\n"), {url});
        r.markInvalid = true;
        break;
    case EndConnectionClosed: {
        const QString t = texts::choose(lang,
                                        {u"Internet connection closed with \"%s\"\n",
                                         u"Connexion Internet fermée avec \"%s\"\n",
                                         u"Internetverbindung unterbrochen mit \"%s\"\n"},
                                        url);
        r.paneBefore = t;
        r.box = t;
        break;
    }
    case EndPlayerStopped:
        r.box = playerStoppedText(lang);
        break;
    case EndAborting:
        r.paneBefore = QStringLiteral("\nAborting\n");
        break;
    case EndNoResponse: {
        const QString t =
            texts::choose(lang,
                          {u"No response from \"%s\"\n", u"Pas de réponse de l'Url \"%s\"\n",
                           u"Keine Antwort von \"%s\"\n"},
                          url);
        r.box = t;
        r.paneAfter = t;
        // A station that played and then went silent dropped the connection; only one that
        // never delivered audio is dead.
        if (!playerStarted)
            r.markInvalid = true;
        break;
    }
    case EndCurlError: {
        const QString t = texts::choose(lang,
                                        {u"%s:\nCheck your network access",
                                         u"%s:\nVérifiez votre accès au réseau",
                                         u"%s:\nÜberprüfen Sie Ihren Netzwerkzugriff"},
                                        CUtil::ToWide(errorText));
        r.box = t;
        r.paneAfter = t + u'\n';
        break;
    }
    default: // 6, 8, 9: nothing to show
        break;
    }
    return r;
}
