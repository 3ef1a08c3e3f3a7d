#pragma once

#include <QString>

namespace kinetra {

enum class IconaMessaggio { Nessuna, Critica, Esclamazione };

// What the device link asks of the windows: message boxes (OK button only), the command panel's
// start button and the main window's caption. The application implements it with widgets; tests
// record the calls.
class InterfacciaCollegamento {
public:
    virtual ~InterfacciaCollegamento() = default;
    virtual void MsgBox(const QString& testo, IconaMessaggio icona, const QString& titolo) = 0;
    // Button_start back to released (value False).
    virtual void rilasciaButton_start() = 0;
    // Caption of Frm_main (loads the main window when it is not loaded yet).
    virtual void impostaTitoloPrincipale(const QString& titolo) = 0;
};

} // namespace kinetra
