#pragma once

// The USB HID window: the library's notifications arrive on it while it is loaded. Loading it
// connects to the HID library, unloading it disconnects.

#include "device/CollegamentoHid.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace kinetra {

class frm_hid : public QWidget {
    Q_OBJECT
public:
    frm_hid(Stato& stato, LibreriaHid& libreria, InterfacciaCollegamento& ui,
            QWidget* parent = nullptr);
    ~frm_hid() override;

    CollegamentoHid& collegamento() { return m_collegamento; }
    FinestraHid& finestra() { return *m_finestra; }

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QLineEdit* Text1;

    void Form_Load();
    void Form_Unload();
    void Command1_Click() { m_collegamento.Command1_Click(); }
    void Command2_Click() { m_collegamento.Command2_Click(); }

private:
    FinestraHid* m_finestra;
    CollegamentoHid m_collegamento;
};

} // namespace kinetra
