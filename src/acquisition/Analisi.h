#pragma once

// Headless re-analysis of a recorded stream: the bytes go through the very receivers, block
// processing and detection the program runs, and the table is collected as the results window
// would list it.

#include "acquisition/MotoreAcquisizione.h"
#include "acquisition/RigaTabella.h"
#include "acquisition/SorgenteSeriale.h"
#include "acquisition/VistaAcquisizione.h"
#include "core/Stato.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <optional>

namespace kinetra {

enum class Collegamento { Seriale, Hid };

// A serial port whose whole capture is already waiting: one receive event drains it.
class PortaRegistrata : public SorgenteSeriale {
public:
    explicit PortaRegistrata(QByteArray dati, int lunghezzaLettura = 12);
    int CommEvent() const override { return 2; }
    int InBufferCount() const override;
    int InputLen() const override { return m_lunghezza; }
    QByteArray Input() override;

private:
    QByteArray m_dati;
    qsizetype m_letti = 0;
    int m_lunghezza;
};

// The display of a headless analysis: keeps the table lists, draws nothing.
class VistaTabella : public VistaAcquisizione {
public:
    VistaTabella(const Stato& stato, QLocale locale)
        : m_stato(stato), m_locale(std::move(locale)) {}

    const ColonneTabella& colonne() const { return m_colonne; }

    void Aggiungi_riga(int k) override;
    void Mostra_ripetizione(int) override {}
    void posizionaCursori(double, double) override {}
    void svuotaGraficoTempo() override {}
    bool graficoTempoVisibile() const override { return false; }
    void aggiungiBlocco(int, const double*, const double*, const double*, const double*) override {}
    int byteInAttesa() const override { return 0; }
    void Beep() override {}
    void mostraSpostamento(double, int) override {}
    void svuotaListe() override;
    void svuotaGraficoRipetizioni() override {}
    void azzeraSlide() override {}
    void riavviaGraficoTempo() override {}

private:
    const Stato& m_stato;
    QLocale m_locale;
    ColonneTabella m_colonne;
};

// Puts the state and the engine where the start of an acquisition leaves them on this link,
// with the scale of this board type: data cleared, receivers enabled, time sums at zero.
void avviaAcquisizione(Stato& stato, MotoreAcquisizione& motore, Collegamento collegamento,
                       int tipoScheda);

// Why a capture cannot be analysed, or nothing.
std::optional<QString> verificaRegistrazione(const QByteArray& dati, Collegamento collegamento);

// Feeds a capture to the engine's receiver for the link: a serial capture as one receive event
// with every byte waiting, a HID capture report by report. The capture must pass
// verificaRegistrazione.
void riproduciRegistrazione(MotoreAcquisizione& motore, const QByteArray& dati,
                            Collegamento collegamento);

} // namespace kinetra
