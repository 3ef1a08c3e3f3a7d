#include "acquisition/Decodifica.h"

#include "core/Formato.h"

namespace kinetra {

ScalaScheda scalaScheda(int tipo) {
    switch (tipo) {
    case 1:
        return {1.288f, 0.0002};
    case 2:
        return {1.0f, 0.0002};
    default:
        // The decimal 8.33333E-05, not 1/12000: times of existing recordings depend on it.
        return {1.0f, 8.33333E-05};
    }
}

bool tipoSchedaNoto(int tipo) {
    return tipo >= 1 && tipo <= 3;
}

QString testoSpostamento(double mm, int decimali, const QLocale& locale) {
    return QStringLiteral("Spost(cm)=  ") + formatoNumero(mm / 10, decimali, locale);
}

} // namespace kinetra
