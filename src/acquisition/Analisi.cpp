#include "acquisition/Analisi.h"

#include "acquisition/Decodifica.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kinetra {

PortaRegistrata::PortaRegistrata(QByteArray dati, int lunghezzaLettura)
    : m_dati(std::move(dati)), m_lunghezza(lunghezzaLettura) {}

int PortaRegistrata::InBufferCount() const {
    return static_cast<int>(
        std::min<qsizetype>(m_dati.size() - m_letti, std::numeric_limits<int>::max()));
}

QByteArray PortaRegistrata::Input() {
    const qsizetype resto = m_dati.size() - m_letti;
    const qsizetype n = m_lunghezza > 0 ? std::min<qsizetype>(m_lunghezza, resto) : resto;
    // A view, not a copy: the capture outlives the batch.
    QByteArray batch = QByteArray::fromRawData(m_dati.constData() + m_letti, n);
    m_letti += n;
    return batch;
}

void VistaTabella::Aggiungi_riga(int k) {
    aggiungiRiga(m_colonne,
                 testiRiga(m_stato.Ripetizioni[static_cast<std::size_t>(k)], k, m_locale));
}

void VistaTabella::svuotaListe() {
    for (QStringList& colonna : m_colonne)
        colonna.clear();
}

void avviaAcquisizione(Stato& stato, MotoreAcquisizione& motore, Collegamento collegamento,
                       int tipoScheda) {
    const ScalaScheda scala = scalaScheda(tipoScheda);
    stato.Fattore_spostamento = scala.Fattore_spostamento;
    stato.Base_tempi = scala.Base_tempi;
    stato.Seriale_attiva = collegamento == Collegamento::Seriale;
    stato.Hid_connesso = collegamento == Collegamento::Hid;
    stato.Ricezione_attiva = stato.Seriale_attiva;
    motore.Reset_dati();
    stato.Acquisizione_attiva = true;
    stato.Traccia_attiva = true;
    motore.Azzera_tempi();
}

std::optional<QString> verificaRegistrazione(const QByteArray& dati, Collegamento collegamento) {
    if (dati.isEmpty())
        return QStringLiteral("the capture is empty");
    if (collegamento == Collegamento::Hid && dati.size() % ByteReportHid != 0)
        return QStringLiteral("a HID capture is whole reports of %1 bytes; %2 bytes is not")
            .arg(ByteReportHid)
            .arg(dati.size());
    if (dati.size() > std::numeric_limits<int>::max())
        return QStringLiteral("the capture is larger than 2 GiB");
    return std::nullopt;
}

void riproduciRegistrazione(MotoreAcquisizione& motore, const QByteArray& dati,
                            Collegamento collegamento) {
    if (collegamento == Collegamento::Seriale) {
        PortaRegistrata porta(dati);
        motore.OnComm(porta);
        return;
    }
    for (qsizetype inizio = 0; inizio + ByteReportHid <= dati.size(); inizio += ByteReportHid) {
        motore.OnRead([&](std::uint8_t* buffer) {
            std::memcpy(buffer, dati.constData() + inizio, ByteReportHid);
            return true;
        });
    }
}

} // namespace kinetra
