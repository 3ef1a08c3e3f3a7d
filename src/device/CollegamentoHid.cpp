#include "device/CollegamentoHid.h"

#include "core/Testo.h"

namespace kinetra {

CollegamentoHid::CollegamentoHid(Stato& stato, LibreriaHid& libreria, InterfacciaCollegamento& ui)
    : m_stato(stato), m_libreria(libreria), m_ui(ui) {}

CollegamentoHid::~CollegamentoHid() {
    if (m_collegato)
        Scollega_hid();
}

bool CollegamentoHid::Collega_hid(FinestraHid* finestra) {
    if (m_collegato)
        Scollega_hid();
    m_finestra = finestra;
    const bool risultato = m_libreria.Connect(finestra);
    m_precedente =
        finestra->impostaProcedura([this](FinestraHid* f, quint32 m, qintptr p1, qintptr p2) {
            return Procedura_hid(f, m, p1, p2);
        });
    m_collegato = true;
    return risultato;
}

bool CollegamentoHid::Scollega_hid() {
    const bool risultato = m_libreria.Disconnect();
    if (m_finestra)
        m_finestra->impostaProcedura(std::move(m_precedente));
    m_precedente = nullptr;
    m_finestra = nullptr;
    m_collegato = false;
    return risultato;
}

qintptr CollegamentoHid::Procedura_hid(FinestraHid* finestra, quint32 messaggio, qintptr p1,
                                       qintptr p2) {
    // Copied first: a handler may disconnect, which puts the previous procedure back.
    const FinestraHid::Procedura precedente = m_precedente;
    if (messaggio == MessaggioHid) {
        switch (p1) {
        case HidCollegato:
            OnPlugged(static_cast<int>(p2));
            break;
        case HidScollegato:
            OnUnplugged(static_cast<int>(p2));
            break;
        case HidCambiato:
            OnChanged();
            break;
        case HidLettura:
            OnRead(static_cast<int>(p2));
            break;
        default:
            break;
        }
    }
    return precedente ? precedente(finestra, messaggio, p1, p2) : 0;
}

bool CollegamentoHid::eScheda(int handle) {
    return m_libreria.GetVendorID(handle) == VendorIdScheda &&
           m_libreria.GetProductID(handle) == ProductIdScheda;
}

void CollegamentoHid::aggiornaTitolo() {
    m_ui.impostaTitoloPrincipale(m_stato.Titolo_versione + m_stato.Stato_connessione);
}

void CollegamentoHid::OnPlugged(int handle) {
    if (!eScheda(handle))
        return;
    m_stato.Hid_connesso = true;
    m_stato.Seriale_attiva = false;
    m_stato.Stato_connessione = QStringLiteral(" Connesso via HID");
    aggiornaTitolo();
}

void CollegamentoHid::OnUnplugged(int handle) {
    if (!eScheda(handle))
        return;
    m_stato.Hid_connesso = false;
    m_stato.Stato_connessione = QStringLiteral(" Disconnesso");
    aggiornaTitolo();
}

void CollegamentoHid::OnChanged() {
    const int handle = m_libreria.GetHandle(VendorIdScheda, ProductIdScheda);
    m_libreria.SetReadNotify(handle, true);
}

void CollegamentoHid::OnRead(int handle) {
    const auto leggi = [this, handle](std::uint8_t* buffer) {
        return m_libreria.Read(handle, buffer);
    };
    if (m_ricevitore)
        m_ricevitore(leggi);
    else
        leggi(m_stato.Buffer_hid.data());
}

void CollegamentoHid::HID_invia_stringa(const QString& stringa) {
    Buffer_hid_uscita[0] = 0;
    const QByteArray byte = codificaTesto(stringa);
    // The report holds eight characters; a longer string is cut there instead of overrunning it.
    const qsizetype n = std::min<qsizetype>(byte.size(), ByteRapportoUscita - 1);
    for (qsizetype i = 0; i < n; ++i)
        Buffer_hid_uscita[static_cast<size_t>(i) + 1] = static_cast<std::uint8_t>(byte[i]);
    WriteSomeData();
}

void CollegamentoHid::WriteSomeData() {
    m_libreria.WriteEx(VendorIdScheda, ProductIdScheda, Buffer_hid_uscita.data());
}

void CollegamentoHid::Command1_Click() {
    Buffer_hid_uscita[0] = 0;
    Buffer_hid_uscita[1] = '$';
    Buffer_hid_uscita[2] = 'F';
    WriteSomeData();
}

void CollegamentoHid::Command2_Click() {
    Buffer_hid_uscita[0] = 0;
    Buffer_hid_uscita[1] = '$';
    Buffer_hid_uscita[2] = 'T';
    WriteSomeData();
}

} // namespace kinetra
