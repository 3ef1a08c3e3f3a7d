#pragma once

// The HID library over hidapi. Attach and detach are found by enumerating every 250 ms (and at
// Connect, so a board already attached announces itself at once). Each device asked for read
// notifications has a reader thread that queues its input reports and posts one read event per
// report to the UI thread; everything else runs on the UI thread.

#include "device/LibreriaHid.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct hid_device_;

namespace kinetra {

class LibreriaHidapi : public QObject, public LibreriaHid {
    Q_OBJECT
public:
    explicit LibreriaHidapi(QObject* parent = nullptr);
    ~LibreriaHidapi() override;

    bool Connect(FinestraHid* finestra) override;
    bool Disconnect() override;
    int GetVendorID(int handle) override;
    int GetProductID(int handle) override;
    int GetHandle(int vendorId, int productId) override;
    void SetReadNotify(int handle, bool attivo) override;
    bool Read(int handle, std::uint8_t* buffer) override;
    void WriteEx(int vendorId, int productId, const std::uint8_t* buffer) override;

    // Reports kept per device while the UI thread is busy; older ones are dropped beyond it.
    static constexpr size_t RapportiInAttesaMassimi = 100000;

private:
    struct Lettore;
    struct Dispositivo {
        std::string percorso;
        int vendorId = 0;
        int productId = 0;
    };
    using Rapporto = std::array<std::uint8_t, ByteRapportoIngresso>;

    void enumera();
    void notifica(int evento, int handle);
    void fermaLettore(int handle);
    void chiudiScrittura(int handle);
    void accoda(int handle, const Rapporto& rapporto); // reader threads

    QPointer<FinestraHid> m_finestra;
    QTimer m_scansione;
    std::map<int, Dispositivo> m_presenti;             // attached devices by handle
    std::map<int, std::pair<int, int>> m_identita;     // ids of every handle ever given
    std::map<int, std::unique_ptr<Lettore>> m_lettori; // by handle
    std::map<int, hid_device_*> m_scrittura;           // by handle
    int m_prossimoHandle = 1;

    std::mutex m_mutex; // guards m_rapporti
    std::map<int, std::deque<Rapporto>> m_rapporti;
};

} // namespace kinetra
