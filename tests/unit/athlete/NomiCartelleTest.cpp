#include "athlete/NomiCartelle.h"

#include <gtest/gtest.h>

using namespace kinetra;

namespace {

TEST(ControllaNomeCartella, AcceptsOrdinaryNamesOfPeopleAndSquads) {
    const QString buoni[] = {
        QStringLiteral("Rossi"),    QStringLiteral("Mario Rossi"),
        QStringLiteral("D'Angelo"), QStringLiteral("Squadra A-1"),
        QStringLiteral("Nicolò"),   QStringLiteral("Ørsted;2"),
        QStringLiteral("Console"),  QStringLiteral("COM10"),
        QStringLiteral("Nullo"),    QStringLiteral("LPT"),
        QStringLiteral("a.b"),      QString(251, QLatin1Char('x')),
    };
    for (const QString& nome : buoni)
        EXPECT_EQ(controllaNomeCartella(nome), QString()) << nome.toStdString();
}

TEST(ControllaNomeCartella, RefusesNamesThatLeaveTheFolderOrWindowsWouldNotKeep) {
    const QString vuoto = QStringLiteral("Il nome non può essere vuoto!");
    const QString vietati =
        QStringLiteral("Il nome non può contenere i caratteri < > : \" / \\ | ? *");
    const QString nonAmmessi = QStringLiteral("Il nome contiene caratteri non ammessi!");
    const QString finale = QStringLiteral("Il nome non può terminare con un punto o uno spazio!");
    const QString iniziale = QStringLiteral("Il nome non può iniziare con un punto!");
    const QString riservato = QStringLiteral("Nome riservato dal sistema!");
    struct Caso {
        QString nome;
        QString messaggio;
    };
    const Caso casi[] = {
        {QString(), vuoto},
        {QStringLiteral("   "), vuoto},
        {QStringLiteral("a/b"), vietati},
        {QStringLiteral("a\\b"), vietati},
        {QStringLiteral("../x"), vietati},
        {QStringLiteral("C:x"), vietati},
        {QStringLiteral("a*b"), vietati},
        {QStringLiteral("a?b"), vietati},
        {QStringLiteral("a|b"), vietati},
        {QStringLiteral("a<b>"), vietati},
        {QStringLiteral("il \"capo\""), vietati},
        {QStringLiteral("tab\tx"), nonAmmessi},
        {QStringLiteral("riga\nnuova"), nonAmmessi},
        {QStringLiteral("Łódź"), nonAmmessi}, // not in the 8-bit code page of our files
        {QStringLiteral(".."), finale},
        {QStringLiteral("."), finale},
        {QStringLiteral("Rossi."), finale},
        {QStringLiteral("Rossi "), finale},
        {QStringLiteral(".nascosto"), iniziale},
        {QStringLiteral("CON"), riservato},
        {QStringLiteral("con"), riservato},
        {QStringLiteral("Nul.txt"), riservato},
        {QStringLiteral("aux .dati"), riservato},
        {QStringLiteral("COM1"), riservato},
        {QStringLiteral("lpt9"), riservato},
        {QStringLiteral("COM¹"), riservato},
        {QStringLiteral("PRN"), riservato},
        {QStringLiteral("CONOUT$"), riservato},
        {QString(252, QLatin1Char('x')), QStringLiteral("Nome troppo lungo!")},
    };
    for (const Caso& c : casi)
        EXPECT_EQ(controllaNomeCartella(c.nome), c.messaggio) << c.nome.toStdString();
}

} // namespace
