#pragma once

#include <QString>

enum class BoxIcon { None, Information, Error };

// How the engine shows message boxes. The window implements it with real dialogs; tests
// use a scripted fake that records every text and answers questions from a script.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A box with the program's title and an OK button.
    virtual void show(const QString& text, BoxIcon icon) = 0;

    // Yes and No buttons; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;

    // An information box with a "do not show this again" check box. The user's choice is
    // kept under valueName; once kept, later calls show nothing.
    virtual void showUnlessSilenced(const QString& text, const QString& caption,
                                    const QString& valueName) = 0;

    // An information box that closes itself after timeoutMs.
    virtual void showTimed(const QString& text, const QString& caption, int timeoutMs) = 0;

    // The session ends and nobody is there to answer: from now on no box shows and every
    // question is answered No.
    virtual void endSession() {}
};
