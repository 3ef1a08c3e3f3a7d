#pragma once

// The USB HID link of the window frm_hid: connecting to the library on the window, the window
// procedure that dispatches the library's notifications, the board's plug, unplug, change and
// read events, and the sending of a command as one output report.

#include "core/Stato.h"
#include "device/InterfacciaCollegamento.h"
#include "device/LibreriaHid.h"

#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace kinetra {

class CollegamentoHid {
public:
    // The HID sample receiver: given a read of one report into a buffer, it fills Buffer_hid and
    // decodes the report while an acquisition runs.
    using Ricevitore = std::function<void(const std::function<bool(std::uint8_t*)>& leggi)>;

    CollegamentoHid(Stato& stato, LibreriaHid& libreria, InterfacciaCollegamento& ui);
    ~CollegamentoHid();
    CollegamentoHid(const CollegamentoHid&) = delete;
    CollegamentoHid& operator=(const CollegamentoHid&) = delete;

    void impostaRicevitore(Ricevitore ricevitore) { m_ricevitore = std::move(ricevitore); }

    bool Collega_hid(FinestraHid* finestra);
    bool Scollega_hid();
    qintptr Procedura_hid(FinestraHid* finestra, quint32 messaggio, qintptr p1, qintptr p2);

    void OnPlugged(int handle);
    void OnUnplugged(int handle);
    void OnChanged();
    void OnRead(int handle);

    void HID_invia_stringa(const QString& stringa);
    void WriteSomeData();
    void Command1_Click(); // start streaming
    void Command2_Click(); // stop streaming

    // The output report: report number (0) first, then the command's characters. Bytes after a
    // command keep what earlier reports left there.
    std::array<std::uint8_t, ByteRapportoUscita> Buffer_hid_uscita{};

    bool collegato() const { return m_collegato; }

private:
    bool eScheda(int handle);
    void aggiornaTitolo();

    Stato& m_stato;
    LibreriaHid& m_libreria;
    InterfacciaCollegamento& m_ui;
    Ricevitore m_ricevitore;
    QPointer<FinestraHid> m_finestra;
    FinestraHid::Procedura m_precedente;
    bool m_collegato = false;
};

} // namespace kinetra
