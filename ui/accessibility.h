#pragma once

#include <QHash>
#include <QPushButton>
#include <QString>
#include <cstdint>

class QWidget;

// What assistive technology (a screen reader over AT-SPI) sees of the main window and what
// it can do there. GUI thread.
namespace accessibility {

// A checkable command button (Play, Record, Auto Scan, Web search, the preselections) runs
// its command however it is activated: its accessible "Press" and "Toggle" both click it,
// where Qt's own button would only flip the pushed state and run nothing. The state then
// follows the program, as after a mouse click. Its own class, so that its accessible
// interface is found before Qt's for QPushButton.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(const QString& text, QWidget* parent);
};

// Names and descriptions, in the program's language, for the controls that show no text
// of their own (list, information pane, scope, record lamp, volume, the fields).
void nameControls(const QHash<int, QWidget*>& controls, std::uint32_t language);

// Preselection slot's button: "Preselection n" and what the slot holds.
void namePreset(QPushButton* button, int slot, const QString& holds, std::uint32_t language);

} // namespace accessibility
