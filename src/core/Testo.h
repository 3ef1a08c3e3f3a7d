#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace kinetra {

// Our text files are 8-bit, Windows-1252, so that files made on the coaches' older machines
// read back unchanged. A character outside the code page is written as '?'.
QByteArray codificaTesto(const QString& testo);
QString decodificaTesto(QByteArrayView byte);

// Reads comma- or line-delimited fields: leading blanks skipped, a comma or the line end (CR LF,
// LF or CR) closes a field, a field that starts with a double quote runs to the next one and
// whatever follows it up to the delimiter is dropped.
class LettoreCampi {
public:
    explicit LettoreCampi(QByteArray dati);

    // True when no further field can be read.
    bool fine() const;
    // The next field as text; empty optional past the end of the data.
    std::optional<QString> campo();
    // The next field as a number ("." as decimal point); empty optional past the end or when
    // the field is not a number. An empty field reads as 0.
    std::optional<double> numero();
    // The next field as a whole number, halves to even; empty optional as for numero().
    std::optional<std::int32_t> intero();

private:
    void saltaFineRiga();

    QByteArray m_dati;
    qsizetype m_pos = 0;
};

// Builds an 8-bit text file with CR LF line ends.
class ScrittoreRighe {
public:
    void riga(const QString& testo);
    void rigaGrezza(QByteArrayView byte);
    const QByteArray& dati() const { return m_dati; }

private:
    QByteArray m_dati;
};

// Writes `dati` to `percorso` in one piece. With `atomico` the old file is replaced only once
// the new one is complete (QSaveFile), so a failure leaves it whole. Returns the system's
// description of the failure, or an empty string.
QString scriviFile(const QString& percorso, const QByteArray& dati, bool atomico);

// Reads a whole file; the error text is set on failure.
std::optional<QByteArray> leggiFile(const QString& percorso, QString* errore = nullptr);

} // namespace kinetra
