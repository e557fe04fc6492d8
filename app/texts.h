#pragma once

#include <QString>
#include <cstdint>
#include <initializer_list>

// Every text the user sees exists in English, French and German; the single language
// value of the run chooses one at each place a text is shown.
namespace texts {

inline constexpr std::uint32_t kGerman = 1031;
inline constexpr std::uint32_t kFrench = 1036;

// A text in the three languages; a null German text falls back to English.
struct Tri {
    const char16_t* en;
    const char16_t* fr;
    const char16_t* de;
};

QString choose(std::uint32_t language, const Tri& text);

// Replaces the printf-style fields of pattern ("%d", "%s", "%.1f", ...) in order by the
// given texts; "%%" stands for "%". Fields without an argument stay as they are.
QString fill(const QString& pattern, std::initializer_list<QString> args);

inline QString arg(const QString& s)
{
    return s;
}
inline QString arg(const char16_t* s)
{
    return QString::fromUtf16(s);
}
inline QString arg(int n)
{
    return QString::number(n);
}
inline QString arg(qsizetype n)
{
    return QString::number(n);
}

// A text in the current language with its fields filled.
template <typename... Args>
QString choose(std::uint32_t language, const Tri& text, const Args&... args)
{
    return fill(choose(language, text), {arg(args)...});
}

struct Caption {
    int controlId;
    Tri text;
};

// Captions of the main dialog that change with the language (English is the template's).
extern const Caption kDialogCaptions[14];

// Text of the About entry in the system menu, with its string id and command id.
struct AboutEntry {
    int stringId;
    int commandId;
    const char16_t* text;
};
AboutEntry aboutEntry(std::uint32_t language);

// "Using FFplay" and the like; empty when no player was chosen.
QString playerText(std::uint32_t language, bool useFfplay, bool useVlc);

// Prefix of every error box.
QString errorPrefix(std::uint32_t language);

// The word shown on an empty preselection label.
QString emptySlotText(std::uint32_t language);

// Puts Qt's own texts (standard buttons, file dialogs) in the program's language: German or
// French, else Qt's English; replaces what an earlier call loaded. GUI thread. False when
// the language's translation is not installed (Qt's texts then stay English).
bool installQtTranslations(std::uint32_t language);

} // namespace texts
