#pragma once

// Shared bench: a display and a serial port that record what the engine does with them.

#include "TestApp.h"
#include "acquisition/Analisi.h"
#include "acquisition/Decodifica.h"
#include "sim/BoardModel.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

inline void PrintTo(const QString& t, std::ostream* os) {
    *os << '"' << t.toStdString() << '"';
}

namespace kinetra::test {

struct BloccoDisegnato {
    std::vector<double> pos, acc, vel;
};

// Every call as a short text ("riga 1", "cursori 0.5 0", ...), the drawn blocks, the position.
class VistaRegistrata : public VistaAcquisizione {
public:
    QStringList chiamate;
    std::vector<int> righe;
    std::vector<BloccoDisegnato> disegnati;
    double spostamento = -1;
    int decimali = -1, attesa = 0; // attesa: bytes waiting on the serial input
    bool visibile = true;

    int quante(const char* c) const { return int(chiamate.filter(QLatin1String(c)).size()); }
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
    void aggiungiBlocco(int n, const double*, const double* pos, const double* acc,
                        const double* vel) override {
        disegnati.push_back({{pos, pos + n + 1}, {acc, acc + n + 1}, {vel, vel + n + 1}});
    }
    int byteInAttesa() const override { return attesa; }
    void Beep() override { chiamate << QStringLiteral("beep"); }
    void mostraSpostamento(double mm, int d) override { spostamento = mm, decimali = d; }
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
    int InBufferCount() const override { return int(attesa.size()); }
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
        avviaAcquisizione(stato, motore, seriale ? Collegamento::Seriale : Collegamento::Hid, tipo);
        stato.Memo_attivo = true;
        stato.Dati_esercizio.Ampiezza_minima = 100;
        vista.chiamate.clear();
    }
    void blocco(std::vector<double> pos, std::vector<double> per) {
        motore.Elabora_blocco(int(pos.size()) - 1, pos.data(), per.data());
    }
};

} // namespace kinetra::test
