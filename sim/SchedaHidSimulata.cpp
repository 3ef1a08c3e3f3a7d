#include "sim/SchedaHidSimulata.h"

#include <algorithm>
#include <cstring>

namespace kinetra::sim {

SchedaHidSimulata::SchedaHidSimulata(BoardModel modello, double rate, QObject* parent)
    : QObject(parent), m_flusso(std::move(modello), rate) {
    m_orologio.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SchedaHidSimulata::pompa);
}

SchedaHidSimulata::~SchedaHidSimulata() = default;

int SchedaHidSimulata::aggiungiDispositivo(int vendorId, int productId) {
    const int handle = HandleScheda + 1 + static_cast<int>(m_altri.size());
    m_altri.push_back({handle, vendorId, productId});
    return handle;
}

void SchedaHidSimulata::notifica(int evento, int handle) {
    if (m_finestra)
        m_finestra->postaMessaggio(MessaggioHid, evento, handle);
}

bool SchedaHidSimulata::Connect(FinestraHid* finestra) {
    m_finestra = finestra;
    if (m_collegata)
        notifica(HidCollegato, HandleScheda);
    for (const Dispositivo& d : m_altri)
        notifica(HidCollegato, d.handle);
    notifica(HidCambiato, 0);
    return true;
}

bool SchedaHidSimulata::Disconnect() {
    m_finestra = nullptr;
    m_notifica = false;
    m_coda.clear();
    return true;
}

void SchedaHidSimulata::scollega() {
    if (!m_collegata)
        return;
    m_collegata = false;
    m_flusso.ferma();
    m_timer.stop();
    m_coda.clear();
    m_notifica = false;
    notifica(HidScollegato, HandleScheda);
    notifica(HidCambiato, 0);
}

void SchedaHidSimulata::ricollega() {
    if (m_collegata)
        return;
    m_collegata = true;
    notifica(HidCollegato, HandleScheda);
    notifica(HidCambiato, 0);
}

int SchedaHidSimulata::GetVendorID(int handle) {
    if (handle == HandleScheda)
        return VendorIdScheda;
    for (const Dispositivo& d : m_altri) {
        if (d.handle == handle)
            return d.vendorId;
    }
    return 0;
}

int SchedaHidSimulata::GetProductID(int handle) {
    if (handle == HandleScheda)
        return ProductIdScheda;
    for (const Dispositivo& d : m_altri) {
        if (d.handle == handle)
            return d.productId;
    }
    return 0;
}

int SchedaHidSimulata::GetHandle(int vendorId, int productId) {
    if (m_collegata && vendorId == VendorIdScheda && productId == ProductIdScheda)
        return HandleScheda;
    for (const Dispositivo& d : m_altri) {
        if (d.vendorId == vendorId && d.productId == productId)
            return d.handle;
    }
    return 0;
}

void SchedaHidSimulata::SetReadNotify(int handle, bool attivo) {
    if (handle == HandleScheda && m_collegata)
        m_notifica = attivo;
}

bool SchedaHidSimulata::Read(int handle, std::uint8_t* buffer) {
    if (handle != HandleScheda || !m_collegata || m_coda.empty())
        return false;
    std::memcpy(buffer, m_coda.front().constData(), ByteRapportoIngresso);
    m_coda.pop_front();
    return true;
}

void SchedaHidSimulata::metti(const QByteArray& rapporto) {
    if (!m_notifica)
        return; // nobody asked for reports: the board's output is lost
    m_coda.push_back(rapporto);
    notifica(HidLettura, HandleScheda);
}

void SchedaHidSimulata::WriteEx(int vendorId, int productId, const std::uint8_t* buffer) {
    if (!m_collegata || vendorId != VendorIdScheda || productId != ProductIdScheda)
        return;
    std::array<std::uint8_t, ByteRapportoUscita> r{};
    std::memcpy(r.data(), buffer, ByteRapportoUscita);
    m_ricevuti.push_back(r);
    if (r[1] != '$')
        return;
    switch (r[2]) {
    case 'D': {
        QByteArray risposta(ByteRapportoIngresso, '\0');
        risposta[2] = static_cast<char>(m_flusso.modello().boardType());
        metti(risposta);
        break;
    }
    case 'F':
        if (!m_registrazione.isEmpty()) {
            m_file = std::make_unique<QFile>(m_registrazione);
            if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate))
                m_file.reset();
        }
        m_flusso.avvia(adesso());
        programma();
        break;
    case 'T':
        m_flusso.ferma();
        m_timer.stop();
        if (m_file)
            m_file->close();
        break;
    case 'Z':
        m_flusso.azzera();
        break;
    default:
        break;
    }
}

void SchedaHidSimulata::pompa() {
    for (const QByteArray& rapporto : m_flusso.dovuti(adesso())) {
        if (m_file && m_file->isOpen()) {
            m_file->write(rapporto);
            m_file->flush();
        }
        ++m_inviati;
        metti(rapporto);
    }
    programma();
}

void SchedaHidSimulata::programma() {
    if (!m_flusso.attivo())
        return;
    const double attesa = std::max(0.0, m_flusso.prossimo() - adesso());
    m_timer.start(static_cast<int>(attesa * 1000));
}

} // namespace kinetra::sim
