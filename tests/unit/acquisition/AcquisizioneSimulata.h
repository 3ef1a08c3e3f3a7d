#pragma once

// A running acquisition fed with a board model's stream, for the tests that compare the
// engine's table with the truth and with kinetra-analyze.

#include "VistaRegistrata.h"
#include "acquisition/Analisi.h"
#include "acquisition/Decodifica.h"
#include "acquisition/RigaTabella.h"
#include "acquisition/SorgenteSeriale.h"
#include "sim/BoardModel.h"

#include <cstring>

namespace kinetra::test {

// A serial port receiving the frames as the board sends them, 12 bytes read at a time.
class PortaViva : public SorgenteSeriale {
public:
    QByteArray attesa;
    int CommEvent() const override { return 2; }
    int InBufferCount() const override { return static_cast<int>(attesa.size()); }
    int InputLen() const override { return 12; }
    QByteArray Input() override {
        QByteArray b = attesa.left(12);
        attesa.remove(0, 12);
        return b;
    }
};

// Keeps the row texts as each row is added, as the window's lists do.
class VistaConTabella : public VistaRegistrata {
public:
    VistaConTabella(const Stato& stato, QLocale locale)
        : m_stato(stato), m_locale(std::move(locale)) {}
    ColonneTabella colonne;
    void Aggiungi_riga(int k) override {
        VistaRegistrata::Aggiungi_riga(k);
        aggiungiRiga(colonne,
                     testiRiga(m_stato.Ripetizioni[static_cast<std::size_t>(k)], k, m_locale));
    }

private:
    const Stato& m_stato;
    QLocale m_locale;
};

// Starts an acquisition and feeds it the model's stream as it arrives: on serial the receive
// event fires once 12 bytes wait (the threshold the start routine sets), on HID once per
// report. Returns the stream as a capture file holds it.
inline QByteArray acquisisciDalModello(const sim::BoardModel& modello, Stato& stato,
                                       VistaAcquisizione& vista) {
    MotoreAcquisizione motore(stato, vista);
    QByteArray flusso;
    if (modello.link() == sim::Link::Serial) {
        avviaAcquisizione(stato, motore, Collegamento::Seriale, modello.boardType());
        flusso = modello.serialBytes();
        PortaViva porta;
        for (qsizetype i = 0; i < flusso.size(); i += ByteFrameSeriale) {
            porta.attesa += flusso.mid(i, ByteFrameSeriale);
            if (porta.attesa.size() >= 12)
                motore.OnComm(porta);
        }
    } else {
        avviaAcquisizione(stato, motore, Collegamento::Hid, modello.boardType());
        for (const QByteArray& report : modello.hidReports()) {
            flusso += report;
            motore.OnRead([&](std::uint8_t* buffer) {
                std::memcpy(buffer, report.constData(), ByteReportHid);
                return true;
            });
        }
    }
    return flusso;
}

} // namespace kinetra::test
