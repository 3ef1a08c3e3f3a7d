#pragma once

// The HID access library as the program uses it: devices named by handles, notifications posted
// as window messages to the window given at Connect, one 65-byte input report per Read (report
// number first) and one 9-byte output report per WriteEx. Backends: hidapi for real boards, a
// simulated board for tests and demonstrations.

#include <QObject>

#include <cstdint>
#include <functional>

namespace kinetra {

// The board's identity.
inline constexpr int VendorIdScheda = 0x0461;
inline constexpr int ProductIdScheda = 0x0020;

inline constexpr int ByteRapportoIngresso = 65;
inline constexpr int ByteRapportoUscita = 9;

// The library's notification message and its event codes (first parameter).
inline constexpr quint32 MessaggioHid = 0x8000 + 200;
enum EventoHid : int { HidCollegato = 1, HidScollegato = 2, HidCambiato = 3, HidLettura = 4 };

// A window as the library sees it: a target of posted messages whose window procedure can be
// replaced (and chained) by the program. Messages are delivered on the window's thread.
class FinestraHid : public QObject {
    Q_OBJECT
public:
    using Procedura =
        std::function<qintptr(FinestraHid* finestra, quint32 messaggio, qintptr p1, qintptr p2)>;

    explicit FinestraHid(QObject* parent = nullptr);

    // Installs a window procedure and returns the one it replaces.
    Procedura impostaProcedura(Procedura procedura);
    // Calls the current window procedure now.
    qintptr inviaMessaggio(quint32 messaggio, qintptr p1, qintptr p2);
    // Queues a message for the window's thread; callable from any thread.
    void postaMessaggio(quint32 messaggio, qintptr p1, qintptr p2);

protected:
    bool event(QEvent* evento) override;

private:
    Procedura m_procedura;
};

class LibreriaHid {
public:
    virtual ~LibreriaHid() = default;
    virtual bool Connect(FinestraHid* finestra) = 0;
    virtual bool Disconnect() = 0;
    virtual int GetVendorID(int handle) = 0;
    virtual int GetProductID(int handle) = 0;
    virtual int GetHandle(int vendorId, int productId) = 0;
    virtual void SetReadNotify(int handle, bool attivo) = 0;
    // Copies one pending input report (65 bytes, report number first) into `buffer`.
    virtual bool Read(int handle, std::uint8_t* buffer) = 0;
    // Sends `buffer` (9 bytes, report number first) as one output report.
    virtual void WriteEx(int vendorId, int productId, const std::uint8_t* buffer) = 0;
};

} // namespace kinetra
