#pragma once

// Test bench of the acquisition engine: a display and a serial port that record what the engine
// does with them, an engine in a running acquisition, a simulated set fed to it live, and the
// built analyser.

#include "TestApp.h"
#include "acquisition/Analisi.h"
#include "acquisition/Decodifica.h"
#include "sim/BoardModel.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& testo, std::ostream* os) {
    *os << '"' << testo.toStdString() << '"';
}

namespace kinetra::test {

struct BloccoDisegnato {
    std::vector<double> per, pos, acc, vel;
};

// Every call as a short text ("riga 1", "cursori 0.5 0", "beep", ...), the drawn blocks and the
// live position.
class VistaRegistrata : public VistaAcquisizione {
public:
    QStringList chiamate;
    std::vector<int> righe;
    std::vector<BloccoDisegnato> disegnati;
    double spostamento = -1;
    int decimali = -1;
    bool visibile = true;
    int attesa = 0; // bytes waiting on the serial input

    int quante(const char* chiamata) const {
        return static_cast<int>(chiamate.filter(QLatin1String(chiamata)).size());
    }
    void Aggiungi_riga(int k) override {
        righe.push_back(k);
        chiamate << QStringLiteral("riga %1").arg(k);
    }
    void Mostra_ripetizione(int k) override { chiamate << QStringLiteral("mostra %1").arg(k); }
    void posizionaCursori(double c1, double c2) override {
        chiamate << QStringLiteral("cursori %1 %2").arg(c1).arg(c2);
    }
    void svuotaGraficoTempo() override { chiamate << QStringLiteral("svuota tempo"); }
    bool graficoTempoVisibile() const override { return visibile; }
    void aggiungiBlocco(int n, const double* per, const double* pos, const double* acc,
                        const double* vel) override {
        disegnati.push_back(
            {{per, per + n + 1}, {pos, pos + n + 1}, {acc, acc + n + 1}, {vel, vel + n + 1}});
    }
    int byteInAttesa() const override { return attesa; }
    void Beep() override { chiamate << QStringLiteral("beep"); }
    void mostraSpostamento(double mm, int d) override {
        spostamento = mm;
        decimali = d;
    }
    void svuotaListe() override { chiamate << QStringLiteral("svuota liste"); }
    void svuotaGraficoRipetizioni() override { chiamate << QStringLiteral("svuota ripetizioni"); }
    void azzeraSlide() override { chiamate << QStringLiteral("slide 0"); }
    void riavviaGraficoTempo() override { chiamate << QStringLiteral("riavvia tempo"); }
};

// A serial port whose waiting bytes and settings the test controls; counts the reads.
class PortaFinta : public SorgenteSeriale {
public:
    QByteArray attesa;
    int evento = 2, lunghezza = 12, letture = 0;
    int massimo = 1 << 30; // a port may hand back fewer bytes than asked
    int CommEvent() const override { return evento; }
    int InBufferCount() const override { return static_cast<int>(attesa.size()); }
    int InputLen() const override { return lunghezza; }
    QByteArray Input() override {
        ++letture;
        const qsizetype n = std::min<qsizetype>(
            {lunghezza > 0 ? lunghezza : attesa.size(), attesa.size(), massimo});
        QByteArray b = attesa.left(n);
        attesa.remove(0, n);
        return b;
    }
};

// An engine in a running, recording acquisition on one link, with a board type's scale.
struct Banco {
    Stato stato;
    VistaRegistrata vista;
    MotoreAcquisizione motore{stato, vista};

    explicit Banco(bool seriale = false, int tipo = 1) {
        const ScalaScheda s = scalaScheda(tipo);
        stato.Fattore_spostamento = s.Fattore_spostamento;
        stato.Base_tempi = s.Base_tempi;
        stato.Seriale_attiva = seriale;
        stato.Hid_connesso = !seriale;
        stato.Ricezione_attiva = stato.Acquisizione_attiva = true;
        stato.Memo_attivo = stato.Traccia_attiva = true;
        stato.Dati_esercizio.Ampiezza_minima = 100;
        motore.Azzera_tempi();
    }
    void blocco(std::vector<double> pos, std::vector<double> per) {
        motore.Elabora_blocco(static_cast<int>(pos.size()) - 1, pos.data(), per.data());
    }
};

// An initial lift, then 6 repetitions of 550 mm/s slowing with fatigue, with jittered steps.
inline sim::SetPlan serie(double sollevamentoMm, double sollevamentoMmS) {
    sim::SetPlan s;
    s.initialLiftMm = sollevamentoMm;
    s.initialLiftMmS = sollevamentoMmS;
    s.fatigue = 0.04;
    s.noise = 0.1;
    s.seed = 11;
    for (int i = 0; i < 6; ++i)
        s.repetitions.push_back({500.0 - 10 * i, 550, 420, 0.6, 0.3});
    return s;
}

// Starts an acquisition and feeds it the model's stream as it arrives: on serial the receive
// event fires once 12 bytes wait, on HID once per report. Returns the stream as captured.
inline QByteArray acquisisciDalModello(const sim::BoardModel& modello, Stato& stato,
                                       VistaAcquisizione& vista) {
    MotoreAcquisizione motore(stato, vista);
    const bool seriale = modello.link() == sim::Link::Serial;
    avviaAcquisizione(stato, motore, seriale ? Collegamento::Seriale : Collegamento::Hid,
                      modello.boardType());
    QByteArray flusso;
    if (seriale) {
        flusso = modello.serialBytes();
        PortaFinta porta;
        for (qsizetype i = 0; i < flusso.size(); i += ByteFrameSeriale) {
            porta.attesa += flusso.mid(i, ByteFrameSeriale);
            if (porta.attesa.size() >= 12)
                motore.OnComm(porta);
        }
        return flusso;
    }
    for (const QByteArray& report : modello.hidReports()) {
        flusso += report;
        riproduciRegistrazione(motore, report, Collegamento::Hid); // one read per report
    }
    return flusso;
}

struct Uscita {
    int codice = -1;
    QByteArray out, err;
};

// Runs the built kinetra-analyze.
inline Uscita analizza(const QStringList& argomenti) {
    testApp();
    QProcess p;
    p.start(QStringLiteral(KINETRA_ANALYZE), argomenti);
    EXPECT_TRUE(p.waitForFinished(60000)) << "kinetra-analyze did not finish";
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace kinetra::test
