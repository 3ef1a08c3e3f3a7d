#pragma once

// A board on a serial line: answers the command protocol and streams the model's frames after
// the start command. Failure modes make it behave like a board that is off, answers wrongly or
// late, loses or corrupts bytes, or hangs up in the middle of a set. Portable: the bytes come in
// through ricevuti() and go out through the invia signal.

#include "sim/FlussoScheda.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <memory>

namespace kinetra::sim {

struct OpzioniSchedaSeriale {
    QByteArray identita = "?YES";         // answer to "?"
    bool muta = false;                    // no answer at all and no stream (board off)
    int ritardoMs = 0;                    // every reply leaves this much later
    int pezziMs = -1;                     // >= 0: replies leave one byte at a time, this far apart
    int byteExtra = 0;                    // bytes appended to every reply
    std::uint8_t canali = 0x05;           // "$i": enabled channels
    std::uint16_t tempoCampionamento = 1; // "$i": sampling time, hundredths of a second
    qint64 scartaByte = -1;               // stream byte at this offset is not sent
    qint64 spazzaturaA = -1; // garbage bytes go out before the stream byte at this offset
    int spazzaturaN = 0;
    qint64 riagganciaDopo = -1; // hang up once this many stream bytes have gone out
    QString registrazione;      // file that receives the stream bytes of the last set
};

class SchedaSeriale : public QObject {
    Q_OBJECT
public:
    SchedaSeriale(BoardModel modello, double rate, OpzioniSchedaSeriale opzioni,
                  QObject* parent = nullptr);
    ~SchedaSeriale() override;

    // Bytes that the program wrote to the line.
    void ricevuti(const QByteArray& byte);

    bool inStreaming() const { return m_flusso.attivo(); }
    qint64 byteFlusso() const { return m_byteFlusso; }
    const FlussoScheda& flusso() const { return m_flusso; }

signals:
    void invia(const QByteArray& byte);
    void riaggancia();
    // The whole set has gone out (still frames follow until the stop command).
    void setInviato();
    // A command was understood ("$D", "$i", "$T", "$F", "$Z", "$", "?").
    void comando(const QByteArray& comando);

private:
    void rispondi(QByteArray risposta, bool finale, bool avvio = false);
    void pompa();
    void programma();
    void inviaFlusso(const QByteArray& byte);
    double adesso() const { return m_orologio.nsecsElapsed() / 1e9; }

    struct Uscita {
        double quando;
        QByteArray byte;
        bool avviaFlusso = false; // the start reply: the set begins once it is out
    };

    OpzioniSchedaSeriale m_opzioni;
    FlussoScheda m_flusso;
    QElapsedTimer m_orologio;
    QTimer m_timer;
    std::deque<Uscita> m_uscite;
    bool m_prefisso = false;
    qint64 m_byteFlusso = 0;
    bool m_riagganciata = false;
    bool m_setInviato = false;
    std::unique_ptr<QFile> m_file;
};

} // namespace kinetra::sim
