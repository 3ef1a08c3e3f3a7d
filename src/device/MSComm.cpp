#include "device/MSComm.h"

#include "core/Testo.h"
#include "device/PorteSeriali.h"

#include <QTimer>

#include <algorithm>
#include <array>

namespace kinetra {

namespace {

constexpr std::array<int, 16> VelocitaAmmesse{110,   300,    600,    1200,  2400,  4800,
                                              9600,  14400,  19200,  28800, 38400, 56000,
                                              57600, 115200, 128000, 256000};

[[noreturn]] void errore(int numero, const char* descrizione) {
    throw ErroreEsecuzione(numero, QString::fromUtf8(descrizione));
}

[[noreturn]] void valoreNonValido() {
    errore(ErroreComm::ValoreNonValido, "Valore della proprietà non valido");
}

} // namespace

QString LineaSeriale::testo() const {
    return QStringLiteral("%1,%2,%3,%4").arg(velocita).arg(parita).arg(bitDati).arg(bitStop);
}

std::optional<LineaSeriale> analizzaSettings(const QString& testo) {
    const QStringList campi = testo.split(QLatin1Char(','));
    if (campi.size() != 4)
        return std::nullopt;
    LineaSeriale linea;
    bool ok = false;
    linea.velocita = campi[0].trimmed().toInt(&ok);
    if (!ok || std::find(VelocitaAmmesse.begin(), VelocitaAmmesse.end(), linea.velocita) ==
                   VelocitaAmmesse.end())
        return std::nullopt;
    const QString parita = campi[1].trimmed().toUpper();
    if (parita.size() != 1 || !QStringLiteral("NEOMS").contains(parita[0]))
        return std::nullopt;
    linea.parita = parita[0];
    linea.bitDati = campi[2].trimmed().toInt(&ok);
    if (!ok || linea.bitDati < 4 || linea.bitDati > 8 || campi[2].trimmed().size() != 1)
        return std::nullopt;
    linea.bitStop = campi[3].trimmed();
    if (linea.bitStop != QLatin1String("1") && linea.bitStop != QLatin1String("1.5") &&
        linea.bitStop != QLatin1String("2"))
        return std::nullopt;
    return linea;
}

MSComm::MSComm(const Impostazioni* impostazioni, QObject* parent)
    : QObject(parent), m_impostazioni(impostazioni) {
    connect(&m_seriale, &QSerialPort::readyRead, this, &MSComm::ricevi);
    connect(&m_seriale, &QSerialPort::errorOccurred, this, &MSComm::erroreSeriale);
}

MSComm::~MSComm() {
    if (m_seriale.isOpen())
        m_seriale.close();
}

QString MSComm::dispositivo() const {
    return dispositivoPorta(m_porta, m_impostazioni);
}

void MSComm::setCommPort(int porta) {
    if (m_seriale.isOpen())
        errore(ErroreComm::PortaGiaInUso, "Operazione non valida con la porta aperta");
    if (porta < 1 || porta > 255)
        errore(ErroreComm::PortaNonValida, "Numero di porta non valido");
    m_porta = porta;
}

void MSComm::setSettings(const QString& testo) {
    const std::optional<LineaSeriale> linea = analizzaSettings(testo);
    if (!linea)
        valoreNonValido();
    if (m_seriale.isOpen())
        applicaLinea(*linea);
    m_linea = *linea;
}

void MSComm::applicaLinea(const LineaSeriale& linea) {
    if (linea.bitDati < 5)
        errore(ErroreComm::StatoNonImpostato, "Impossibile impostare lo stato della porta");
    bool ok = m_seriale.setBaudRate(linea.velocita);
    ok = m_seriale.setDataBits(static_cast<QSerialPort::DataBits>(linea.bitDati)) && ok;
    QSerialPort::Parity parita = QSerialPort::NoParity;
    switch (linea.parita.toLatin1()) {
    case 'E':
        parita = QSerialPort::EvenParity;
        break;
    case 'O':
        parita = QSerialPort::OddParity;
        break;
    case 'M':
        parita = QSerialPort::MarkParity;
        break;
    case 'S':
        parita = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    ok = m_seriale.setParity(parita) && ok;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    if (linea.bitStop == QLatin1String("2"))
        stop = QSerialPort::TwoStop;
    else if (linea.bitStop == QLatin1String("1.5"))
        stop = QSerialPort::OneAndHalfStop;
    if (!m_seriale.setStopBits(stop) && stop == QSerialPort::OneAndHalfStop) {
        // Only Windows drivers know 1.5 stop bits; two are read correctly by a receiver that
        // expects one and a half.
        m_seriale.clearError();
        ok = m_seriale.setStopBits(QSerialPort::TwoStop) && ok;
    }
    if (!ok) {
        m_seriale.clearError();
        errore(ErroreComm::StatoNonImpostato, "Impossibile impostare lo stato della porta");
    }
}

void MSComm::setPortOpen(bool aperta) {
    if (!aperta) {
        if (m_seriale.isOpen())
            m_seriale.close();
        m_ingresso.clear();
        return;
    }
    if (m_seriale.isOpen())
        errore(ErroreComm::PortaGiaAperta, "Porta già aperta");
    const QString percorso = dispositivo();
    if (percorso.isEmpty())
        errore(ErroreComm::PortaNonValida, "Numero di porta non valido");
    m_seriale.setPortName(percorso);
    applicaLinea(m_linea);
    applicaFlusso();
    m_ingresso.clear();
    if (!m_seriale.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError e = m_seriale.error();
        m_seriale.clearError();
        if (e == QSerialPort::PermissionError)
            errore(ErroreComm::PortaOccupata,
                   "Dispositivo non disponibile: in uso o non accessibile");
        if (e == QSerialPort::DeviceNotFoundError)
            errore(ErroreComm::PortaNonValida, "Numero di porta non valido");
        errore(ErroreComm::StatoNonImpostato, "Impossibile impostare lo stato della porta");
    }
    applicaLinee();
}

void MSComm::setHandshaking(int flusso) {
    if (flusso < 0 || flusso > 3)
        valoreNonValido();
    m_flusso = flusso;
    applicaFlusso();
    if (m_seriale.isOpen())
        applicaLinee();
}

void MSComm::applicaFlusso() {
    // Qt has no combined RTS and XON/XOFF mode: the hardware lines take the lead.
    const QSerialPort::FlowControl flusso = m_flusso == 0   ? QSerialPort::NoFlowControl
                                            : m_flusso == 1 ? QSerialPort::SoftwareControl
                                                            : QSerialPort::HardwareControl;
    if (!m_seriale.setFlowControl(flusso))
        m_seriale.clearError();
}

void MSComm::applicaLinee() {
    // Lines a device does not have (a pseudo-terminal has neither) are not an error.
    if (!m_seriale.isOpen())
        return;
    if (!m_seriale.setDataTerminalReady(m_dtr))
        m_seriale.clearError();
    if (m_flusso < 2 && !m_seriale.setRequestToSend(m_rts))
        m_seriale.clearError();
}

void MSComm::setDTREnable(bool attivo) {
    m_dtr = attivo;
    applicaLinee();
}

void MSComm::setRTSEnable(bool attivo) {
    m_rts = attivo;
    applicaLinee();
}

void MSComm::setInputMode(int modo) {
    if (modo != 0 && modo != 1)
        valoreNonValido();
    m_modo = modo;
}

void MSComm::setInputLen(int lunghezza) {
    if (lunghezza < 0 || lunghezza > 32767)
        valoreNonValido();
    m_lunghezza = lunghezza;
}

void MSComm::setRThreshold(int soglia) {
    if (soglia < 0 || soglia > 32767)
        valoreNonValido();
    m_soglia = soglia;
}

int MSComm::InBufferCount() const {
    return m_seriale.isOpen() ? static_cast<int>(std::min<qsizetype>(m_ingresso.size(), 32767)) : 0;
}

QByteArray MSComm::Input() {
    if (!m_seriale.isOpen())
        errore(ErroreComm::PortaChiusa, "Operazione valida solo con la porta aperta");
    const qsizetype n =
        m_lunghezza == 0 ? m_ingresso.size() : std::min<qsizetype>(m_lunghezza, m_ingresso.size());
    QByteArray letti = m_ingresso.left(n);
    m_ingresso.remove(0, n);
    return letti;
}

void MSComm::Output(const QString& testo) {
    Output(codificaTesto(testo));
}

void MSComm::Output(const QByteArray& byte) {
    if (!m_seriale.isOpen())
        errore(ErroreComm::PortaChiusa, "Operazione valida solo con la porta aperta");
    m_seriale.write(byte);
    m_seriale.flush();
}

void MSComm::ricevi() {
    QByteArray arrivati = m_seriale.readAll();
    if (m_scartaNulli)
        arrivati.removeIf([](char c) { return c == '\0'; });
    m_ingresso += arrivati;
    if (m_soglia > 0 && m_ingresso.size() >= m_soglia && !arrivati.isEmpty()) {
        m_evento = EventoRicezione;
        emit OnComm();
    }
}

void MSComm::erroreSeriale(QSerialPort::SerialPortError e) {
    if (e != QSerialPort::ResourceError && e != QSerialPort::ReadError)
        return;
    if (m_chiusuraInCorso || !m_seriale.isOpen())
        return;
    // The device went away (unplugged, or the far end hung up): every further read would fail
    // at once. Closed from the event loop, not from inside the port's own signal.
    m_chiusuraInCorso = true;
    QTimer::singleShot(0, this, [this] {
        m_chiusuraInCorso = false;
        if (!m_seriale.isOpen())
            return;
        m_seriale.clearError();
        m_seriale.close();
        m_ingresso.clear();
        m_evento = EventoPortante;
        emit OnComm();
    });
}

} // namespace kinetra
