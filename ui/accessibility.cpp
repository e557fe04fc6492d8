#include "ui/accessibility.h"

#include "app/controlids.h"
#include "app/texts.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPushButton>

namespace accessibility {
namespace {

class CommandButtonAccessible : public QAccessibleWidget {
public:
    explicit CommandButtonAccessible(QPushButton* button)
        : QAccessibleWidget(button, QAccessible::Button)
    {}

    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        QString name = widget()->accessibleName();
        if (name.isEmpty()) {
            // The caption without its mnemonic marks ("&&" is a real ampersand).
            name = button()->text();
            name.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
            name.remove(u'&');
            name.replace(u'\x01', u'&');
        }
        return name;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction() || action == toggleAction()) {
            if (button()->isEnabled())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (className == QLatin1StringView(CommandButton::staticMetaObject.className()))
        return new CommandButtonAccessible(static_cast<QPushButton*>(object));
    return nullptr;
}

} // namespace

CommandButton::CommandButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    setCheckable(true);
}

void nameControls(const QHash<int, QWidget*>& controls, std::uint32_t language)
{
    struct Entry {
        int id;
        texts::Tri name;
        texts::Tri description;
    };
    static const Entry kEntries[] = {
        {ids::IDC_LIST,
         {u"Station list", u"Liste des stations", u"Senderliste"},
         {u"Your stations under their category headings", u"Vos stations sous leurs catégories",
          u"Ihre Sender unter ihren Kategorien"}},
        {ids::IDC_INFO_PANE,
         {u"Information", u"Informations", u"Informationen"},
         {u"Station, stream and song now playing", u"Station, flux et titre en cours",
          u"Sender, Stream und aktueller Titel"}},
        {ids::IDC_SCOPE,
         {u"Signal scope", u"Oscilloscope", u"Oszilloskop"},
         {u"The sound the computer plays", u"Le son que joue l'ordinateur",
          u"Der Ton, den der Computer abspielt"}},
        {ids::IDC_RECORD_LAMP,
         {u"Recording lamp", u"Voyant d'enregistrement", u"Aufnahmeanzeige"},
         {u"Lit while a recording runs", u"Allumé pendant l'enregistrement",
          u"Leuchtet während einer Aufnahme"}},
        {ids::IDC_VOLUME,
         {u"Volume", u"Volume", u"Lautstärke"},
         {u"Volume of the player", u"Volume du lecteur", u"Lautstärke des Players"}},
        {ids::IDC_NAME,
         {u"Station name", u"Nom de la station", u"Sendername"},
         {u"Name of the selected station", u"Nom de la station choisie",
          u"Name des gewählten Senders"}},
        {ids::IDC_URL,
         {u"Web Radio URL", u"URL de la radio", u"Webradio-URL"},
         {u"Address of the selected station", u"Adresse de la station choisie",
          u"Adresse des gewählten Senders"}},
    };
    for (const Entry& e : kEntries) {
        if (QWidget* w = controls.value(e.id)) {
            w->setAccessibleName(texts::choose(language, e.name));
            w->setAccessibleDescription(texts::choose(language, e.description));
        }
    }
}

void namePreset(QPushButton* button, int slot, const QString& holds, std::uint32_t language)
{
    button->setAccessibleName(
        texts::choose(language, {u"Preselection %d", u"Présélection %d", u"Senderspeicher %d"},
                      QString::number(slot + 1)));
    button->setAccessibleDescription(holds);
}

} // namespace accessibility
