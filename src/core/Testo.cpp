#include "core/Testo.h"

#include "core/Formato.h"

#include <QFile>
#include <QSaveFile>

#include <array>
#include <charconv>

namespace kinetra {

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F; 0 marks the five unassigned bytes.
constexpr std::array<char16_t, 32> alti = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char carattere1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < alti.size(); ++i) {
        if (alti[i] == c && c != 0)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QByteArray codificaTesto(const QString& testo) {
    QByteArray out;
    out.reserve(testo.size());
    for (QChar c : testo)
        out.append(carattere1252(c.unicode()));
    return out;
}

QString decodificaTesto(QByteArrayView byte) {
    QString out;
    out.reserve(byte.size());
    for (char b : byte) {
        const auto u = static_cast<unsigned char>(b);
        char16_t c = u;
        if (u >= 0x80 && u < 0xA0)
            c = alti[u - 0x80] != 0 ? alti[u - 0x80] : u;
        out.append(QChar(c));
    }
    return out;
}

LettoreCampi::LettoreCampi(QByteArray dati) : m_dati(std::move(dati)) {}

bool LettoreCampi::fine() const {
    return m_pos >= m_dati.size();
}

void LettoreCampi::saltaFineRiga() {
    if (m_pos < m_dati.size() && m_dati[m_pos] == '\r')
        ++m_pos;
    if (m_pos < m_dati.size() && m_dati[m_pos] == '\n')
        ++m_pos;
}

std::optional<QString> LettoreCampi::campo() {
    if (fine())
        return std::nullopt;
    const qsizetype n = m_dati.size();
    while (m_pos < n && (m_dati[m_pos] == ' ' || m_dati[m_pos] == '\t'))
        ++m_pos;
    auto delimitatore = [&](char c) { return c == ',' || c == '\r' || c == '\n'; };
    QByteArrayView valore;
    if (m_pos < n && m_dati[m_pos] == '"') {
        const qsizetype inizio = m_pos + 1;
        qsizetype chiusura = m_dati.indexOf('"', inizio);
        if (chiusura < 0)
            chiusura = n;
        valore = QByteArrayView(m_dati).sliced(inizio, chiusura - inizio);
        m_pos = std::min(chiusura + 1, n);
        while (m_pos < n && !delimitatore(m_dati[m_pos]))
            ++m_pos;
    } else {
        const qsizetype inizio = m_pos;
        while (m_pos < n && !delimitatore(m_dati[m_pos]))
            ++m_pos;
        valore = QByteArrayView(m_dati).sliced(inizio, m_pos - inizio);
    }
    if (m_pos < n && m_dati[m_pos] == ',')
        ++m_pos;
    else
        saltaFineRiga();
    return decodificaTesto(valore);
}

std::optional<double> LettoreCampi::numero() {
    const std::optional<QString> testo = campo();
    if (!testo)
        return std::nullopt;
    const QByteArray t = testo->trimmed().toLatin1();
    if (t.isEmpty())
        return 0.0;
    const char* b = t.constData();
    const char* e = b + t.size();
    if (*b == '+')
        ++b;
    double v = 0;
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e)
        return std::nullopt;
    return v;
}

std::optional<std::int32_t> LettoreCampi::intero() {
    const std::optional<double> v = numero();
    if (!v || *v > 2147483647.0 || *v < -2147483648.0)
        return std::nullopt;
    return static_cast<std::int32_t>(arrotondaPari(*v));
}

void ScrittoreRighe::riga(const QString& testo) {
    m_dati.append(codificaTesto(testo));
    m_dati.append("\r\n");
}

void ScrittoreRighe::rigaGrezza(QByteArrayView byte) {
    m_dati.append(byte);
    m_dati.append("\r\n");
}

namespace {

// Qt leaves some write failures (a full disk, a file size limit) as "Unknown error"; the coach
// should at least learn which file was not written.
QString descrizioneErrore(const QFileDevice& file, const QString& percorso) {
    const QString testo = file.errorString();
    if (file.error() == QFileDevice::NoError || testo.isEmpty() ||
        testo == QLatin1String("Unknown error"))
        return QStringLiteral("Impossibile scrivere il file %1").arg(percorso);
    return testo;
}

} // namespace

QString scriviFile(const QString& percorso, const QByteArray& dati, bool atomico) {
    if (atomico) {
        QSaveFile file(percorso);
        if (!file.open(QIODevice::WriteOnly))
            return descrizioneErrore(file, percorso);
        if (file.write(dati) != dati.size()) {
            const QString errore = descrizioneErrore(file, percorso);
            file.cancelWriting();
            return errore;
        }
        if (!file.commit())
            return descrizioneErrore(file, percorso);
        return {};
    }
    QFile file(percorso);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(dati) != dati.size() ||
        !file.flush())
        return descrizioneErrore(file, percorso);
    return {};
}

std::optional<QByteArray> leggiFile(const QString& percorso, QString* errore) {
    QFile file(percorso);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errore)
            *errore = file.errorString();
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace kinetra
