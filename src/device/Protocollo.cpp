#include "device/Protocollo.h"

#include "acquisition/Decodifica.h"

#include "core/Attesa.h"
#include "core/Formato.h"
#include "core/Impostazioni.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kinetra {

namespace {

// Runs its action when the scope ends, also when an error leaves it.
template <class F> class AllaFine {
public:
    explicit AllaFine(F f) : m_f(std::move(f)) {}
    ~AllaFine() { m_f(); }
    AllaFine(const AllaFine&) = delete;
    AllaFine& operator=(const AllaFine&) = delete;

private:
    F m_f;
};

constexpr std::uint8_t Dollaro = 36;
constexpr int UltimaPortaCercata = 30;

} // namespace

Protocollo::Protocollo(Stato& stato, Impostazioni& impostazioni, InterfacciaCollegamento& ui,
                       QObject* parent)
    : QObject(parent), m_stato(stato), m_impostazioni(impostazioni), m_ui(ui) {
    Timer_Seriale.setTimerType(Qt::PreciseTimer);
    connect(&Timer_Seriale, &QTimer::timeout, this, &Protocollo::Timer_Seriale_Timer);
}

MSComm& Protocollo::comm() {
    if (!m_comm)
        throw ErroreEsecuzione(ErroreComm::PortaChiusa,
                               QStringLiteral("Operazione valida solo con la porta aperta"));
    return *m_comm;
}

template <class Fatto> void Protocollo::attendiRisposta(Fatto fatto) {
    // The reply timer ends the wait. The deadline only guards against a wait whose timer was
    // stopped by a routine that ran inside it.
    const int limite = std::max<int>(0, m_stato.Timeout_risposta) + 250;
    if (!attendiFinche([&] { return m_stato.Risposta_scaduta || fatto(); }, limite))
        m_stato.Risposta_scaduta = true;
}

void Protocollo::Invia_stringa(const QString& testo) {
    if (m_stato.Hid_connesso && m_invioHid)
        m_invioHid(testo);
    if (m_stato.Seriale_attiva)
        comm().Output(testo);
}

void Protocollo::Svuota_ricezione() {
    try {
        MSComm& c = comm();
        QPointer<MSComm> p(&c);
        const int lunghezza = c.InputLen();
        // The input length comes back also when the read fails (closed port).
        AllaFine ripristino([&] {
            if (p)
                p->setInputLen(lunghezza);
        });
        c.setInputLen(0);
        c.Input();
    } catch (const ErroreEsecuzione&) {
    }
}

std::uint8_t Protocollo::Leggi_byte() {
    // A one-byte reply: the same wait, and the same 0 when it times out.
    const QByteArray risposta = Leggi_risposta(1);
    return risposta.isEmpty() ? 0 : static_cast<std::uint8_t>(risposta[0]);
}

QByteArray Protocollo::Leggi_risposta(int n) {
    QByteArray risultato(1, '\0');
    MSComm& c = comm();
    QPointer<MSComm> p(&c);
    const bool ricezione = m_stato.Ricezione_attiva;
    const int modo = c.InputMode();
    const int lunghezza = c.InputLen();
    // The receiver must get its flag and the port its settings back however the wait ends.
    AllaFine ripristino([&] {
        Timer_Seriale.stop();
        m_stato.Ricezione_attiva = ricezione;
        if (p) {
            p->setInputMode(modo);
            p->setInputLen(lunghezza);
        }
    });
    m_stato.Ricezione_attiva = false;
    Timer_Seriale.start(std::max<int>(0, m_stato.Timeout_risposta));
    c.setInputMode(1);
    c.setInputLen(n);
    m_stato.Risposta_scaduta = false;
    attendiRisposta([&] {
        if (!p || p->InBufferCount() < n)
            return false;
        risultato = p->Input();
        m_stato.Risposta_scaduta = true;
        return true;
    });
    return risultato;
}

QString Protocollo::Bytes_in_stringa(const QByteArray& byte) {
    return QString::fromLatin1(byte);
}

std::int32_t Protocollo::Componi_parola(std::uint8_t basso, std::uint8_t alto) {
    return basso + 256 * alto;
}

std::int16_t Protocollo::Valore_bit(std::int32_t valore, int n) {
    if (n < 0 || n > 31)
        return 0;
    const std::uint32_t bit = std::uint32_t{1} << n;
    return (static_cast<std::uint32_t>(valore) & bit) == bit ? 1 : 0;
}

void Protocollo::Leggi_tipo_scheda() {
    try {
        Svuota_ricezione();
        Invia_stringa(QStringLiteral("$D"));
        int tipo = 0;
        if (m_stato.Seriale_attiva) {
            const QByteArray risposta = Leggi_risposta(3);
            if (risposta.size() < 3)
                throw ErroreEsecuzione(ErroreIndice,
                                       QStringLiteral("Indice non compreso nell'intervallo"));
            tipo = static_cast<std::uint8_t>(risposta[2]);
        }
        if (m_stato.Hid_connesso) {
            Attendi(100);
            tipo = m_stato.Buffer_hid[2];
        }
        m_stato.Stato_connessione += QStringLiteral(" Scheda tipo ") + QString::number(tipo);
        const ScalaScheda f = scalaScheda(tipo);
        m_stato.Fattore_spostamento = f.Fattore_spostamento;
        m_stato.Base_tempi = f.Base_tempi;
        if (!tipoSchedaNoto(tipo))
            m_ui.MsgBox(MessaggioTipoIgnoto, IconaMessaggio::Nessuna, NomeApplicazione);
    } catch (const ErroreEsecuzione& e) {
        m_ui.MsgBox(e.descrizione(), IconaMessaggio::Nessuna, NomeApplicazione);
    }
}

void Protocollo::Leggi_info_scheda() {
    try {
        Svuota_ricezione();
        comm().Output(QStringLiteral("$i"));
        const QByteArray prima = Leggi_risposta(3);
        if (prima.size() == 3 && static_cast<std::uint8_t>(prima[2]) == 2) {
            const QByteArray seconda = Leggi_risposta(3);
            if (seconda.size() == 3) {
                m_stato.Canali_abilitati = Componi_parola(static_cast<std::uint8_t>(seconda[0]), 0);
                m_stato.Tempo_campionamento = Componi_parola(static_cast<std::uint8_t>(seconda[1]),
                                                             static_cast<std::uint8_t>(seconda[2]));
                std::int16_t canali = 0;
                for (int i = 0; i <= 15; ++i)
                    canali += Valore_bit(m_stato.Canali_abilitati, i);
                m_stato.Numero_canali = canali;
            }
        }
    } catch (const ErroreEsecuzione&) {
    }
    Svuota_ricezione();
}

void Protocollo::Avvia_acquisizione() {
    try {
        Svuota_ricezione();
        Invia_stringa(QStringLiteral("$T"));
        if (m_stato.Seriale_attiva) {
            const QByteArray risposta = Leggi_risposta(2);
            if (static_cast<std::uint8_t>(risposta[0]) != Dollaro) {
                m_ui.MsgBox(MessaggioNonCollegato, IconaMessaggio::Critica,
                            QStringLiteral("Kinetra"));
                m_ui.rilasciaButton_start();
                return;
            }
            MSComm& c = comm();
            c.setInputMode(1);
            c.setRThreshold(12);
            c.setInputLen(c.RThreshold());
            m_stato.Ricezione_attiva = true;
        }
        if (m_resetDati)
            m_resetDati();
        m_stato.Acquisizione_attiva = true;
        m_stato.Traccia_attiva = true;
        if (m_stato.Seriale_attiva)
            Svuota_ricezione();
        Invia_stringa(QStringLiteral("$F"));
        if (m_stato.Seriale_attiva)
            Leggi_risposta(2);
        if (m_azzeraTempi)
            m_azzeraTempi();
    } catch (const ErroreEsecuzione& e) {
        // The serial link is in use but its port is closed: the start did not happen.
        m_stato.Acquisizione_attiva = false;
        m_ui.MsgBox(e.descrizione(), IconaMessaggio::Nessuna, NomeApplicazione);
        m_ui.rilasciaButton_start();
    }
}

void Protocollo::Ferma_acquisizione() {
    m_stato.Acquisizione_attiva = false;
    m_ui.rilasciaButton_start();
    try {
        Invia_stringa(QStringLiteral("$T"));
        if (m_stato.Seriale_attiva)
            Leggi_risposta(2);
    } catch (const ErroreEsecuzione& e) {
        m_ui.MsgBox(e.descrizione(), IconaMessaggio::Nessuna, NomeApplicazione);
    }
}

bool Protocollo::Open_comm() {
    try {
        comm().setPortOpen(true);
        return true;
    } catch (const ErroreEsecuzione& e) {
        return e.numero() == ErroreComm::PortaGiaAperta;
    }
}

bool Protocollo::Verifica_porta() {
    if (!Open_comm())
        return false;
    // A port opened for a probe puts the serial link in use, so that the probe's commands reach
    // it; a failed probe takes it out again.
    m_stato.Seriale_attiva = true;
    try {
        MSComm& c = comm();
        c.setDTREnable(true);
        c.setRTSEnable(true);
        Attendi(500);
        Svuota_ricezione();
        m_stato.Timeout_risposta = 500;
        Invia_stringa(QStringLiteral("$"));
        Leggi_byte();
        Invia_stringa(QStringLiteral("?"));
        const QString risposta = Bytes_in_stringa(Leggi_risposta(4));
        if (risposta == QLatin1String("?YES")) {
            const int porta = comm().CommPort();
            m_stato.Stato_connessione = QStringLiteral(" connesso su com") + QString::number(porta);
            m_impostazioni.scrivi(QStringLiteral("Properties"), QStringLiteral("CommPort"),
                                  QString::number(porta));
            return true;
        }
    } catch (const ErroreEsecuzione& e) {
        m_ui.MsgBox(e.descrizione(), IconaMessaggio::Nessuna, NomeApplicazione);
    }
    m_stato.Seriale_attiva = false;
    return false;
}

int Protocollo::Cerca_porta(const std::function<void(const QString&)>& info) {
    // The search closes whatever port was in use: until a probe succeeds, no serial link is.
    m_stato.Seriale_attiva = false;
    for (int porta = 1; porta <= UltimaPortaCercata; ++porta) {
        if (info)
            info(QStringLiteral("Connessione a com") + QString::number(porta));
        if (!m_comm)
            return 0;
        try {
            m_comm->setPortOpen(false);
        } catch (const ErroreEsecuzione&) {
        }
        try {
            m_comm->setCommPort(porta);
        } catch (const ErroreEsecuzione&) {
        }
        try {
            m_comm->setPortOpen(true);
        } catch (const ErroreEsecuzione&) {
        }
        if (m_comm && m_comm->PortOpen() && Verifica_porta())
            return porta;
    }
    return 0;
}

void Leggi_impostazioni(MSComm& comm, const Impostazioni& impostazioni,
                        InterfacciaCollegamento& ui) {
    try {
        const QString s = impostazioni.impostazioniSeriale();
        if (!s.isEmpty())
            comm.setSettings(s);
        const double p = valoreIniziale(impostazioni.portaSeriale());
        if (p != 0)
            comm.setCommPort(static_cast<int>(std::lround(std::clamp(p, -1.0, 256.0))));
        comm.setHandshaking(0);
        comm.setNullDiscard(false);
    } catch (const ErroreEsecuzione& e) {
        ui.MsgBox(e.descrizione(), IconaMessaggio::Esclamazione, NomeApplicazione);
    }
}

} // namespace kinetra
