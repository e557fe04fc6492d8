#include "platform/language.h"

#include <QByteArray>
#include <QtGlobal>

namespace platform {
namespace {

struct LocaleId {
    const char* name;
    std::uint32_t id;
};

// Specific locales first; a bare language code takes the language's main country.
constexpr LocaleId kLocales[] = {
    {"de_DE", 1031}, {"de_CH", 2055}, {"de_AT", 3079}, {"de_LU", 4103}, {"de_LI", 5127},
    {"fr_FR", 1036}, {"fr_BE", 2060}, {"fr_CA", 3084}, {"fr_CH", 4108}, {"fr_LU", 5132},
    {"fr_MC", 6156}, {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105},
    {"en_NZ", 5129}, {"en_IE", 6153}, {"en_ZA", 7177}, {"it_IT", 1040}, {"es_ES", 3082},
    {"nl_NL", 1043}, {"nl_BE", 2067}, {"pt_PT", 2070}, {"pt_BR", 1046}, {"de", 1031},
    {"fr", 1036},    {"en", 1033},    {"it", 1040},    {"es", 3082},    {"nl", 1043},
    {"pt", 2070},
};

} // namespace

std::uint32_t languageIdForLocale(QByteArrayView locale)
{
    QByteArrayView name = locale;
    for (char stop : {'.', '@'}) {
        const qsizetype cut = name.indexOf(stop);
        if (cut >= 0)
            name = name.first(cut);
    }
    for (const LocaleId& l : kLocales) {
        if (name == QByteArrayView(l.name))
            return l.id;
    }
    const qsizetype underscore = name.indexOf('_');
    if (underscore > 0) {
        const QByteArrayView lang = name.first(underscore);
        for (const LocaleId& l : kLocales) {
            if (lang == QByteArrayView(l.name))
                return l.id;
        }
    }
    return 1033;
}

std::uint32_t userDefaultUiLanguage()
{
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = qgetenv(var);
        if (!value.isEmpty())
            return languageIdForLocale(value);
    }
    return 1033;
}

} // namespace platform
