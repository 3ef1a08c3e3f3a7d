#pragma once

#include "device/InterfacciaCollegamento.h"

#include <QStringList>

#include <vector>

// Records what the device link asks of the windows.
struct UiRegistrata : kinetra::InterfacciaCollegamento {
    struct Messaggio {
        QString testo;
        kinetra::IconaMessaggio icona;
        QString titolo;
    };
    std::vector<Messaggio> messaggi;
    int rilasci = 0;
    QStringList titoli;

    void MsgBox(const QString& testo, kinetra::IconaMessaggio icona,
                const QString& titolo) override {
        messaggi.push_back({testo, icona, titolo});
    }
    void rilasciaButton_start() override { ++rilasci; }
    void impostaTitoloPrincipale(const QString& titolo) override { titoli << titolo; }
};
