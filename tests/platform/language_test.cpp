#include "platform/language.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <optional>

namespace {

TEST(Language, LocaleNamesMapToWindowsLanguageIds)
{
    const struct {
        const char* locale;
        std::uint32_t id;
    } rows[] = {
        {"de_DE.UTF-8", 1031}, {"de_DE", 1031},
        {"de_DE@euro", 1031},  {"fr_FR", 1036},
        {"fr_FR.UTF-8", 1036}, {"en_GB", 2057},
        {"en_GB.UTF-8", 2057}, {"de_CH", 2055},
        {"de_CH.utf8", 2055},  {"fr_CA", 3084},
        {"fr_BE.UTF-8", 2060}, {"de_AT", 3079},
        {"en_US.UTF-8", 1033}, {"de", 1031},
        {"fr", 1036},          {"de_XX", 1031},
        {"fr_XX.UTF-8", 1036}, {"xx_YY.UTF-8", 1033},
        {"C", 1033},           {"C.UTF-8", 1033},
        {"POSIX", 1033},       {"", 1033},
        {"DE_de", 1033},       {"_DE", 1033},
    };
    for (const auto& r : rows)
        EXPECT_EQ(platform::languageIdForLocale(r.locale), r.id) << r.locale;
}

// Sets or clears one environment variable for the scope's life.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name)
    {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~EnvVar()
    {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

TEST(Language, LcAllBeforeLcMessagesBeforeLang)
{
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        std::uint32_t id;
    } rows[] = {
        {"fr_FR.UTF-8", "de_DE.UTF-8", "en_GB.UTF-8", 1036},
        {nullptr, "de_DE.UTF-8", "en_GB.UTF-8", 1031},
        {"", "de_CH.UTF-8", "fr_FR.UTF-8", 2055}, // set but empty counts as unset
        {nullptr, nullptr, "en_GB.UTF-8", 2057},
        {nullptr, "", "fr_CA.UTF-8", 3084},
        {"C", "de_DE.UTF-8", "fr_FR.UTF-8", 1033},
        {nullptr, nullptr, nullptr, 1033},
    };
    for (const auto& r : rows) {
        const EnvVar all("LC_ALL", r.lcAll), messages("LC_MESSAGES", r.lcMessages),
            lang("LANG", r.lang);
        EXPECT_EQ(platform::userDefaultUiLanguage(), r.id)
            << (r.lcAll ? r.lcAll : "-") << " " << (r.lcMessages ? r.lcMessages : "-") << " "
            << (r.lang ? r.lang : "-");
    }
}

} // namespace
