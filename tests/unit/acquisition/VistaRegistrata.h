#pragma once

// A display that records what the engine asks of it, for the tests.

#include "acquisition/VistaAcquisizione.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kinetra::test {

struct BloccoDisegnato {
    std::vector<double> per, pos, acc, vel;
};

class VistaRegistrata : public VistaAcquisizione {
public:
    // Every call in order, as short texts: "riga 1", "mostra 1", "cursori 0.5 0", ...
    QStringList chiamate;
    std::vector<int> righe; // k of every Aggiungi_riga
    std::vector<BloccoDisegnato> disegnati;
    int beep = 0;
    int svuotamentiGraficoTempo = 0;
    double cursore1 = -1, cursore2 = -1;
    double spostamento = -1;
    int decimaliSpostamento = -1;

    bool visibile = true;
    int attesa = 0; // bytes waiting on the serial input

    void Aggiungi_riga(int k) override {
        righe.push_back(k);
        chiamate << QStringLiteral("riga %1").arg(k);
    }
    void Mostra_ripetizione(int k) override { chiamate << QStringLiteral("mostra %1").arg(k); }
    void posizionaCursori(double c1, double c2) override {
        cursore1 = c1;
        cursore2 = c2;
        chiamate << QStringLiteral("cursori %1 %2").arg(c1).arg(c2);
    }
    void svuotaGraficoTempo() override {
        ++svuotamentiGraficoTempo;
        chiamate << QStringLiteral("svuota tempo");
    }
    bool graficoTempoVisibile() const override { return visibile; }
    void aggiungiBlocco(int n, const double* per, const double* pos, const double* acc,
                        const double* vel) override {
        BloccoDisegnato b;
        b.per.assign(per, per + n + 1);
        b.pos.assign(pos, pos + n + 1);
        b.acc.assign(acc, acc + n + 1);
        b.vel.assign(vel, vel + n + 1);
        disegnati.push_back(std::move(b));
    }
    int byteInAttesa() const override { return attesa; }
    void Beep() override { ++beep; }
    void mostraSpostamento(double mm, int decimali) override {
        spostamento = mm;
        decimaliSpostamento = decimali;
    }
    void svuotaListe() override { chiamate << QStringLiteral("svuota liste"); }
    void svuotaGraficoRipetizioni() override { chiamate << QStringLiteral("svuota ripetizioni"); }
    void azzeraSlide() override { chiamate << QStringLiteral("slide 0"); }
    void riavviaGraficoTempo() override { chiamate << QStringLiteral("riavvia tempo"); }
};

} // namespace kinetra::test
