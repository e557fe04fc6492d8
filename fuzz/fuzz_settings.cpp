#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/messageboxes.h"
#include "app/settings.h"
#include "fuzz/fuzzcheck.h"
#include "platform/registrystore.h"
#include "stations/listline.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

namespace {

// ReadSettings shows no boxes; any box would be a finding of its own.
class NoBoxes : public MessageBoxes {
public:
    void show(const QString&, BoxIcon) override { fuzzCheck(false, "ReadSettings shows no box"); }
    bool askYesNo(const QString&) override
    {
        fuzzCheck(false, "ReadSettings asks nothing");
        return false;
    }
    void showUnlessSilenced(const QString&, const QString&, const QString&) override {}
    void showTimed(const QString&, const QString&, int) override {}
};

const char* const kColorKeys[] = {"dlg_background", "list_background", "list_header", "category",
                                  "categBkg",       "modified",        "valid",       "invalid"};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

std::optional<QString> checkedValue(const IniText& ini, QByteArrayView section, QByteArrayView key)
{
    std::optional<QString> v = ini.value(section, key);
    if (v) {
        fuzzCheck(!v->isEmpty(), "a present value is not empty");
        fuzzCheck(!isBlank(v->front()) && !isBlank(v->back()), "a value has no blanks around");
        fuzzCheck(!v->contains(u'\n'), "a value is one line");
    }
    return v;
}

// Every value the program reads, taken through the parser that reads it.
void readAllValues(const QByteArray& text)
{
    const IniText ini(text);
    checkedValue(ini, "LIST_FILE", "list");
    checkedValue(ini, "WEBSERVER", "url");
    if (const auto current = checkedValue(ini, "CURRENT_URL", "url"))
        ParseListLine(*current);
    for (int n = 1; n <= kPresetSlots; ++n) {
        const QByteArray key = "sel_" + QByteArray::number(n);
        if (const auto value = checkedValue(ini, "PRESELECTIONS", key))
            ParseListLine(*value);
    }
    if (const auto selected = checkedValue(ini, "PRESELECTIONS", "selected"))
        CUtil::ReadNumber(*selected);
    for (const char* key : kColorKeys) {
        if (const auto value = checkedValue(ini, "COLORS", key)) {
            if (const std::optional<unsigned> color = parseColor(value->toUtf8()))
                fuzzCheck(*color <= 0xFFFFFF, "a colour fits 24 bits");
        }
    }
}

struct SettingsFolder {
    QTemporaryDir dir;
    platform::RegistryStore registry{dir.filePath(QStringLiteral("registry.ini"))};
    NoBoxes boxes;
};

SettingsFolder& folder()
{
    static SettingsFolder f;
    return f;
}

// The whole of ReadSettings on a file holding the input.
void readSettingsFile(const QByteArray& text)
{
    SettingsFolder& f = folder();
    if (!f.dir.isValid())
        return;
    QFile file(f.dir.filePath(QStringLiteral("Kestrelwave.ini")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return;
    file.close();

    CKestrelwaveApp app(f.boxes, f.registry);
    app.dataFolder = f.dir.path();
    const int read = app.ReadSettings();
    fuzzCheck(read == (text.isEmpty() ? 0 : 1), "a file with content is read");
    fuzzCheck(app.selectedPreset >= -1 && app.selectedPreset < kPresetSlots,
              "the selection is a slot or none");
    if (app.selectedPreset >= 0)
        fuzzCheck(!app.presetUrl[app.selectedPreset].isEmpty(), "a selected slot holds a URL");
    for (std::uint32_t c : app.colors)
        fuzzCheck(c <= 0xFFFFFF, "a colour fits 24 bits");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<unsigned> color = parseColor(text))
        fuzzCheck(*color <= 0xFFFFFF, "a colour fits 24 bits");
    readAllValues(text);
    readSettingsFile(text);
    return 0;
}
