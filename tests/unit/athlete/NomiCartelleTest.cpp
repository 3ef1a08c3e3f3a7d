#include "athlete/NomiCartelle.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace kinetra;
using namespace Qt::StringLiterals;

namespace {

TEST(ControllaNomeCartella, RefusesNamesThatLeaveTheFolderOrWindowsWouldNotKeep) {
    QStringList vietati;
    for (const QChar c : u"<>:\"/\\|?*"_s)
        vietati << u"a"_s + c + u"b"_s;
    vietati << u"../x"_s;
    struct Caso {
        QString messaggio;
        QStringList nomi;
    };
    const Caso casi[] = {
        {{},
         {u"Mario Rossi"_s, u"D'Angelo"_s, u"Nicolò"_s, u"Ørsted;2"_s, u"Console"_s, u"COM10"_s,
          u"LPT"_s, u"a.b"_s, QString(251, u'x')}},
        {u"Il nome non può essere vuoto!"_s, {QString(), u"   "_s}},
        {u"Il nome non può contenere i caratteri < > : \" / \\ | ? *"_s, vietati},
        // "Łódź" is not in the 8-bit code page of our files.
        {u"Il nome contiene caratteri non ammessi!"_s, {u"tab\tx"_s, u"Łódź"_s}},
        {u"Il nome non può terminare con un punto o uno spazio!"_s,
         {u".."_s, u"Rossi "_s, u"Rossi."_s}},
        {u"Il nome non può iniziare con un punto!"_s, {u".nascosto"_s}},
        {u"Nome riservato dal sistema!"_s,
         {u"con"_s, u"Nul.txt"_s, u"aux .dati"_s, u"lpt9"_s, u"COM¹"_s, u"CONOUT$"_s}},
        {u"Nome troppo lungo!"_s, {QString(252, u'x')}},
    };
    for (const Caso& c : casi) {
        for (const QString& nome : c.nomi)
            EXPECT_EQ(controllaNomeCartella(nome), c.messaggio) << nome.toStdString();
    }
}

} // namespace
