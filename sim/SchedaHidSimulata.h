#pragma once

// A simulated USB HID board behind the HID library interface: it announces itself at Connect,
// answers "$D" with its type in byte 2 of the next input report, streams the model's reports
// after "$F", stops after "$T", zeroes its position after "$Z", and can be unplugged and plugged
// in again. Other devices can be present beside it. Runs on the thread that uses it.

#include "device/LibreriaHid.h"
#include "sim/FlussoScheda.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <deque>
#include <memory>
#include <vector>

namespace kinetra::sim {

class SchedaHidSimulata : public QObject, public LibreriaHid {
    Q_OBJECT
public:
    static constexpr int HandleScheda = 1;

    SchedaHidSimulata(BoardModel modello, double rate = 1.0, QObject* parent = nullptr);
    ~SchedaHidSimulata() override;

    // Another device, attached from the start; returns its handle.
    int aggiungiDispositivo(int vendorId, int productId);
    void scollega();  // unplug the board
    void ricollega(); // plug it in again
    bool collegata() const { return m_collegata; }
    bool inStreaming() const { return m_flusso.attivo(); }
    // The stream reports of the last set go to this file, one after another.
    void registraIn(const QString& percorso) { m_registrazione = percorso; }
    // Every output report the board received, 9 bytes each.
    const std::vector<std::array<std::uint8_t, ByteRapportoUscita>>& rapportiRicevuti() const {
        return m_ricevuti;
    }
    int rapportiInviati() const { return m_inviati; }

    bool Connect(FinestraHid* finestra) override;
    bool Disconnect() override;
    int GetVendorID(int handle) override;
    int GetProductID(int handle) override;
    int GetHandle(int vendorId, int productId) override;
    void SetReadNotify(int handle, bool attivo) override;
    bool Read(int handle, std::uint8_t* buffer) override;
    void WriteEx(int vendorId, int productId, const std::uint8_t* buffer) override;

private:
    struct Dispositivo {
        int handle;
        int vendorId;
        int productId;
    };
    void notifica(int evento, int handle);
    void metti(const QByteArray& rapporto);
    void pompa();
    void programma();
    double adesso() const { return m_orologio.nsecsElapsed() / 1e9; }

    FlussoScheda m_flusso;
    QPointer<FinestraHid> m_finestra;
    std::vector<Dispositivo> m_altri;
    bool m_collegata = true;
    bool m_notifica = false;
    std::deque<QByteArray> m_coda;
    std::vector<std::array<std::uint8_t, ByteRapportoUscita>> m_ricevuti;
    int m_inviati = 0;
    QElapsedTimer m_orologio;
    QTimer m_timer;
    QString m_registrazione;
    std::unique_ptr<QFile> m_file;
};

} // namespace kinetra::sim
