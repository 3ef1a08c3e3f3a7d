#pragma once

// What the acquisition engine asks of the results display. The results window implements it;
// the headless analyser and the tests have their own. The engine never includes a widget header.

#include <cstdint>

namespace kinetra {

class VistaAcquisizione {
public:
    virtual ~VistaAcquisizione() = default;

    // A repetition is complete: record k of Ripetizioni is final. Called in this order.
    virtual void Aggiungi_riga(int k) = 0;
    virtual void Mostra_ripetizione(int k) = 0;

    // The time graph's two cursors, "Cursor_1" and "Cursor_2", at these times (s).
    virtual void posizionaCursori(double cursore1, double cursore2) = 0;
    // Clears the data of the time graph.
    virtual void svuotaGraficoTempo() = 0;
    virtual bool graficoTempoVisibile() const = 0;
    // Appends samples 0 to n to the time graph: velocity to plot 1, acceleration to plot 5,
    // position to plot 6, each x advancing by |per(j)| / 1000 s.
    virtual void aggiungiBlocco(int n, const double* per, const double* pos, const double* acc,
                                const double* vel) = 0;

    // Bytes waiting on the serial input (0 when the port is closed): the drawing backlog.
    virtual int byteInAttesa() const = 0;

    // The system beep; requests close together may be merged.
    virtual void Beep() = 0;

    // The live position of the header panel: the last sample of a block, in mm, shown in cm
    // with this many decimals (see testoSpostamento).
    virtual void mostraSpostamento(double mm, int decimali) = 0;

    // The display side of Reset_dati, in the order it runs them.
    virtual void svuotaListe() = 0;              // every column of the results table
    virtual void svuotaGraficoRipetizioni() = 0; // the repetitions graph
    virtual void azzeraSlide() = 0;              // the velocity slide to 0
    // After svuotaGraficoTempo: value 0 with x step 0 on plots 1 and 6, then a repaint.
    virtual void riavviaGraficoTempo() = 0;
};

} // namespace kinetra
